// One computer's first-time setup on a shared folder, as a separate process, for the tests of
// several computers joining at once.
//
//   join_member <program folder> <shared folder> <member name> <start file> <count>
//
// Waits until <start file> exists, then runs the start-up <count> times, each time as a new computer
// (program folder <program folder>/<i>) whose user typed the folder and the name <member name>-<i>
// into the setup dialog. Exit code 0 when every run would now be running; any message box but the
// welcome is printed and counts as a failure (exit code 3).
#include "app/groval.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "model/datetime.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace tw;

namespace {

class PrintingPrompter : public Prompter {
public:
    bool asked = false;
    Answer ask(const std::string& title, const std::string& text, Icon, Buttons buttons) override {
        // The welcome box of the setup is expected; everything else is a failure.
        if (title == "セットアップ初期設定") return Answer::Ok;
        std::fprintf(stderr, "message box: %s: %s\n", title.c_str(), text.c_str());
        asked = true;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
};

class SetupHost : public StartupHost {
public:
    SetupHost(AppState& st, std::string folder, std::string name)
        : st_(st), folder_(std::move(folder)), name_(std::move(name)) {}
    bool previousInstance() override { return false; }
    void resetCheckUnitBox() override {}
    void showEnvironmentDialog() override {
        st_.SharedPath = folder_;
        st_.localConfig = defaultLocalConfig();
        st_.localConfig.MemberName = name_;
        st_.SettingsReady = true;
    }
    std::string dialogName() override { return name_; }
    std::string dialogPassword() override { return ""; }
    void loadShapes() override {}
    int32_t onTimer() override { return 0; }
    void setTimerInterval(int32_t) override {}
    void chkNetCom() override {}
    void openAllNotes() override {}

private:
    AppState& st_;
    std::string folder_, name_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: join_member <program folder> <shared folder> <name> <start file> <count>\n");
        return 2;
    }
    const int count = std::atoi(argv[5]);
    while (!fileExists(argv[4])) sleepMilliseconds(1);

    PrintingPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    for (int i = 0; i < count; ++i) {
        const std::string programDir = joinPath(argv[1], std::to_string(i));
        std::filesystem::create_directories(programDir);
        AppState st(Services{prompter, clock, screen, legacyStore});
        st.sys.programDir = programDir;
        st.sys.retrySeconds = 20;
        st.sys.retryPauseMs = 1;
        SetupHost host(st, argv[2], std::string(argv[3]) + "-" + std::to_string(i));
        StartupResult r = runStartup(st, host);
        if (prompter.asked) return 3;
        if (r != StartupResult::Running) return 1;
    }
    return 0;
}
