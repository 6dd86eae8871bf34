// The alignment commands of the note windows: a column or row against one note, the whole desktop in
// columns. The records are lined up by the core, then every open window of a moved note follows its
// record.
#pragma once

#include "model/state.h"
#include "window/qt/notehost.h"

namespace tw {

class frmPinly;
class NoteShapes;
class NoteWindowSet;

class NoteAlignment final : public NoteAlignHost {
public:
    NoteAlignment(AppState& st, NoteWindowSet& windows, NoteShapes& shapes)
        : st_(st), windows_(windows), shapes_(shapes) {}
    NoteAlignment(const NoteAlignment&) = delete;
    NoteAlignment& operator=(const NoteAlignment&) = delete;

    void alignNotes(frmPinly* w, int k) override;
    void alignAllNotes(frmPinly* w, int k) override;

private:
    // The window of record i takes the record's place and size.
    void followRecord(int i);

    AppState& st_;
    NoteWindowSet& windows_;
    NoteShapes& shapes_;
};

}  // namespace tw
