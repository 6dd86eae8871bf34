// What the note windows do for the note-settings dialog: the settings menu, the cancel of a send,
// the alarm kind and the blinking of a note. The reception timer is paused while either runs.
#include "notes/qt/notewindows.h"

#include "dialogs/qt/frmMain.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "notes/qt/receptiontimer.h"
#include "notes/settingsmenu.h"
#include "platform/prompter.h"
#include "questionnaire/tally.h"
#include "questionnaire/qt/fmSendOp.h"
#include "window/qt/frmPinly.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace tw {

void NoteWindows::openSettingsPage(frmPinly* w, int k) {
    const int i = recordOf(w);
    if (!settings_ || i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    if (w->isEditing()) w->endEditing(true);
    const SettingsPage page = settingsPageOf(k);
    if (!mayOpenSettingsPage(st_, i, k, openNotes())) return;

    frmMain& d = *settings_;
    d.setWindowTitle(QString::fromStdString(page.caption));
    const auto id = static_cast<int16_t>(i);
    switch (k) {
    case 0: d.setRange(id); break;
    case 1:
        // A note that may be the last one on the screen must not remove itself.
        d.setSendOther(id, !isLastNote(st_, i, openNotes(), kCountVisible));
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
    colourByClass(*window, i);
    refreshBackground(*window);
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

bool NoteWindows::offersAnswerTally(frmPinly* w) {
    const int i = recordOf(w);
    return i >= 0 && static_cast<size_t>(i) < st_.NoteTable.size() &&
           answerTallyOffered(st_.NoteTable[static_cast<size_t>(i)]);
}

void NoteWindows::openAnswerTally(frmPinly* w) {
    const int i = recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    // The answers of a note that everybody has received are its partner text; the number sent is
    // the number of answers found.
    fmSendOp::showTally(st_, r.Text, r.Partner.PartnerName, 0, true, w);
}

void NoteWindows::cancelSend(frmPinly* w) {
    const int i = recordOf(w);
    if (i < 0) return;
    // No network check while the send records go.
    const ReceptionTimer::Pause pause(reception_);
    QPointer<frmPinly> window(w);
    if (tw::cancelSend(st_, static_cast<int16_t>(i)) == CancelResult::Cancelled && window) {
        window->setColours(st_.localConfig.BackColours[0], st_.localConfig.TextColours[0]);
        window->retakeMenuState();
    }
}

void NoteWindows::chooseAlarmKind(frmPinly* w, int k) {
    const int i = recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    tw::chooseAlarmKind(st_.NoteTable[static_cast<size_t>(i)], k);
    w->retakeMenuState();
}

void NoteWindows::blink(int index) {
    QPointer<frmPinly> w = windowOf(index);
    if (!w) {
        st_.sys.prompter->ask("エラー", "付箋ID:" + std::to_string(index) + "が見つかりません", Icon::Warning,
                              Buttons::Ok);
        return;
    }
    st_.blinkRunning = true;
    auto wait = [this] {
        QEventLoop loop;
        QTimer::singleShot(blinkHalfPeriodMs, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // A press on any note window ends it (the window clears the flag), as does the end of the
    // program or the window going away.
    while (st_.blinkRunning && w && !ended_) {
        w->hide();
        wait();
        if (!w) break;
        w->show();
        wait();
    }
    st_.blinkRunning = false;
    if (w) w->show();
}

}  // namespace tw
