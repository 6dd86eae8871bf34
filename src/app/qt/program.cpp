#include "app/qt/program.h"

#include "app/qt/frmOptions.h"
#include "app/qt/tackwispapplication.h"
#include "app/memberrun.h"
#include "dialogs/qt/frmMain.h"
#include "notes/qt/notewindows.h"
#include "notes/qt/receptiontimer.h"
#include "model/datetime.h"
#include "platform/qt/commondialogs.h"
#include "platform/qt/instancelock.h"
#include "platform/qt/qtprompter.h"
#include "platform/qt/qtscreen.h"
#include "platform/qt/qtsettingsstore.h"
#include "platform/qt/quitrequests.h"
#include "platform/qt/qtwaitcursor.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"
#include "platform/system.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace tw {

namespace {

constexpr int kAutoSaveMs = 2000;

// A folder of Qt's in the system's own spelling: Qt writes '/' on Windows too, where the paths the
// program shows (the proposed shared folder, the recovery folder) and joins with '\' would mix both.
std::string nativePath(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

// The program as the system's start at login names it: Windows runs the Run key's command with its
// own separators.
std::string startCommandPath() { return nativePath(QCoreApplication::applicationFilePath()); }

template <class T, class Default>
T& orOwn(T* given, std::unique_ptr<T>& own) {
    if (given) return *given;
    own = std::make_unique<Default>();
    return *own;
}

}  // namespace

Services Program::services() {
    Services s{orOwn<Prompter, QtPrompter>(setup_.prompter, ownPrompter_),
               orOwn<Clock, SystemClock>(setup_.clock, ownClock_),
               orOwn<Screen, QtScreen>(setup_.screen, ownScreen_),
               orOwn<SettingsStore, QtSettingsStore>(setup_.legacyStore, ownStore_)};
    s.waitIndicator = waitCursor_;
    s.programDir = setup_.programDir.empty() ? programFolder() : setup_.programDir;
    // An installed program keeps its shape files and help in <prefix>/share/tackwisp beside its
    // <prefix>/bin; a program folder given by a test has none.
    if (setup_.programDir.empty())
        s.dataDir = nativePath(QDir::cleanPath(QString::fromStdString(s.programDir) + "/../share/tackwisp"));
    s.exeName = setup_.exeName.empty() ? executableName() : setup_.exeName;
    s.userDataDir = setup_.userDataDir
                        ? *setup_.userDataDir
                        : nativePath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    s.userConfigDir = setup_.userConfigDir
                          ? *setup_.userConfigDir
                          : nativePath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    return s;
}

Program::Program(ProgramSetup setup) : setup_(std::move(setup)), st_(services()), autostart_(setup_.autostartHome) {
    CommonDialogs& dialogs = orOwn<CommonDialogs, QtCommonDialogs>(setup_.dialogs, ownDialogs_);
    if (!setup_.quit) setup_.quit = [](int code) { QCoreApplication::exit(code); };
    if (!setup_.endAtOnce)
        setup_.endAtOnce = [](int code) {
            std::fflush(nullptr);
            std::_Exit(code);
        };

    runMark_ = std::make_unique<MemberRunMark>(QSysInfo::machineHostName().toStdString());
    reception_ = std::make_unique<ReceptionTimer>(st_);
    // A bell asks for a check at once, unless a dialog holds the timer still or the program ends.
    doorbell_ = std::make_unique<Doorbell>(
        setup_.doorbell ? *setup_.doorbell : loadDoorbellSettings(st_.sys.userConfigDir), [this] {
            if (!running_ || ended_ || reception_->paused() || !reception_->timerEnabled()) return false;
            reception_->chkNetCom();
            return true;
        });
    st_.sys.logBell = *doorbell_;
    frmMain_ = std::make_unique<frmMain>(st_);
    frmOptions_ = std::make_unique<frmOptions>(st_, reception_.get(), dialogs);
    frmOptions_->setHost(this);
    frmOptions_->setDoorbell(doorbell_.get());
    frmOptions_->setAutostart(&autostart_, startCommandPath());
    // The note windows open the settings dialog's pages and pause the reception timer meanwhile; the
    // answer tally shows Qt's save and printer dialogs.
    NoteWindowServices noteServices;
    noteServices.settingsDialog = frmMain_.get();
    noteServices.receptionTimer = reception_.get();
    notes_ = std::make_unique<NoteWindows>(st_, *this, std::move(noteServices));
    reception_->setNetworkHost(&notes_->networkHost());
    reception_->setWriteGate([this] { return memberStillOurs(); });
    autoSaveTimer_.setInterval(kAutoSaveMs);
    connect(&autoSaveTimer_, &QTimer::timeout, this, [this] {
        if (running_ && !ended_) autoSave_.saveChanges(st_, [this] { return memberStillOurs(); });
    });
    // A failure that escapes an event handler is shown with the program's own message boxes.
    if (auto* app = dynamic_cast<TackwispApplication*>(QCoreApplication::instance())) app->setPrompter(&*st_.sys.prompter);

    if (setup_.watchSystemQuit) {
        quitRequests_ = new QuitRequests(this);
        connect(quitRequests_, &QuitRequests::quitRequested, this, &Program::requestQuit);
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
            // The desktop session ends: the notes are saved as by the exit command.
            connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { requestQuit(); });
            // A quit that did not come through the exit command still saves everything.
            connect(app, &QCoreApplication::aboutToQuit, this, [this] {
                if (running_ && !ended_) exitProgram();
            });
            app->installEventFilter(this);
        }
    }
}

Program::~Program() {
    if (auto* app = dynamic_cast<TackwispApplication*>(QCoreApplication::instance())) app->setPrompter(nullptr);
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
    // The note windows refer to the state and to this object: they go first. The reception timer
    // goes last: a dialog may still hold a pause of it.
    reception_->offTimer();
    reception_->setNetworkHost(nullptr);
    st_.sys.logBell = noLogBell();
    doorbell_.reset();
    notes_.reset();
    frmOptions_.reset();
    frmMain_.reset();
    reception_.reset();
}

StartupResult Program::start() {
    proposeSetup();
    StartupResult r = runStartup(st_, *this, runMark_.get());
    if (r != StartupResult::Running) {
        endProgram(exitCodeOf(r));
        return r;
    }
    afterSetup();
    running_ = true;
    doorbell_->setFolder(st_.SharedPath, st_.CurrentMemberId);
    // From now on changes reach the files within seconds, not only at the end.
    autoSave_.remember(st_);
    autoSaveTimer_.start();
    if (quitPending_) requestQuit();
    return r;
}

void Program::exitProgram() {
    if (ended_ || st_.exiting || !running_) return;
    if (!memberStillOurs()) return;
    notes_->exitProgram();
}

void Program::requestQuit() {
    if (ended_) return;
    if (takenOver_) {
        // The files are kept already; only the message is still open.
        endProgram(0);
        return;
    }
    if (!running_) {
        // In the middle of the start-up there is nothing to save yet, and a box of the start-up (the
        // welcome, the setup dialog) may wait for an answer nobody gives: a session that logs out
        // must not wait for it. The program ends at once, as a crash would leave things: the run
        // mark goes first, every file is whole, and what a member left to put back stays offered.
        quitPending_ = true;
        if (runMark_) runMark_->release();
        setup_.endAtOnce(0);
        return;
    }
    exitProgram();
}

bool Program::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Quit && watched == QCoreApplication::instance() && !ended_) {
        requestQuit();
        return true;
    }
    return QObject::eventFilter(watched, e);
}

// ---- StartupHost ----

bool Program::previousInstance() {
    if (setup_.anotherCopyRuns) return setup_.anotherCopyRuns();
    if (!instance_) instance_ = std::make_unique<InstanceLock>();
    return instance_->anotherCopyRuns();
}

void Program::resetCheckUnitBox() { frmOptions_->resetCheckUnitBox(); }

void Program::showEnvironmentDialog() { frmOptions_->exec(); }

std::string Program::dialogName() { return frmOptions_->nameText(); }
std::string Program::dialogPassword() { return frmOptions_->passwordText(); }

void Program::loadShapes() { notes_->loadShapeCatalogue(); }

int32_t Program::onTimer() { return reception_->onTimer(); }
void Program::setTimerInterval(int32_t ms) { reception_->setTimerInterval(ms); }
void Program::chkNetCom() { reception_->chkNetCom(); }
void Program::openAllNotes() { notes_->openAllNotes(); }

bool Program::acceptSetupProposal() { return setup_.acceptSetupProposal && frmOptions_->acceptProposal(); }

namespace {

// The file of this user's own settings on this computer ("" where there is no configuration folder).
QString ownSettingsFile(const AppState& st) {
    return st.sys.userConfigDir.empty() ? QString()
                                        : QDir(QString::fromStdString(st.sys.userConfigDir)).filePath(QStringLiteral("tackwisp.ini"));
}

}  // namespace

// A first start proposes the shared folder this user last used here, else a folder of the user's own
// data folder (made when the setup takes it), and the name the user logged in with: one person
// trying the program presses OK and has notes; a workgroup puts its share in.
void Program::proposeSetup() {
    std::string folder;
    if (const QString file = ownSettingsFile(st_); !file.isEmpty())
        folder = QSettings(file, QSettings::IniFormat).value(QStringLiteral("setup/lastSharedFolder")).toString().toStdString();
    if (folder.empty() && !st_.sys.userDataDir.empty()) folder = joinPath(st_.sys.userDataDir, "shared");
    frmOptions_->setSetupProposal(folder, loginName());
}

void Program::afterSetup() {
    if (const QString file = ownSettingsFile(st_); !file.isEmpty())
        QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("setup/lastSharedFolder"), QString::fromStdString(st_.SharedPath));
    // The start at login the first-time setup asked for, now that it succeeded.
    if (frmOptions_->takeSetupAutostart()) {
        if (FileError e = autostart_.set(true, startCommandPath()))
            st_.sys.prompter->ask("エラー", "ログイン時の起動を設定できませんでした。\r" + autostart_.location() + "\r" + e.description,
                                  Icon::Warning, Buttons::Ok);
    }
}

// ---- OptionsHost ----

void Program::closeAllNotes() { notes_->closeAll(); }

// The start-up in the folder the workstation file names now. Nothing is saved on its own meanwhile:
// the files of the old member must not reach the new folder, nor an empty note table the old one.
StartupResult Program::restartInFolder() {
    autoSaveTimer_.stop();
    doorbell_->setFolder({}, 0);
    const StartupResult r = runStartup(st_, *this, runMark_.get());
    if (r == StartupResult::Running) {
        doorbell_->setFolder(st_.SharedPath, st_.CurrentMemberId);
        autoSave_.remember(st_);
        autoSaveTimer_.start();
    }
    return r;
}

// Nothing more runs by itself: no automatic save, no network check, no bell.
void Program::stopTimers() {
    autoSaveTimer_.stop();
    reception_->offTimer();
    doorbell_->setFolder({}, 0);
}

bool Program::memberStillOurs() {
    if (ended_ || takenOver_) return false;
    if (!runMark_ || !running_) return true;
    const MemberRunMark::Outcome o = runMark_->check();
    if (o.result != MemberRunMark::Result::Elsewhere) return true;
    // Before the message: its box must not let a timer write meanwhile.
    takenOver_ = true;
    stopTimers();
    keepFilesOfMemberTakenOver(st_, o.holder);
    endProgram(0);
    return false;
}

// ---- ProgramHooks ----

void Program::endProgram(int exitCode) {
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    stopTimers();
    // Hidden, not closed: closing a note window would be taken for a close of that note. The windows
    // are destroyed with this object once the event loop has returned.
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    setup_.quit(exitCode);
}

}  // namespace tw
