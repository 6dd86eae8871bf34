// Everything the running program keeps process-wide, in one plain object owned by the program and
// passed by reference. Tests make several of them on one shared folder to play several members.
#pragma once

#include "app/records.h"

#include <array>
#include <cstdint>
#include <functional>
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

// What the program needs from its surroundings; the program gives the real ones, tests their own.
struct Services {
    Prompter* prompter = nullptr;
    Clock* clock = nullptr;
    Screen* screen = nullptr;
    SettingsStore* legacyStore = nullptr;
    std::string programDir;          // folder of the executable: REG.CFG, shape files, help
    std::string exeName = "tackwisp";
    double retrySeconds = 30;        // silent retry window of a busy shared file
    int retryPauseMs = 25;           // pause between two attempts: many computers share one server
};

struct AppState {
    Services sys;

    // Start-up and configuration
    std::string SharedPath;          // "" before setup; no trailing separator
    int16_t CurrentMemberId = 0;     // 0 for none
    bool SettingsReady = false;
    bool NewSharedFile = false;
    std::string CurrentPassword;     // clear text
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

    // Messaging
    std::vector<LogRecord> LogSelection;
    int16_t QuestionCode = 0;

    // Supplied by the windowed program: the environment dialog shown modally when the shared folder
    // is not found ("セットアップ再設定"), and the reset of its check-unit box to the first entry.
    std::function<void(AppState&)> showEnvironmentDialog;
    std::function<void(AppState&)> resetCheckUnitBox;
};

}  // namespace tw
