// What the note windows do for the note-settings dialog: the settings menu, the cancel of a send,
// the alarm kind and the answer tally. The reception timer is paused while the dialog or the cancel
// runs.
#include "notes/qt/notetravel.h"

#include "dialogs/qt/frmMain.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "notes/qt/noteshapes.h"
#include "notes/qt/notewindowset.h"
#include "notes/qt/receptiontimer.h"
#include "notes/settingsmenu.h"
#include "questionnaire/tally.h"
#include "questionnaire/qt/answeroutput.h"
#include "questionnaire/qt/fmSendOp.h"
#include "window/qt/frmPinly.h"

#include <QPointer>

namespace tw {

void NoteTravel::openSettingsPage(frmPinly* w, int k) {
    const int i = NoteWindowSet::recordOf(w);
    if (!settings_ || i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    if (w->isEditing()) w->endEditing(true);
    const SettingsPage page = settingsPageOf(k);
    if (!mayOpenSettingsPage(st_, i, k, windows_.openNotes())) return;

    frmMain& d = *settings_;
    d.setWindowTitle(QString::fromStdString(page.caption));
    const auto id = static_cast<int16_t>(i);
    switch (k) {
    case 0: d.setRange(id); break;
    case 1:
        // A note that may be the last one on the screen must not remove itself.
        d.setSendOther(id, !isLastNote(st_, i, windows_.openNotes(), kCountVisible));
        break;
    case 2:
    case 3:
        if (!d.setLogView(static_cast<int16_t>(k - 2), id)) {
            d.setWindowTitle(QString::fromStdString(kProductName));
            return;
        }
        break;
    case 4: d.backAttr(id); break;
    default: return;
    }
    d.showPage(page.page);
    d.centre();
    QPointer<frmPinly> window(w);
    // No network check while the dialog is open; the timer runs again once the note has been
    // brought up to date below, with the interval of the settings then.
    const ReceptionTimer::Pause pause(reception_);
    d.exec();
    d.setWindowTitle(QString::fromStdString(kProductName));

    if (!window || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    face_.colourByClass(*window, i);
    face_.refreshBackground(*window);
    window->update();
    if (r.IsSent) {
        window->setLineSended(false);
        window->setLineOutRange(false);
    } else if (r.HasPeriod) {
        if (!NotStarted(st_, i)) {
            window->setLineOutRange(false);
        } else if (!st_.ShowOutOfPeriod) {
            window->hide();
        }
    } else {
        window->setLineSended(false);
        window->setLineOutRange(false);
    }
    window->retakeMenuState();
    window->refreshTooltip();
}

bool NoteTravel::offersAnswerTally(frmPinly* w) {
    const int i = NoteWindowSet::recordOf(w);
    return i >= 0 && static_cast<size_t>(i) < st_.NoteTable.size() &&
           answerTallyOffered(st_.NoteTable[static_cast<size_t>(i)]);
}

void NoteTravel::openAnswerTally(frmPinly* w) {
    const int i = NoteWindowSet::recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    // The answers of a note that everybody has received are its partner text; the number sent is
    // the number of answers found.
    fmSendOp::showTally(st_, answers_, r.Text, r.Partner.PartnerName, 0, true, w);
}

void NoteTravel::cancelSend(frmPinly* w) {
    const int i = NoteWindowSet::recordOf(w);
    if (i < 0) return;
    // No network check while the send records go.
    const ReceptionTimer::Pause pause(reception_);
    QPointer<frmPinly> window(w);
    if (tw::cancelSend(st_, static_cast<int16_t>(i)) == CancelResult::Cancelled && window) {
        window->setColours(st_.localConfig.BackColours[0], st_.localConfig.TextColours[0]);
        window->retakeMenuState();
    }
}

void NoteTravel::chooseAlarmKind(frmPinly* w, int k) {
    const int i = NoteWindowSet::recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    tw::chooseAlarmKind(st_.NoteTable[static_cast<size_t>(i)], k);
    w->retakeMenuState();
}

}  // namespace tw
