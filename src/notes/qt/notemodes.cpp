// The window modes of a note (lock, front or back, see-through, its back side) and its text size.
#include "notes/qt/notewindows.h"

#include "notes/notetable.h"
#include "window/modes.h"
#include "window/qt/frmPass.h"
#include "window/qt/frmPinly.h"

#include <QPointer>

namespace tw {

namespace {

NoteRecord* recordOfWindow(AppState& st, frmPinly* w) {
    const int i = NoteWindows::recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st.NoteTable.size()) return nullptr;
    return &st.NoteTable[static_cast<size_t>(i)];
}

}  // namespace

void NoteWindows::toggleLock(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    tw::toggleLock(*r);
    w->retakeMenuState();
}

void NoteWindows::zOrder(frmPinly* w, int i) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    switch (zOrderCommand(*r, i)) {
    case ZOrderMove::None: break;
    case ZOrderMove::RaiseFront: sendToBack(nullptr); break;
    case ZOrderMove::DropThenRaiseFront:
        placeTopmost(w, false);
        sendToBack(nullptr);
        break;
    case ZOrderMove::DropToBack:
        placeTopmost(w, false);
        sendToBack(w);
        break;
    }
    w->retakeMenuState();
}

void NoteWindows::toggleSeeThrough(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    const bool on = !r->has(kFlagTransparent);
    r->set(kFlagTransparent, on);
    w->setSeeThrough(on);
    w->retakeMenuState();
}

void NoteWindows::flipNote(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    if (w->isEditing()) w->endEditing(true);
    if (!r->has(kFlagReversed)) {
        if (!flipToBack(st_, *r)) return;
        w->setCaption(kBackSideCaption);
    } else {
        st_.passwordAccepted = false;
        QPointer<frmPinly> window(w);
        if (askPassword) {
            askPassword(st_);
        } else {
            frmPass dialog(st_);
            dialog.exec();
        }
        if (!st_.passwordAccepted || !window) return;
        r = recordOfWindow(st_, w);
        if (!r) return;
        r->set(kFlagReversed, false);
        w->setCaption(r->Text);
    }
    w->retakeMenuState();
}

void NoteWindows::setTextSize(frmPinly* w, int i) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r || i < 0 || i > 2) return;
    r->TextSize = static_cast<int16_t>(i);
    w->setLabelFont(presetFor(st_, r->TextSize));
    if (r->has(kFlagAutoSize)) autoSize(*w);
    applyShape(*w);
    w->retakeMenuState();
}

}  // namespace tw
