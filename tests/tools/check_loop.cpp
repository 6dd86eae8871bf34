// A member's program without windows that does nothing but its network checks, for the tests that
// kill it at random moments.
//
//   check_loop <shared folder> <member> <checks>
//       Reads the member list, the member's settings and notes as the start-up does, then runs the
//       network check <checks> times one after the other (0: until the process is killed), with the
//       program's automatic save of the changed files every 2 s between them. Boxes are printed and
//       declined. Exit code 0 after the checks, 1 when the member's files cannot be read.
#include "app/groval.h"
#include "messaging/reception.h"
#include "model/datetime.h"
#include "notes/autosave.h"
#include "platform/clock.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include "tools/tool_support.h"

#include <cstdio>
#include <cstdlib>

using namespace tw;
using namespace tw::tools;

namespace {

// Received notes get no window here; an answer sheet is never shown, so its send waits.
class NoWindows : public ReceptionHost {
public:
    void openNoteWindow(int) override {}
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: check_loop <shared folder> <member> <checks>\n");
        return 2;
    }
    PrintingDecliningPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.SharedPath = argv[1];
    st.CurrentMemberId = number(argv[2]);
    if (!AccessSharedFile(st, kModeRead, kKindShared) || !AccessSharedFile(st, kModeRead, kKindLocal) ||
        !AccessSharedFile(st, kModeRead, kKindNotes))
        return 1;
    AutoSave autoSave;
    autoSave.remember(st);
    NoWindows host;
    const long checks = std::atol(argv[3]);
    double saved = monotonicSeconds();
    for (long i = 0; checks == 0 || i < checks; ++i) {
        st.LastCheckTime = clock.now();
        networkCheck(st, host);
        if (monotonicSeconds() - saved >= 2) {
            autoSave.saveChanges(st);
            saved = monotonicSeconds();
        }
    }
    return 0;
}
