// What the network check asks of the note windows: windows for received notes, answer sheets for
// received questionnaires, the due alarm timers on each tick and the refresh after every check.
#include "notes/qt/notewindows.h"

#include "notes/notetable.h"
#include "notes/qt/receptiontimer.h"
#include "questionnaire/qt/fmSendOp.h"
#include "window/qt/frmPinly.h"

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

}  // namespace

NetworkCheckHost& NoteWindows::networkHost() {
    if (!networkHost_) networkHost_ = std::make_unique<WindowsOfNetworkCheck>(*this);
    return *networkHost_;
}

void NoteWindows::colourByClass(frmPinly& w, int index) {
    const auto cls = static_cast<size_t>(ColourClass(st_, index));
    w.setColours(st_.localConfig.BackColours[cls], st_.localConfig.TextColours[cls]);
}

void NoteWindows::refreshWindows() {
    std::vector<frmPinly*> toHide;
    const std::vector<frmPinly*> all = windows_;
    for (frmPinly* w : all) {
        const int i = recordOf(w);
        if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) continue;
        const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
        const auto cls = static_cast<size_t>(ColourClass(st_, i));
        if (w->backColourValue() != st_.localConfig.BackColours[cls]) colourByClass(*w, i);
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
        if (windowOf(index) || hiddenByPeriod(st_, index)) continue;
        openNoteWindow(index);
    }
}

}  // namespace tw
