// The start-up routine: one copy per desktop, the workstation file, the first-time setup, joining
// the shared folder, loading the member's settings and notes, and putting the program in motion.
// It is also run again by the environment dialog after the member moved to another shared folder.
//
// The routine never ends the process itself: it returns what the caller has to do.
#pragma once

#include "app/groval.h"
#include "model/state.h"
#include "platform/sharedfile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tw {

class MemberRunMark;

// What the start-up needs from the windowed program around it.
// The environment-settings dialog (FolderChoiceHost) is shown for the first-time setup; its OK also
// sets SettingsReady, its Cancel stores nothing.
class StartupHost : public FolderChoiceHost {
public:
    // Another copy of this program runs for this user.
    virtual bool previousInstance() = 0;

    // The texts the environment dialog's name box and password box hold once it has been closed.
    virtual std::string dialogName() = 0;
    virtual std::string dialogPassword() = 0;

    // The catalogue of note shapes from the shape files beside the program.
    virtual void loadShapes() = 0;

    // The reception timer: onTimer enables it and gives its interval in milliseconds; setTimerInterval
    // puts an interval on it (0 stops it); chkNetCom is one network check.
    virtual int32_t onTimer() = 0;
    virtual void setTimerInterval(int32_t ms) = 0;
    virtual void chkNetCom() = 0;

    // A window for every note that its period does not hide; one new note when there are none.
    virtual void openAllNotes() = 0;

    // A first start where nobody can answer (a virtual display): the proposed setup is taken as it
    // stands, without the welcome box and the setup dialog. False where a person sets up.
    virtual bool acceptSetupProposal() { return false; }
};

enum class StartupResult {
    Running,     // the notes are on the screen; run the event loop
    Ended,       // the user ended it (second copy, cancelled setup, environment reset): exit code 0
    Failed,      // a shared-folder file could not be read or written (already reported): exit code 1
};

int exitCodeOf(StartupResult r);

// A join (the first-time setup, or the start after a move to another folder) goes in this order: the
// workstation file must be writable where it lives, else the setup ends with nothing added; then the
// member list takes the new member under the member-list lock; then the workstation file is written,
// and when that still fails the new entry is taken out of the member list again. A member list that
// cannot be read or written leaves the workstation file as it was and offers another folder.
//
// With `mark`, the member's run mark (app/memberrun.h) is taken once the member's number is known
// and held by `mark` afterwards: a member whose program runs on another computer ends this start with
// a message naming that computer, before anything is written; a new member is not given a number
// whose mark is held.
StartupResult runStartup(AppState& st, StartupHost& host, MemberRunMark* mark = nullptr);

// Joining the shared folder, like renaming a member, reads GRPINLY.CFG, changes the member list and
// writes the file back. Two computers doing so at the same moment would both pick the same number, or
// the later write would drop the other's change, so the change holds the shared log file exclusively
// from the read to the write (the log is the lock that puts changes of the shared folder in order;
// other members' log accesses wait silently meanwhile). Taking it waits like every other shared-file
// access: silently for the retry window, then the busy question; a change never goes on without it
// while another computer holds it. When the folder cannot be reached at all (no such folder) the change
// goes on without it and the file routine reports what is wrong with the folder.
class MemberListLock {
public:
    enum class Result {
        Held,          // the lock is ours
        Unreachable,   // no folder, or the log cannot be opened for another reason than a holder
        Cancelled,     // another computer holds it and the user cancelled the busy question
    };
    // Takes the lock in `folder` (releasing one held before). folder() remembers the folder of the
    // last attempt, held or not.
    Result acquire(AppState& st, const std::string& folder);
    void release();
    bool held() const { return file_ && file_->isOpen(); }
    const std::string& folder() const { return folder_; }

private:
    std::unique_ptr<SharedFile> file_;
    std::string folder_;
};

}  // namespace tw
