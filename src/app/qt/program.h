// The running program: it owns the process-wide state and the services around it, the reception
// timer, the note-settings dialog, the environment dialog and the note windows; it
// runs the start-up and ends the program, also when the system asks it to (termination signal, end of
// the desktop session, a quit request of the platform).
#pragma once

#include "notes/programhooks.h"
#include "app/qt/frmOptions.h"
#include "app/startup.h"
#include "messaging/qt/doorbell.h"
#include "model/state.h"
#include "notes/autosave.h"
#include "platform/autostart.h"
#include "platform/qt/qtwaitcursor.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tw {

class Clock;
class CommonDialogs;
class InstanceLock;
class MemberRunMark;
class NoteWindows;
class Prompter;
class QuitRequests;
class ReceptionTimer;
class Screen;
class SettingsStore;
class frmMain;
class frmOptions;

// What a test may put in place of the real surroundings; everything left empty is the real thing.
struct ProgramSetup {
    Prompter* prompter = nullptr;              // message boxes
    Screen* screen = nullptr;
    Clock* clock = nullptr;
    SettingsStore* legacyStore = nullptr;
    CommonDialogs* dialogs = nullptr;
    std::string programDir;                    // the executable's folder
    std::string exeName;                       // the executable's name
    std::optional<std::string> userConfigDir;  // the user's configuration folder ("": none)
    std::optional<std::string> userDataDir;    // the user's data folder ("": none)
    std::function<bool()> anotherCopyRuns;     // the lock of one copy per user and executable
    std::function<void(int)> quit;             // leaves the event loop with an exit code
    std::function<void(int)> endAtOnce;        // ends the process at once (a quit during the start-up)
    bool watchSystemQuit = true;               // termination signals, session end, quit events
    std::optional<DoorbellSettings> doorbell;  // the doorbell; nothing: the member's own settings
    std::string autostartHome;                 // where the login start is written ("": the user's own)
    bool acceptSetupProposal = false;          // a first start takes the proposed setup unasked
};

class Program : public QObject, public StartupHost, public ProgramHooks, public OptionsHost {
    Q_OBJECT
public:
    explicit Program(ProgramSetup setup = {});
    ~Program() override;

    // The start-up routine. Running: the notes are on the screen and the event loop should run.
    StartupResult start();
    // The exit command: the timer stops, the local settings and then the notes are written, and the
    // program ends. Does nothing when the program is already ending.
    void exitProgram();
    // A request of the system to end: the exit command while the program runs; during the start-up,
    // which has nothing to save yet, the end of the process at once, whatever box is open.
    void requestQuit();

    bool running() const { return running_; }
    // How often changes are written to the member's files while the program runs (milliseconds).
    void setAutoSaveInterval(int ms) { autoSaveTimer_.setInterval(ms); }
    bool ended() const { return ended_; }
    int exitCode() const { return exitCode_; }

    AppState& state() { return st_; }
    frmMain& mainForm() { return *frmMain_; }
    ReceptionTimer& receptionTimer() { return *reception_; }
    frmOptions& options() { return *frmOptions_; }
    NoteWindows& notes() { return *notes_; }
    Doorbell& doorbell() { return *doorbell_; }

    // StartupHost
    bool previousInstance() override;
    void resetCheckUnitBox() override;
    void showEnvironmentDialog() override;
    std::string dialogName() override;
    std::string dialogPassword() override;
    void loadShapes() override;
    int32_t onTimer() override;
    void setTimerInterval(int32_t ms) override;
    void chkNetCom() override;
    void openAllNotes() override;
    bool acceptSetupProposal() override;

    // ProgramHooks
    void endProgram(int exitCode = 0) override;
    bool environmentDialogAvailable() const override { return true; }

    // OptionsHost: the move to another shared folder from the environment dialog.
    void closeAllNotes() override;
    StartupResult restartInFolder() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The services of the setup, the real ones where it gives none.
    Services services();
    // What a first-time setup proposes, and what a setup that succeeded leaves behind.
    void proposeSetup();
    void afterSetup();
    // Asked before anything of this program reaches the member's files in the shared folder: false
    // once the member was started on another computer while this program was stopped. The program
    // then keeps its files on this computer, says so and ends without writing.
    bool memberStillOurs();
    void stopTimers();

    ProgramSetup setup_;
    std::unique_ptr<Prompter> ownPrompter_;
    std::unique_ptr<Screen> ownScreen_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<SettingsStore> ownStore_;
    std::unique_ptr<CommonDialogs> ownDialogs_;
    QtWaitCursor waitCursor_;
    AutoSave autoSave_;
    QTimer autoSaveTimer_;
    AppState st_;   // after the services it refers to
    std::unique_ptr<InstanceLock> instance_;
    Autostart autostart_;
    std::unique_ptr<MemberRunMark> runMark_;   // the member's run mark in the shared folder, for the whole run
    std::unique_ptr<ReceptionTimer> reception_;
    std::unique_ptr<Doorbell> doorbell_;   // after the reception timer, whose checks it asks for
    std::unique_ptr<frmMain> frmMain_;
    std::unique_ptr<frmOptions> frmOptions_;
    std::unique_ptr<NoteWindows> notes_;
    QuitRequests* quitRequests_ = nullptr;
    bool running_ = false;
    bool ended_ = false;
    bool quitPending_ = false;
    bool takenOver_ = false;   // the member runs on another computer now: nothing more is written
    int exitCode_ = 0;
};

}  // namespace tw
