// Adds one more member to a shared folder prepared by member_folder, and makes a program folder
// this member's computer, for the real runs of the program with several members.
//
//   add_member <program folder> <shared folder> <member number> <name> <check unit> <check interval>
//              <note text> <top> <left> <width> <height>
//       GRPINLY.CFG gets the member (unless its number is listed already); ID<number>.FCG the design
//       settings with the name, the number and the reception check every <check interval> units
//       (unit 0 minutes, 1 hours, 2 seconds); ID<number>.FDT one note of the member's own (text in
//       UTF-8, "\n" in it a line break; position and size in twips); REG.CFG in the program folder
//       names the shared folder and the member. Exit code 0 when every file was written.
#include "app/groval.h"
#include "model/datetime.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include <algorithm>
#include "tools/tool_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;
using namespace tw::tools;

namespace {

}  // namespace

int main(int argc, char** argv) {
    if (argc != 12) {
        std::fprintf(stderr, "usage: add_member <program folder> <shared folder> <member number> <name> <check unit> "
                             "<check interval> <note text> <top> <left> <width> <height>\n");
        return 2;
    }
    PrintingDecliningPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.sys.retrySeconds = 5;
    st.sys.programDir = argv[1];
    st.SharedPath = argv[2];
    st.CurrentMemberId = number(argv[3]);
    const std::string name = argv[4];

    if (!AccessSharedFile(st, kModeRead, kKindShared)) return 1;
    if (st.NewSharedFile) {
        std::fprintf(stderr, "add_member: the shared folder has no member list yet (member_folder makes it)\n");
        return 1;
    }
    if (std::none_of(st.members.begin(), st.members.end(),
                     [&](const UserEntry& u) { return u.MemberId == st.CurrentMemberId; })) {
        UserEntry me;
        me.MemberName = name;
        me.MemberId = st.CurrentMemberId;
        st.members.push_back(me);
        if (!AccessSharedFile(st, kModeWrite, kKindShared)) return 1;
    }

    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = name;
    st.localConfig.MemberId = st.CurrentMemberId;
    st.localConfig.CheckUnit = number(argv[5]);
    st.localConfig.CheckInterval = number(argv[6]);
    NoteRecord n;
    n.CreatedAt = clock.now();
    n.Text = unescape(argv[7]);
    n.Top = number(argv[8]);
    n.Left = number(argv[9]);
    n.Width = number(argv[10]);
    n.Height = number(argv[11]);
    st.NoteTable = {n};
    if (!AccessSharedFile(st, kModeWrite, kKindLocal) || !AccessSharedFile(st, kModeWrite, kKindNotes)) return 1;
    return WriteWorkstation(st) ? 0 : 1;
}
