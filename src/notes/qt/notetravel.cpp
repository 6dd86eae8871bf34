// What the note windows do for the note-settings dialog and the network check: the settings menu,
// the cancel of a send, the alarm kind, the refresh after a check and the blinking of a note.
#include "notes/qt/notewindows.h"

#include "dialogs/qt/frmMain.h"
#include "dialogs/qt/sendpage.h"
#include "messaging/reception.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "notes/programhooks.h"
#include "notes/settingsmenu.h"
#include "platform/prompter.h"
#include "questionnaire/qt/fmSendOp.h"
#include "questionnaire/tally.h"
#include "window/qt/frmPinly.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace tw {

namespace {

class WindowsOfNetworkCheck : public NetworkCheckHost {
public:
    explicit WindowsOfNetworkCheck(NoteWindows& windows) : windows_(windows) {}
    void openNoteWindow(int index) override { windows_.openNoteWindow(index); }
    // The sheet opens (once per send: a sheet still open is not opened again), and the send stays
    // unreceived in the log until the sheet closes and writes the receipt with the answer. Were the
    // receipt written now, the sender's next check could take the record out of the log before the
    // answer reached it, and the answer would be lost.
    bool openAnswerSheet(const LogRecord& entry, const NoteRecord& note) override {
        fmSendOp::openReceived(windows_.state(), entry, note);
        return false;
    }
    void refreshWindows() override { windows_.refreshWindows(); }
    void fireDueTimers() override { windows_.fireDueTimers(); }

private:
    NoteWindows& windows_;
};

void colourByClass(AppState& st, frmPinly& w, int index) {
    const auto cls = static_cast<size_t>(ColourClass(st, index));
    w.setColours(st.localConfig.BackColours[cls], st.localConfig.TextColours[cls]);
}

}  // namespace

NetworkCheckHost& NoteWindows::networkHost() {
    if (!networkHost_) networkHost_ = std::make_unique<WindowsOfNetworkCheck>(*this);
    return *networkHost_;
}

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
    case 1: {
        d.setSendOther(id);
        // A note that may be the last one on the screen must not remove itself.
        const bool mayAutoDelete = !isLastNote(st_, i, openNotes(), kCountVisible);
        d.isAutodelPinly = mayAutoDelete;
        d.sendPage->setAutoDeleteAllowed(mayAutoDelete);
        break;
    }
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
    d.offTimer();
    QPointer<frmPinly> window(w);
    d.exec();
    d.setTimerInterval(d.onTimer());
    d.setWindowTitle(QString::fromStdString(kProductName));

    if (!window || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    colourByClass(st_, *window, i);
    refreshBackground(*window);
    window->update();
    if (r.IsSent) {
        window->lineSended.hide();
        window->lineOutRange.hide();
    } else if (r.HasPeriod) {
        if (!NotStarted(st_, i)) {
            window->lineOutRange.hide();
        } else if (!st_.ShowOutOfPeriod) {
            window->hide();
            d.setTimerInterval(d.onTimer());
        }
    } else {
        window->lineSended.hide();
        window->lineOutRange.hide();
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
    if (settings_) settings_->offTimer();
    QPointer<frmPinly> window(w);
    if (tw::cancelSend(st_, static_cast<int16_t>(i)) == CancelResult::Cancelled && window) {
        window->setColours(st_.localConfig.BackColours[0], st_.localConfig.TextColours[0]);
        window->retakeMenuState();
    }
    if (settings_) settings_->setTimerInterval(settings_->onTimer());
}

void NoteWindows::chooseAlarmKind(frmPinly* w, int k) {
    const int i = recordOf(w);
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    tw::chooseAlarmKind(st_.NoteTable[static_cast<size_t>(i)], k);
    w->retakeMenuState();
}

void NoteWindows::refreshWindows() {
    std::vector<frmPinly*> toHide;
    const std::vector<frmPinly*> all = windows_;
    for (frmPinly* w : all) {
        const int i = recordOf(w);
        if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) continue;
        const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
        const auto cls = static_cast<size_t>(ColourClass(st_, i));
        if (w->backColourValue() != st_.localConfig.BackColours[cls]) colourByClass(st_, *w, i);
        if (r.AllReceived && !w->lineSended.isVisible()) {
            w->lineSended.show();
            w->refreshTooltip();   // now it names who received it
        }
        if (r.IsPeeled) {
            toHide.push_back(w);
        } else if (r.HasPeriod && !w->isVisible() && !hiddenByPeriod(st_, i)) {
            // Hidden while its period had not started: it has now.
            w->lineOutRange.setVisible(NotStarted(st_, i));
            w->show();
        }
    }
    for (frmPinly* w : toHide)
        if (w->isVisible()) w->hide();
    for (size_t i = 0; i < st_.NoteTable.size(); ++i) {
        const int index = static_cast<int>(i);
        if (windowOf(index) || hiddenByPeriod(st_, index)) continue;
        openNoteWindow(index);
    }
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
