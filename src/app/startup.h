// The start-up routine: one copy per desktop, the workstation file, the first-time setup, joining
// the shared folder, loading the member's settings and notes, and putting the program in motion.
// It is also run again by the environment dialog after the member moved to another shared folder.
//
// The routine never ends the process itself: it returns what the caller has to do.
#pragma once

#include "app/state.h"
#include "platform/sharedfile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tw {

// What the start-up needs from the windowed program around it.
class StartupHost {
public:
    virtual ~StartupHost() = default;

    // Another copy of this program runs for this user.
    virtual bool previousInstance() = 0;

    // Environment-settings dialog: put its check-unit box on the first entry ("分単位"); show it
    // modally (its OK stores the controls and sets SettingsReady, Cancel stores nothing); the texts its
    // name box and password box hold once it has been closed.
    virtual void resetCheckUnitBox() = 0;
    virtual void showEnvironmentDialog() = 0;
    virtual std::string dialogName() = 0;
    virtual std::string dialogPassword() = 0;

    // The catalogue of note shapes from the shape files beside the program.
    virtual void loadShapes() = 0;

    // The hidden note-settings dialog: onTimer enables the reception timer and gives its interval in
    // milliseconds; setTimerInterval puts an interval on it (0 stops it); chkNetCom is one network check.
    virtual int32_t onTimer() = 0;
    virtual void setTimerInterval(int32_t ms) = 0;
    virtual void chkNetCom() = 0;

    // A window for every note that its period does not hide; one new note when there are none.
    virtual void openAllNotes() = 0;
};

enum class StartupResult {
    Running,     // the notes are on the screen; run the event loop
    Ended,       // the user ended it (second copy, cancelled setup, environment reset): exit code 0
    Failed,      // a shared-folder file could not be read or written (already reported): exit code 1
};

int exitCodeOf(StartupResult r);

StartupResult runStartup(AppState& st, StartupHost& host);

// Joining the shared folder, like renaming a member, reads GRPINLY.CFG, changes the member list and
// writes the file back. Two computers doing so at the same moment would both pick the same number, or
// the later write would drop the other's change, so the change holds the shared log file exclusively
// from the read to the write (the log is the lock that puts changes of the shared folder in order;
// other members' log accesses wait silently meanwhile). Taking it waits like every other shared-file
// access; when it cannot be had (no such folder, no permission, held longer than the retry window)
// the change goes on without it and the file routine reports whatever is wrong with the folder.
class MemberListLock {
public:
    // Takes the lock in `folder` (releasing one held before); true when held. folder() remembers the
    // folder of the last attempt, held or not.
    bool acquire(const AppState& st, const std::string& folder);
    void release();
    bool held() const { return file_ && file_->isOpen(); }
    const std::string& folder() const { return folder_; }

private:
    std::unique_ptr<SharedFile> file_;
    std::string folder_;
};

}  // namespace tw
