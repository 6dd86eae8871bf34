// One computer's program started on an existing member, as a separate process, for the tests of the
// same member started twice:
//   run_member <program folder> <computer name>
// Runs the start-up with the workstation file of <program folder> and holds the member's run mark
// as <computer name>. Every message box is printed as "box <title>|<text>" and declined. Once the
// start-up has the program running it prints "running" and stays so until its input ends; then it
// exits with 0 (it writes nothing more). A start-up that ended exits with 4, one that failed with 1.
#include "app/memberrun.h"
#include "app/startup.h"
#include "model/datetime.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include <cstdio>
#include <string>

using namespace tw;

namespace {

class PrintingPrompter : public DecliningPrompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override {
        std::printf("box %s|%s\n", title.c_str(), text.c_str());
        std::fflush(stdout);
        return DecliningPrompter::ask(title, text, icon, buttons);
    }
};

// A program without windows: no dialog, no shapes, no timer.
class QuietHost : public StartupHost {
public:
    bool previousInstance() override { return false; }
    void resetCheckUnitBox() override {}
    void showEnvironmentDialog() override {}
    std::string dialogName() override { return {}; }
    std::string dialogPassword() override { return {}; }
    void loadShapes() override {}
    int32_t onTimer() override { return 0; }
    void setTimerInterval(int32_t) override {}
    void chkNetCom() override {}
    void openAllNotes() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: run_member <program folder> <computer name>\n");
        return 2;
    }
    PrintingPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.sys.programDir = argv[1];
    QuietHost host;
    MemberRunMark mark(argv[2]);
    const StartupResult r = runStartup(st, host, &mark);
    if (r != StartupResult::Running) return r == StartupResult::Ended ? 4 : 1;
    std::printf("running\n");
    std::fflush(stdout);
    for (int c; (c = std::getchar()) != EOF;) {
    }
    return 0;
}
