// Everything the running program keeps process-wide, in one plain object owned by the program and
// passed by reference. Tests make several of them on one shared folder to play several members.
#pragma once

#include "model/records.h"
#include "platform/logbell.h"
#include "platform/waitindicator.h"

#include <array>
#include <cstdint>
#include <utility>
#include <string>
#include <vector>

namespace tw {

class Prompter;
class Clock;
class Screen;
class SettingsStore;

constexpr int32_t kVersionMajor = 1;
constexpr int32_t kVersionMinor = 71;
constexpr int16_t kVersionRevision = 8;
inline const std::string kProductName = "タックウィスプ";

// A service the program cannot run without: bound to an object once, never empty. A test may bind it
// to another object (`st.sys.prompter = otherPrompter;`), never to nothing.
template <class T>
class Service {
public:
    Service(T& s) : p_(&s) {}   // NOLINT: binding a service is meant to read like an assignment
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }

private:
    T* p_;
};

// What the program needs from its surroundings; the program gives the real ones, tests their own.
// The four services are complete by construction: a Services cannot be made without all of them.
struct Services {
    Services(Prompter& p, Clock& c, Screen& s, SettingsStore& legacy)
        : prompter(p), clock(c), screen(s), legacyStore(legacy) {}

    Service<Prompter> prompter;      // every message box
    Service<Clock> clock;            // the current date-time
    Service<Screen> screen;          // the desktop in twips
    Service<SettingsStore> legacyStore;   // the settings store of older versions
    Service<WaitIndicator> waitIndicator = noWaitIndicator();   // the wait cursor of a long retry
    Service<LogBell> logBell = noLogBell();   // tells the members a change of the log touched
    std::string programDir;          // folder of the executable: REG.CFG, shape files, help
    std::string dataDir;             // the installed program's data folder (<prefix>/share/tackwisp): the
                                     // shape files and help not found beside the program ("" for none)
    std::string userConfigDir;       // the user's configuration folder, for REG.CFG where the program's folder
                                     // cannot hold one ("" for none)
    std::string userDataDir;         // the user's own data folder: copies of what the end of the program
                                     // could not write ("" for none)
    std::string exeName = "tackwisp";
    double retrySeconds = 30;        // silent retry window of a busy shared file
    double waitIndicatorSeconds = 0.3;   // how long a silent retry runs before the wait cursor shows
    int retryPauseMs = 25;           // pause between two attempts: many computers share one server
};

// An alarm timer found in a note's text: a note alarm (no message) or a link opened at its time.
struct TimerEntry {
    std::string message;   // "" for a note alarm, else the link to open
    int16_t note = 0;      // index into NoteTable
    double due = 0;        // date-time
    bool fired = false;
};

struct AppState {
    explicit AppState(Services services) : sys(std::move(services)) {}

    Services sys;

    // Start-up and configuration
    std::string SharedPath;          // "" before setup; no trailing separator
    int16_t CurrentMemberId = 0;     // 0 for none
    bool SettingsReady = false;
    bool NewSharedFile = false;
    std::string CurrentPassword;     // clear text
    bool passwordAccepted = false;   // the password dialog took the right password
    double LastCheckTime = 0;
    bool pathChgFlag = false;        // the environment dialog moved the member to another folder

    SharedConfig sharedConfig;
    std::vector<UserEntry> members;  // the member list, in file order
    LocalConfig localConfig;

    // Notes
    std::vector<NoteRecord> NoteTable;   // NoteId == index
    std::array<int16_t, 5> undoSlots{};  // most recent first
    int16_t undoCount = 0;
    bool exiting = false;
    bool ShowOutOfPeriod = false;
    bool blinkRunning = false;
    std::vector<TimerEntry> TimerTable;   // the alarm timers of the note texts scanned in this run
    bool backgroundChanged = false;  // a note's picture display changed: lay it out anew
};

}  // namespace tw
