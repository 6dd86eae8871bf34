// The window modes of a note (lock, front or back, see-through, its back side), its text size, and
// the placement of the always-in-front and always-at-back windows.
#include "notes/qt/notemodes.h"

#include "notes/notetable.h"
#include "notes/qt/noteshapes.h"
#include "notes/qt/notewindowset.h"
#include "window/modes.h"
#include "window/qt/frmPass.h"
#include "window/qt/frmPinly.h"

#include <QPointer>

#include <utility>

namespace tw {

namespace {

NoteRecord* recordOfWindow(AppState& st, frmPinly* w) {
    const int i = NoteWindowSet::recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st.NoteTable.size()) return nullptr;
    return &st.NoteTable[static_cast<size_t>(i)];
}

}  // namespace

NoteModes::NoteModes(AppState& st, NoteWindowSet& windows, NoteShapes& shapes, PasswordPrompt askPassword)
    : st_(st), windows_(windows), shapes_(shapes), askPassword_(std::move(askPassword)) {}

void NoteModes::toggleLock(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    tw::toggleLock(*r);
    w->retakeMenuState();
}

void NoteModes::zOrder(frmPinly* w, int i) {
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

void NoteModes::toggleSeeThrough(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    const bool on = !r->has(kFlagTransparent);
    r->set(kFlagTransparent, on);
    w->setSeeThrough(on);
    w->retakeMenuState();
}

void NoteModes::flipNote(frmPinly* w) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r) return;
    if (w->isEditing()) w->endEditing(true);
    if (!r->has(kFlagReversed)) {
        if (!flipToBack(st_, *r)) return;
        w->setCaption(kBackSideCaption);
    } else {
        st_.passwordAccepted = false;
        QPointer<frmPinly> window(w);
        if (askPassword_) {
            askPassword_(st_);
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

void NoteModes::setTextSize(frmPinly* w, int i) {
    NoteRecord* r = recordOfWindow(st_, w);
    if (!r || i < 0 || i > 2) return;
    r->TextSize = static_cast<int16_t>(i);
    w->setLabelFont(presetFor(st_, r->TextSize));
    if (r->has(kFlagAutoSize)) shapes_.autoSize(*w);
    shapes_.applyShape(*w);
    w->retakeMenuState();
}

void NoteModes::sendToBack(frmPinly* w) {
    if (w) w->lower();
    for (frmPinly* f : windows_.windows()) {
        const int i = NoteWindowSet::recordOf(f);
        if (i >= 0 && static_cast<size_t>(i) < st_.NoteTable.size() &&
            st_.NoteTable[static_cast<size_t>(i)].has(kFlagAlwaysFront) && f->isVisible())
            placeTopmost(f, true);
    }
}

void NoteModes::placeTopmost(frmPinly* w, bool on) {
    if (!w) return;
    // Changing a window's flags takes it off the screen; the placement always shows it again.
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on) w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    w->show();
    if (on) w->raise();
}

}  // namespace tw
