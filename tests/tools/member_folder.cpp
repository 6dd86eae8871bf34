// Prepares and inspects the files of one member for the real runs of the program.
//
//   member_folder write <program folder> <shared folder> <name> <note text> <top> <left> <width> <height>
//       REG.CFG in the program folder naming the shared folder and member 1; in the shared folder
//       GRPINLY.CFG with that one member, ID00001.FCG with the design settings and ID00001.FDT with
//       one note (text given in UTF-8, "\n" in it becomes a line break; position and size in twips).
//   member_folder show <shared folder> <member number>
//       Prints the member's notes, one line each: index, top, left, width, height, peeled, text
//       (line breaks shown as "\n"). Exit code 1 when the files cannot be read.
//   member_folder period <shared folder> <member number>
//       Prints the period of each note, one line each: index, then "-" for none, or start and end
//       ("yyyy/mm/dd hh:mm") and "times" or "days" (whether the times are in use).
//   member_folder settings <shared folder> <member number>
//       Prints "textsize <n> autosize <n>" (the text size and auto-size of new notes in the member's
//       settings), then one line a note: index, "picture" and its picture file ("-" for none),
//       "reversed" and 1 or 0.
#include "model/datetime.h"
#include "app/groval.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include "tools/tool_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;
using namespace tw::tools;

namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    PrintingDecliningPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.sys.retrySeconds = 5;

    const std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "write" && argc == 10) {
        st.sys.programDir = argv[2];
        st.SharedPath = argv[3];
        st.CurrentMemberId = 1;
        WriteWorkstation(st);
        st.sharedConfig.VersionMajor = kVersionMajor;
        st.sharedConfig.VersionMinor = kVersionMinor;
        st.sharedConfig.VersionRevision = kVersionRevision;
        st.sharedConfig.CreatedOn = dateOnly(clock.now());
        st.sharedConfig.Signature = kProductName;
        UserEntry me;
        me.MemberName = argv[4];
        me.MemberId = 1;
        st.members = {me};
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = argv[4];
        st.localConfig.MemberId = 1;
        NoteRecord n;
        n.CreatedAt = clock.now();
        n.Text = unescape(argv[5]);
        n.Top = number(argv[6]);
        n.Left = number(argv[7]);
        n.Width = number(argv[8]);
        n.Height = number(argv[9]);
        st.NoteTable = {n};
        bool ok = AccessSharedFile(st, kModeWrite, kKindShared) && AccessSharedFile(st, kModeWrite, kKindLocal) &&
                  AccessSharedFile(st, kModeWrite, kKindNotes);
        return ok ? 0 : 1;
    }
    if (cmd == "show" && argc == 4) {
        st.SharedPath = argv[2];
        st.CurrentMemberId = number(argv[3]);
        if (!AccessSharedFile(st, kModeRead, kKindLocal) || !AccessSharedFile(st, kModeRead, kKindNotes)) return 1;
        for (size_t i = 0; i < st.NoteTable.size(); ++i) {
            const NoteRecord& n = st.NoteTable[i];
            std::printf("%zu %d %d %d %d %d %s\n", i, n.Top, n.Left, n.Width, n.Height, n.IsPeeled ? 1 : 0,
                        escape(n.Text).c_str());
        }
        return 0;
    }
    if (cmd == "period" && argc == 4) {
        st.SharedPath = argv[2];
        st.CurrentMemberId = number(argv[3]);
        if (!AccessSharedFile(st, kModeRead, kKindLocal) || !AccessSharedFile(st, kModeRead, kKindNotes)) return 1;
        for (size_t i = 0; i < st.NoteTable.size(); ++i) {
            const NoteRecord& n = st.NoteTable[i];
            if (!n.HasPeriod) {
                std::printf("%zu -\n", i);
                continue;
            }
            const auto moment = [](double t) { return formatDate(t, "yyyy/mm/dd") + " " + formatDate(t, "hh:mm"); };
            std::printf("%zu %s %s %s\n", i, moment(n.Period.StartAt).c_str(), moment(n.Period.EndAt).c_str(),
                        n.Period.UseTime ? "times" : "days");
        }
        return 0;
    }
    if (cmd == "settings" && argc == 4) {
        st.SharedPath = argv[2];
        st.CurrentMemberId = number(argv[3]);
        if (!AccessSharedFile(st, kModeRead, kKindLocal) || !AccessSharedFile(st, kModeRead, kKindNotes)) return 1;
        std::printf("textsize %d autosize %d\n", st.localConfig.DefaultTextSize, st.localConfig.AutoSizeDefault);
        for (size_t i = 0; i < st.NoteTable.size(); ++i) {
            const NoteRecord& n = st.NoteTable[i];
            std::printf("%zu picture %s reversed %d\n", i,
                        n.Background.PictureFile.empty() ? "-" : n.Background.PictureFile.c_str(),
                        n.has(kFlagReversed) ? 1 : 0);
        }
        return 0;
    }
    std::fprintf(stderr,
                 "usage: member_folder write <program folder> <shared folder> <name> <text> <top> <left> <width> "
                 "<height>\n       member_folder show <shared folder> <member number>\n"
                 "       member_folder period <shared folder> <member number>\n"
                 "       member_folder settings <shared folder> <member number>\n");
    return 2;
}
