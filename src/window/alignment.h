// The alignment commands of the context menu: the notes that overlap a reference note's span are
// lined up below it in one column or to its right in one row, and the whole desktop can be laid out
// in columns from the reference leftwards. Locked and peeled notes stay where they are; notes without
// a window (out of their period) take part, only their records change. Positions are worked out in
// wide integers and corrected against the screen before they are stored as 16-bit twips.
#pragma once

#include "model/records.h"

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
    kAlignRightKeep = 5,    // the notes of a column are only kept on the screen, not moved into it
};

struct AlignArea {
    int width = 0, height = 0;   // the screen in twips
};

// Whether a note takes part in an alignment: neither locked nor peeled.
bool takesPartInAlignment(const NoteRecord& r);

// One column or row against note `ref`. Returns the indices of the notes whose records were changed,
// in the order they were placed. `leftmost` is lowered to the smallest left edge placed.
std::vector<int> alignAgainst(std::vector<NoteRecord>& notes, int kind, int ref, const AlignArea& area,
                              long long& leftmost);
inline std::vector<int> alignAgainst(std::vector<NoteRecord>& notes, int kind, int ref, const AlignArea& area) {
    long long leftmost = 0;
    return alignAgainst(notes, kind, ref, area, leftmost);
}

// The whole desktop in columns: entry 0 right edges aligned, entry 1 left edges and widths. The first
// column hangs below `ref`; each next column is headed by the unplaced note nearest to the last head
// (within a screen width), put at the reference's top, one gap left of everything placed so far.
// Returns the indices of the changed records (a note moved twice is listed twice).
std::vector<int> alignWholeDesktop(std::vector<NoteRecord>& notes, int entry, int ref, const AlignArea& area);

}  // namespace tw
