// The alignment commands on hand-computed layouts: one column or row against a reference note, and
// the whole desktop in columns. The screen is 15360 x 11520 twips.
#include "window/alignment.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace tw;

namespace {

const AlignArea kScreen{15360, 11520};

struct Box {
    int left, top, width, height;
    uint16_t flags = 0;
    bool peeled = false;
};

std::vector<NoteRecord> notesOf(const std::vector<Box>& boxes) {
    std::vector<NoteRecord> v;
    for (const Box& b : boxes) {
        NoteRecord r;
        r.NoteId = static_cast<int16_t>(v.size());
        r.Left = static_cast<int16_t>(b.left);
        r.Top = static_cast<int16_t>(b.top);
        r.Width = static_cast<int16_t>(b.width);
        r.Height = static_cast<int16_t>(b.height);
        r.Flags = b.flags;
        r.IsPeeled = b.peeled;
        v.push_back(r);
    }
    return v;
}

std::vector<Box> boxesOf(const std::vector<NoteRecord>& notes) {
    std::vector<Box> v;
    for (const NoteRecord& r : notes) v.push_back({r.Left, r.Top, r.Width, r.Height, r.Flags, r.IsPeeled});
    return v;
}

void expectLayout(const std::vector<NoteRecord>& got, const std::vector<Box>& want, const char* name) {
    const std::vector<Box> g = boxesOf(got);
    ASSERT_EQ(g.size(), want.size()) << name;
    for (size_t i = 0; i < g.size(); ++i) {
        EXPECT_EQ(g[i].left, want[i].left) << name << " note " << i;
        EXPECT_EQ(g[i].top, want[i].top) << name << " note " << i;
        EXPECT_EQ(g[i].width, want[i].width) << name << " note " << i;
        EXPECT_EQ(g[i].height, want[i].height) << name << " note " << i;
    }
}

struct AlignCase {
    const char* name;
    int kind;
    std::vector<Box> before;   // note 0 is the reference
    std::vector<Box> after;
    std::vector<int> moved;    // in the order placed
    std::map<int, TwipsSize> fits = {};   // what the notes' texts need; a note not listed has no window
};

const std::vector<AlignCase> kCases = {
    // Three notes in the reference's horizontal span, at tops 5000, 1000 and 3000: below it in the
    // order 1000, 3000, 5000. Note 3 touches the span at its right edge and takes part; the locked,
    // the peeled and the note beside the span stay.
    {"left",
     kAlignLeft,
     {{1000, 0, 2000, 500}, {1500, 5000, 1000, 400}, {2900, 1000, 800, 300}, {0, 3000, 1000, 600},
      {1200, 2000, 900, 900, kFlagLocked}, {1300, 7000, 900, 900, 0, true}, {3100, 100, 500, 500}},
     {{1000, 0, 2000, 500}, {1000, 1460, 1000, 400}, {1000, 520, 800, 300}, {1000, 840, 1000, 600},
      {1200, 2000, 900, 900}, {1300, 7000, 900, 900}, {3100, 100, 500, 500}},
     {2, 3, 1}},
    // A note wider than the reference goes left of it; a negative left edge becomes 0.
    {"right",
     kAlignRight,
     {{5000, 0, 1000, 500}, {5500, 100, 3000, 400}, {4000, 200, 7000, 400}},
     {{5000, 0, 1000, 500}, {3000, 520, 3000, 400}, {0, 940, 7000, 400}},
     {1, 2}},
    // Past the bottom of the screen the last note is pushed up to the bottom edge.
    {"column past the bottom",
     kAlignLeft,
     {{1000, 10000, 1000, 1000}, {1000, 0, 1000, 400}, {1200, 100, 1000, 400}},
     {{1000, 10000, 1000, 1000}, {1000, 11020, 1000, 400}, {1000, 11120, 1000, 400}},
     {1, 2}},
    // Widths become the reference's, heights stay.
    {"left with the width",
     kAlignLeftWidth,
     {{1000, 0, 2000, 500}, {2500, 900, 3000, 700}, {500, 600, 600, 200}},
     {{1000, 0, 2000, 500}, {1000, 740, 2000, 700}, {1000, 520, 2000, 200}},
     {2, 1}},
    // Rows grow rightwards from the reference's right edge, in the order of the left edges.
    {"top",
     kAlignTop,
     {{1000, 1000, 1000, 1000}, {6000, 1500, 500, 300}, {0, 500, 700, 600}, {3000, 3000, 500, 500}},
     {{1000, 1000, 1000, 1000}, {2740, 1000, 500, 300}, {2020, 1000, 700, 600}, {3000, 3000, 500, 500}},
     {2, 1}},
    {"bottom",
     kAlignBottom,
     {{1000, 1000, 1000, 1000}, {6000, 1500, 500, 300}, {0, 500, 700, 600}},
     {{1000, 1000, 1000, 1000}, {2740, 1700, 500, 300}, {2020, 1400, 700, 600}},
     {2, 1}},
    // Sized to the text: the reference keeps its right edge and top, the column hangs below its new
    // bottom with right edges aligned; a note without a window keeps its size.
    {"right, sized to the text",
     kAlignRightFit,
     {{5000, 1000, 1000, 500}, {4500, 5000, 500, 300}, {5500, 100, 3000, 400}, {100, 200, 600, 400}},
     {{4000, 1000, 2000, 800}, {5500, 2440, 500, 300}, {4800, 1820, 1200, 600}, {100, 200, 600, 400}},
     {0, 2, 1},
     {{0, {2000, 800}}, {2, {1200, 600}}, {3, {9000, 9000}}}},
};

TEST(Alignment, ColumnsAndRowsAgainstTheReference) {
    for (const AlignCase& c : kCases) {
        std::vector<NoteRecord> notes = notesOf(c.before);
        long long leftmost = notes[0].Left;
        const TextFit fit = [&](int i) -> std::optional<TwipsSize> {
            const auto f = c.fits.find(i);
            return f == c.fits.end() ? std::nullopt : std::optional<TwipsSize>(f->second);
        };
        const std::vector<int> moved = alignAgainst(notes, c.kind, 0, kScreen, leftmost, fit);
        EXPECT_EQ(moved, c.moved) << c.name;
        expectLayout(notes, c.after, c.name);
    }
}

TEST(Alignment, LeftmostEdgeFollowsThePlacedNotes) {
    std::vector<NoteRecord> notes = notesOf({{5000, 0, 1000, 500}, {5500, 100, 3000, 400}});
    long long leftmost = 5000;
    alignAgainst(notes, kAlignRight, 0, kScreen, leftmost);
    EXPECT_EQ(leftmost, 3000);
}

struct DesktopCase {
    const char* name;
    int entry;
    std::vector<Box> before;   // note 0 is the reference
    std::vector<Box> after;
};

const std::vector<DesktopCase> kDesktop = {
    // Note 3 hangs below the reference. Notes 1 and 2 are equally far (2000 twips) from the head's
    // top-left corner: note 1, first in the table, heads the next column, note 2 the one after. Every
    // head takes the reference's top; the locked note stays.
    {"ties go to the table order",
     0,
     {{10000, 1000, 1000, 500}, {7000, 1000, 1000, 500}, {7800, 2600, 1000, 500}, {10500, 5000, 1000, 300},
      {9000, 9000, 500, 500, kFlagLocked}},
     {{10000, 1000, 1000, 500}, {8980, 1000, 1000, 500}, {7960, 1000, 1000, 500}, {10000, 1520, 1000, 300},
      {9000, 9000, 500, 500}}},
    // Entry 1 aligns the left edges and widths of each column.
    {"left edges and widths",
     1,
     {{10000, 1000, 1000, 500}, {10500, 3000, 2000, 400}, {6000, 1200, 600, 300}},
     {{10000, 1000, 1000, 500}, {10000, 1520, 1000, 400}, {9380, 1000, 600, 300}}},
    // Nothing but locked notes beside the reference: nothing moves.
    {"every other note locked",
     0,
     {{10000, 1000, 1000, 500}, {10200, 3000, 1000, 500, kFlagLocked}, {5000, 1000, 500, 500, kFlagLocked}},
     {{10000, 1000, 1000, 500}, {10200, 3000, 1000, 500}, {5000, 1000, 500, 500}}},
    // A note farther than a screen width from the head does not head a column.
    {"too far away",
     0,
     {{15000, 0, 300, 500}, {-1000, 11000, 300, 500}},
     {{15000, 0, 300, 500}, {-1000, 11000, 300, 500}}},
};

TEST(Alignment, WholeDesktopInColumns) {
    for (const DesktopCase& c : kDesktop) {
        std::vector<NoteRecord> notes = notesOf(c.before);
        alignWholeDesktop(notes, c.entry, 0, kScreen);
        expectLayout(notes, c.after, c.name);
    }
}

TEST(Alignment, LockedAndPeeledNotesNeverTakePart) {
    const std::vector<std::pair<Box, bool>> table = {
        {{0, 0, 100, 100}, true}, {{0, 0, 100, 100, kFlagLocked}, false}, {{0, 0, 100, 100, 0, true}, false},
        {{0, 0, 100, 100, kFlagAutoSize | kFlagAlwaysFront}, true}};
    for (const auto& [box, takesPart] : table) EXPECT_EQ(takesPartInAlignment(notesOf({box})[0]), takesPart);
}

}  // namespace
