// Prepares the files of one member with many notes for the start-up benchmark (startup_bench.sh).
//
//   note_grid <program folder> <shared folder> <count> <columns> <width> <height>
//       REG.CFG in the program folder naming the shared folder and member 1; in the shared folder
//       GRPINLY.CFG with that one member "ベンチ", ID00001.FCG with the design settings and
//       ID00001.FDT with <count> notes of <width> x <height> twips, side by side in rows of
//       <columns> from the top left corner of the screen, each with a short two-line text.
//       Prints each note's rectangle in pixels at 15 twips per pixel (96 dpi), one line each:
//       "x y width height".
//
// The notes are written through the program's own codecs, so the files are those a running
// program would write.
#include "app/groval.h"
#include "model/datetime.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;

namespace {

constexpr int kTwipsPerPixel = 15;

int positive(const char* s) {
    const int v = std::atoi(s);
    return v > 0 ? v : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: note_grid <program folder> <shared folder> <count> <columns> <width> <height> "
                             "[plain|shapes]\n");
        return 2;
    }
    // "plain" and "shapes": notes without text, plain or taking the shapes 0 to 5 in turn (the arrow,
    // lower than it is wide, leaves the middle of a square note); the rectangles printed are then
    // the middle of each note, which each of these shapes covers.
    const std::string kind = argc == 8 ? argv[7] : "";
    const int count = positive(argv[3]), columns = positive(argv[4]);
    const int width = positive(argv[5]), height = positive(argv[6]);
    const int rows = columns > 0 ? (count + columns - 1) / columns : 0;
    if (count < 1 || columns < 1 || width < 1 || height < 1 || (columns - 1) * width > 32767 - width ||
        (rows - 1) * height > 32767 - height) {
        std::fprintf(stderr, "note_grid: the notes do not fit in 16-bit twip positions\n");
        return 2;
    }

    DecliningPrompter prompter;
    SystemClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st(Services{prompter, clock, screen, legacyStore});
    st.sys.programDir = argv[1];
    st.sys.retrySeconds = 5;
    st.SharedPath = argv[2];
    st.CurrentMemberId = 1;
    WriteWorkstation(st);

    const std::string name = "ベンチ";
    st.sharedConfig.VersionMajor = kVersionMajor;
    st.sharedConfig.VersionMinor = kVersionMinor;
    st.sharedConfig.VersionRevision = kVersionRevision;
    st.sharedConfig.CreatedOn = dateOnly(clock.now());
    st.sharedConfig.Signature = kProductName;
    UserEntry me;
    me.MemberName = name;
    me.MemberId = 1;
    st.members = {me};
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = name;
    st.localConfig.MemberId = 1;

    const double now = clock.now();
    for (int i = 0; i < count; ++i) {
        NoteRecord n;
        n.CreatedAt = now;
        n.NoteId = static_cast<int16_t>(i);
        if (kind.empty()) n.Text = "付箋 " + std::to_string(i + 1) + "\r\n会議資料を準備する";
        if (kind == "shapes") n.ShapeIndex = static_cast<int16_t>(i % 6);
        n.Top = static_cast<int16_t>((i / columns) * height);
        n.Left = static_cast<int16_t>((i % columns) * width);
        n.Width = static_cast<int16_t>(width);
        n.Height = static_cast<int16_t>(height);
        st.NoteTable.push_back(n);
    }
    if (!AccessSharedFile(st, kModeWrite, kKindShared) || !AccessSharedFile(st, kModeWrite, kKindLocal) ||
        !AccessSharedFile(st, kModeWrite, kKindNotes)) {
        std::fprintf(stderr, "note_grid: the files could not be written\n");
        return 1;
    }
    for (const NoteRecord& n : st.NoteTable) {
        const int x = n.Left / kTwipsPerPixel, y = n.Top / kTwipsPerPixel;
        const int w = n.Width / kTwipsPerPixel, h = n.Height / kTwipsPerPixel;
        if (kind.empty())
            std::printf("%d %d %d %d\n", x, y, w, h);
        else
            std::printf("%d %d %d %d\n", x + w * 3 / 8, y + h * 3 / 8, w / 4, h / 8);
    }
    return 0;
}
