// The note windows of the running program, the note commands that work on them and the collaborators
// they are made with.
#include "notes/qt/notewindows.h"

#include "notes/programhooks.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "notes/qt/receptiontimer.h"
#include "platform/prompter.h"
#include "questionnaire/qt/answeroutput.h"
#include "window/qt/frmPinly.h"
#include "window/qt/notemenu.h"

#include <QMenu>

#include <exception>
#include <utility>

namespace tw {

namespace {

void reportFailure(AppState& st, const std::exception& e) {
    st.sys.prompter->ask("エラー", e.what(), Icon::Warning, Buttons::Ok);
}

}  // namespace

NoteWindows::NoteWindows(AppState& st, ProgramHooks& hooks, NoteWindowServices services, QObject* parent)
    : QObject(parent),
      st_(st),
      hooks_(hooks),
      reception_(services.receptionTimer),
      ownAnswers_(services.answerOutput ? nullptr : std::make_unique<QtAnswerOutput>()),
      shapes_(st),
      modes_(st, set_, shapes_, std::move(services.askPassword)),
      travel_(st, set_, shapes_, services.settingsDialog, services.receptionTimer,
              services.answerOutput ? *services.answerOutput : *ownAnswers_),
      links_(st, set_, services.shell, services.blinkHalfPeriodMs),
      alignment_(st, set_, shapes_),
      check_(st, set_, *this, shapes_, links_),
      menuPopup_(std::move(services.menuPopup)) {}

NoteWindows::~NoteWindows() {
    const std::vector<frmPinly*> all = set_.windows();
    set_.clear();
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

    auto* w = new frmPinly(st_, *this, *this, *this);
    set_.add(*w);
    w->setTwipsGeometry(plan.geometry);
    set_.bind(*w, index);
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
    if (plan.topmost) modes_.placeTopmost(w, true);
    return w;
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
    if (set_.ended()) return;
    set_.setEnded();
    // A text still being edited belongs to the note that is written now.
    for (frmPinly* w : set_.windows())
        if (w->isEditing()) w->endEditing(true);
    if (reception_) reception_->offTimer();
    const EndResult r = writeFilesAtEnd(st_);
    hooks_.endProgram(r == EndResult::Written ? 0 : 1);
}

void NoteWindows::closeAll() {
    const std::vector<frmPinly*> all = set_.windows();
    for (frmPinly* w : all) w->unload();
    set_.clear();
}

void NoteWindows::toggleOutOfPeriod() {
    if (st_.ShowOutOfPeriod) {
        const std::vector<frmPinly*> all = set_.windows();
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

NoteMenu& NoteWindows::menu() {
    if (!menu_) menu_ = std::make_unique<NoteMenu>(NoteMenuHosts{st_, *this, travel_, modes_, shapes_, links_, alignment_});
    return *menu_;
}

void NoteWindows::popupMenu(frmPinly& w, const QPoint& globalPos) {
    NoteMenu& m = menu();
    m.takeStateOf(w);
    if (menuPopup_)
        menuPopup_(w, *m.mnu1, globalPos);
    else
        m.exec(globalPos);
}

}  // namespace tw
