// The alignment commands of the context menu: the notes that overlap a reference note's span are
// lined up below it in one column or to its right in one row, and the whole desktop can be laid out
// in columns from the reference leftwards. Locked and peeled notes stay where they are; notes without
// a window (out of their period) take part, only their records change. Positions are worked out in
// wide integers and corrected against the screen before they are stored as 16-bit twips.
#pragma once

#include "model/records.h"
#include "window/autosize.h"

#include <functional>
#include <optional>
#include <vector>

namespace tw {

// Gap between neighbouring notes, in twips.
constexpr int kAlignGap = 20;

enum AlignKind : int {
    kAlignLeft = 0,         // column, left edges as the reference's
    kAlignRight = 1,        // column, right edges as the reference's
    kAlignTop = 2,          // row, top edges as the reference's
    kAlignBottom = 3,       // row, bottom edges as the reference's
    kAlignLeftWidth = 4,    // column, left edges and widths as the reference's
    kAlignRightFit = 5,     // column, right edges as the reference's, every note sized to its text
};

// The window size a note's text needs (record index in, twips out), for the column that sizes its
// notes to their text; nothing keeps the note's size (no window to measure, a text beyond the screen).
using TextFit = std::function<std::optional<TwipsSize>(int index)>;

struct AlignArea {
    int width = 0, height = 0;   // the screen in twips
};

// Whether a note takes part in an alignment: neither locked nor peeled.
bool takesPartInAlignment(const NoteRecord& r);

// One column or row against note `ref`. Returns the indices of the notes whose records were changed,
// in the order they were placed. `leftmost` is lowered to the smallest left edge placed. The column
// sized to the text takes the notes under the reference as it was, gives the reference its fitted size
// (keeping its right edge and top; it is then listed first) and each note its own, and lines them up
// as `kAlignRight` does.
std::vector<int> alignAgainst(std::vector<NoteRecord>& notes, int kind, int ref, const AlignArea& area,
                              long long& leftmost, const TextFit& fit = {});
inline std::vector<int> alignAgainst(std::vector<NoteRecord>& notes, int kind, int ref, const AlignArea& area,
                                     const TextFit& fit = {}) {
    long long leftmost = 0;
    return alignAgainst(notes, kind, ref, area, leftmost, fit);
}

// The whole desktop in columns: entry 0 right edges aligned, entry 1 left edges and widths. The first
// column hangs below `ref`; each next column is headed by the unplaced note nearest to the last head
// (within a screen width), put at the reference's top, one gap left of everything placed so far.
// Returns the indices of the changed records (a note moved twice is listed twice).
std::vector<int> alignWholeDesktop(std::vector<NoteRecord>& notes, int entry, int ref, const AlignArea& area);

}  // namespace tw
