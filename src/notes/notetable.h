// The note table: appending records, the place of a new note, periods and colour classes, and what a
// note window shows when it is opened. No window is involved here; the note windows ask these
// routines and apply the answers.
#pragma once

#include "model/state.h"
#include "window/geometry.h"

#include <string>
#include <vector>

namespace tw {

// A note window as designed: one line of text.
constexpr int kDefaultNoteWidth = 2145;
constexpr int kDefaultNoteHeight = 450;

// The caption a turned-over note shows instead of its text.
inline const std::string kBackSideCaption = "裏側";

// Appends a record and returns its index: source -1 makes a new note, an index duplicates that note
// (size, text, shape, background, text size, flags and period; never the send or receive state).
// The note's top-left corner is (top, left), moved up or left when the note would leave the screen
// at the bottom or right. Throws std::length_error when the table is full and std::out_of_range
// for a source that is not in the table.
int appendNote(AppState& st, int source, int top, int left);

// Where New and Duplicate put the new note: the middle of the window they were called on, rounded
// to the nearest twip, halves to even.
struct TopLeft {
    int top = 0, left = 0;
    bool operator==(const TopLeft&) const = default;
};
TopLeft newNotePosition(const TwipsRect& window);

// The period of the note lies wholly in the future (its start is strictly after now).
bool NotStarted(const AppState& st, int index);
// 0 normal, 1 caution, 2 warning, 3 received, 4 sent.
int ColourClass(const AppState& st, int index);
// A note that has not started is kept out of sight unless out-of-period notes are being shown.
bool hiddenByPeriod(const AppState& st, int index);

// Text sizes above 2 are point sizes of an older version: 9 becomes small, 12 medium, 16 large and
// anything else small, and the three presets then get the sizes 9, 12 and 16. A negative size
// (damaged data) becomes small. Returns the preset index 0..2 now stored in the record.
int16_t normaliseTextSize(AppState& st, int index);

// Start-up: either the first note of an empty table, or the indices whose windows open.
struct OpenAllPlan {
    bool createFirst = false;
    int firstTop = 0, firstLeft = 0;   // the top right corner of the screen
    std::vector<int> open;
};
OpenAllPlan planOpenAll(const AppState& st);

// What the window of one record looks like when it is opened. Preparing it also brings the record
// in line: NoteId = index, the text size made a preset index, a sent note whose receivers all have
// it and that removes itself afterwards marked peeled.
struct NoteWindowPlan {
    bool create = false;       // false: the note is peeled, no window
    bool show = false;         // false: the window is made but stays hidden
    TwipsRect geometry;
    std::string lblId;         // index + 1
    std::string caption;       // text, or the back-side caption
    int16_t textSize = 0;
    bool lineSended = false;
    bool lineOutRange = false;
    uint32_t backColour = 0;
    uint32_t textColour = 0;
    bool topmost = false;
};
NoteWindowPlan prepareNoteWindow(AppState& st, int index);

// The font preset of a record's text size, or none when that preset has no font name.
const FontPreset* presetFor(const AppState& st, int16_t textSize);

}  // namespace tw
