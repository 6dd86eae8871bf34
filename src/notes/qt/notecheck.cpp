// What the network check asks of the note windows: windows for received notes, answer sheets for
// received questionnaires, the due alarm timers on each tick and the refresh after every check.
#include "notes/qt/notecheck.h"

#include "notes/notetable.h"
#include "notes/qt/notelinks.h"
#include "notes/qt/noteshapes.h"
#include "notes/qt/notewindowset.h"
#include "questionnaire/qt/fmSendOp.h"
#include "window/qt/frmPinly.h"

namespace tw {

void NoteCheck::openNoteWindow(int index) { opener_.openNoteWindow(index); }

// The sheet opens (once per send: a sheet still open is not opened again), and the send stays
// unreceived in the log until the sheet closes and writes the receipt with the answer. Were the
// receipt written now, the sender's next check could take the record out of the log before the
// answer reached it, and the answer would be lost.
bool NoteCheck::openAnswerSheet(const LogRecord& entry, const NoteRecord& note) {
    fmSendOp::openReceived(st_, entry, note);
    return false;
}

void NoteCheck::fireDueTimers() { links_.fireDueTimers(); }

void NoteCheck::refreshWindows() {
    std::vector<frmPinly*> toHide;
    const std::vector<frmPinly*> all = windows_.windows();
    for (frmPinly* w : all) {
        const int i = NoteWindowSet::recordOf(w);
        if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) continue;
        const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
        const auto cls = static_cast<size_t>(ColourClass(st_, i));
        if (w->backColourValue() != st_.localConfig.BackColours[cls]) face_.colourByClass(*w, i);
        if (r.AllReceived && !w->lineSended().isVisible()) {
            w->setLineSended(true);
            w->refreshTooltip();   // now it names who received it
        }
        if (r.IsPeeled) {
            toHide.push_back(w);
        } else if (r.HasPeriod && !w->isVisible() && !hiddenByPeriod(st_, i)) {
            // Hidden while its period had not started: it has now.
            w->setLineOutRange(NotStarted(st_, i));
            w->show();
        }
    }
    for (frmPinly* w : toHide)
        if (w->isVisible()) w->hide();
    for (size_t i = 0; i < st_.NoteTable.size(); ++i) {
        const int index = static_cast<int>(i);
        if (windows_.windowOf(index) || hiddenByPeriod(st_, index)) continue;
        opener_.openNoteWindow(index);
    }
}

}  // namespace tw
