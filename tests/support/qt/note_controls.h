// The controls of a note window (frmPinly), found by their names: the hidden number label lblID, the
// text label lbl, and the picture img and the edit box rch, which exist only while they are needed
// (ask hasControl<NoteLabel>(w, "img") or hasControl<NoteEdit>(w, "rch") whether they do).
#pragma once

#include "support/qt/controls.h"
#include "window/qt/frmPinly.h"

namespace tw::test {

inline QLabel* lblID(const frmPinly& w) { return control<QLabel>(w, "lblID"); }
inline NoteLabel* lbl(const frmPinly& w) { return control<NoteLabel>(w, "lbl"); }
inline NoteLabel* img(const frmPinly& w) { return control<NoteLabel>(w, "img"); }
inline NoteEdit* rch(const frmPinly& w) { return control<NoteEdit>(w, "rch"); }

}  // namespace tw::test
