// The note windows of the running program and the note commands that work on them.
#include "notes/qt/notewindows.h"

#include "notes/programhooks.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "platform/prompter.h"
#include "window/qt/frmPinly.h"
#include "window/qt/notemenu.h"

#include <QMenu>

#include <algorithm>
#include <exception>

namespace tw {

namespace {

void reportFailure(AppState& st, const std::exception& e) {
    st.sys.prompter->ask("エラー", e.what(), Icon::Warning, Buttons::Ok);
}

}  // namespace

NoteWindows::NoteWindows(AppState& st, ProgramHooks& hooks, QObject* parent)
    : QObject(parent), st_(st), hooks_(hooks) {}

NoteWindows::~NoteWindows() {
    std::vector<frmPinly*> all;
    all.swap(windows_);
    byRecord_.clear();
    for (frmPinly* w : all) delete w;
}

void NoteWindows::openAllNotes() {
    try {
        const OpenAllPlan plan = planOpenAll(st_);
        if (plan.createFirst) {
            createNote(-1, plan.firstTop, plan.firstLeft);
            return;
        }
        for (int i : plan.open) openNoteWindow(i);
    } catch (const std::exception& e) {
        reportFailure(st_, e);
    }
}

int NoteWindows::createNote(int source, int top, int left) {
    try {
        const int n = appendNote(st_, source, top, left);
        openNoteWindow(n);
        return n;
    } catch (const std::exception& e) {
        reportFailure(st_, e);
        return -1;
    }
}

frmPinly* NoteWindows::openNoteWindow(int index) {
    if (index < 0 || static_cast<size_t>(index) >= st_.NoteTable.size()) return nullptr;
    if (st_.NoteTable[static_cast<size_t>(index)].IsPeeled) return nullptr;
    // A record has at most one window.
    if (frmPinly* existing = windowOf(index)) return existing;

    const NoteWindowPlan plan = prepareNoteWindow(st_, index);
    if (!plan.create) return nullptr;

    auto* w = new frmPinly(*this);
    windows_.push_back(w);
    w->setTwipsGeometry(plan.geometry);
    bind(*w, index);
    w->setCaption(plan.caption);
    w->setLabelFont(presetFor(st_, plan.textSize));
    w->setColours(plan.backColour, plan.textColour);
    // What every note window does when it is loaded: the layout after editing, the opaque frame.
    w->endEditing(false);
    applyShape(*w);
    w->applyFrameStyle(false);
    w->setLineSended(plan.lineSended);
    w->setLineOutRange(plan.lineOutRange);
    refreshBackground(*w);
    // A see-through note is restored as it was left.
    if (st_.NoteTable[static_cast<size_t>(index)].has(kFlagTransparent)) w->setSeeThrough(true);
    if (!plan.show) return w;   // everybody has received it and it was to go: hidden for good
    w->show();
    if (plan.topmost) placeTopmost(w, true);
    return w;
}

void NoteWindows::bind(frmPinly& w, int index) {
    if (static_cast<size_t>(index) >= byRecord_.size()) byRecord_.resize(static_cast<size_t>(index) + 1, nullptr);
    byRecord_[static_cast<size_t>(index)] = &w;
    w.bind(index);
}

frmPinly* NoteWindows::windowOf(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= byRecord_.size()) return nullptr;
    return byRecord_[static_cast<size_t>(index)];
}

int NoteWindows::recordOf(const frmPinly* w) { return w ? w->record() : -1; }

std::vector<frmPinly*> NoteWindows::windows() const { return windows_; }

std::vector<int> NoteWindows::openNotes() const {
    std::vector<int> out;
    for (frmPinly* w : windows_) {
        const int i = recordOf(w);
        if (i >= 0) out.push_back(i);
    }
    return out;
}

void NoteWindows::newNote(frmPinly* w) {
    if (!w) return;
    const TopLeft at = newNotePosition(w->twipsGeometry());
    createNote(-1, at.top, at.left);
}

void NoteWindows::duplicateNote(frmPinly* w) {
    const int i = recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const TopLeft at = newNotePosition(w->twipsGeometry());
    createNote(i, at.top, at.left);
}

void NoteWindows::peelNote(frmPinly* w) {
    const int i = recordOf(w);
    if (i < 0) return;
    if (w->isEditing()) w->endEditing(true);
    switch (tw::peelNote(st_, i, openNotes())) {
    case PeelResult::Peeled: w->hide(); break;
    case PeelResult::PeeledLast: endOfProgram(); break;
    case PeelResult::Cancelled:
    case PeelResult::Refused: break;
    }
}

void NoteWindows::undoPeel(int slot) {
    const int index = undoIndex(st_, slot);
    frmPinly* w = windowOf(index);
    if (!w || w->isVisible()) return;
    w->show();
    if (static_cast<size_t>(index) < st_.NoteTable.size()) st_.NoteTable[static_cast<size_t>(index)].IsPeeled = false;
    removeUndo(st_, slot);
}

void NoteWindows::exitProgram() {
    st_.exiting = true;
    endOfProgram();
}

void NoteWindows::endOfProgram() {
    if (ended_) return;
    ended_ = true;
    // A text still being edited belongs to the note that is written now.
    for (frmPinly* w : windows_)
        if (w->isEditing()) w->endEditing(true);
    if (reception_) reception_->offTimer();
    const EndResult r = writeFilesAtEnd(st_);
    hooks_.endProgram(r == EndResult::Written ? 0 : 1);
}

void NoteWindows::closeAll() {
    std::vector<frmPinly*> all = windows_;
    for (frmPinly* w : all) w->unload();
    windows_.clear();
    byRecord_.clear();
}

void NoteWindows::toggleOutOfPeriod() {
    if (st_.ShowOutOfPeriod) {
        std::vector<frmPinly*> all = windows_;
        for (frmPinly* w : all)
            if (NotStarted(st_, recordOf(w))) w->unload();
        st_.ShowOutOfPeriod = false;
    } else {
        for (size_t i = 0; i < st_.NoteTable.size(); ++i) {
            const int index = static_cast<int>(i);
            if (!NotStarted(st_, index)) continue;
            if (frmPinly* w = windowOf(index)) {
                if (st_.NoteTable[i].IsPeeled) continue;   // a peeled note stays in its undo slot
                w->setLineOutRange(true);
                w->show();
            } else {
                openNoteWindow(index);
            }
        }
        st_.ShowOutOfPeriod = true;
    }
}

void NoteWindows::showAbout() {
    st_.sys.prompter->ask(kAboutTitle, aboutText(), Icon::Information, Buttons::Ok);
}

bool NoteWindows::environmentDialogAvailable() const { return hooks_.environmentDialogAvailable(); }

void NoteWindows::showEnvironmentDialog() { hooks_.showEnvironmentDialog(); }

void NoteWindows::sendToBack(frmPinly* w) {
    if (w) w->lower();
    for (frmPinly* f : windows_) {
        const int i = recordOf(f);
        if (i >= 0 && static_cast<size_t>(i) < st_.NoteTable.size() &&
            st_.NoteTable[static_cast<size_t>(i)].has(kFlagAlwaysFront) && f->isVisible())
            placeTopmost(f, true);
    }
}

void NoteWindows::placeTopmost(frmPinly* w, bool on) {
    if (!w) return;
    // Changing a window's flags takes it off the screen; the placement always shows it again.
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != on) w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    w->show();
    if (on) w->raise();
}

NoteMenu& NoteWindows::menu() {
    if (!menu_) menu_ = std::make_unique<NoteMenu>(*this);
    return *menu_;
}

void NoteWindows::popupMenu(frmPinly& w, const QPoint& globalPos) {
    NoteMenu& m = menu();
    m.takeStateOf(w);
    if (menuPopup)
        menuPopup(w, *m.mnu1, globalPos);
    else
        m.exec(globalPos);
}

void NoteWindows::forget(frmPinly* w) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
    const int i = recordOf(w);
    if (i >= 0 && static_cast<size_t>(i) < byRecord_.size() && byRecord_[static_cast<size_t>(i)] == w)
        byRecord_[static_cast<size_t>(i)] = nullptr;
}

}  // namespace tw
