// The links and timed lines of the note texts: the link entries of the menu, the alarm timers fired on
// each tick of the reception timer and a note blinking for its alarm; the information box of a note;
// the help document and the web support page that ship beside the program.
#pragma once

#include "model/state.h"
#include "window/qt/notehost.h"

#include <memory>

class QWidget;

namespace tw {

class frmPinly;
class LinkOpener;
class NoteWindowSet;

class NoteLinks final : public NoteLinkHost {
public:
    // `linkShell`: where links are opened (none: the desktop's). `blinkHalfPeriodMs`: how long a blinking
    // note stays hidden, then shown.
    NoteLinks(AppState& st, NoteWindowSet& windows, LinkOpener* linkShell, int blinkHalfPeriodMs);
    ~NoteLinks();
    NoteLinks(const NoteLinks&) = delete;
    NoteLinks& operator=(const NoteLinks&) = delete;

    void refreshLinks(frmPinly& w) override;
    void openLink(frmPinly* w, int i) override;
    void showInformation(frmPinly* w) override;
    void showHelp(frmPinly* w) override;
    void showWebSupport() override;

    // The due alarm timers of the note texts, on each tick of the reception timer.
    void fireDueTimers();
    // Blinks the window of note `index` (hidden for the half period, shown for the half period) until
    // a press on a note window stops it; the window ends shown. Without a window the user is told.
    void blink(int index);
    // The help window, once it has been opened.
    QWidget* helpWindow() const { return help_.get(); }

private:
    LinkOpener& shell();

    AppState& st_;
    NoteWindowSet& windows_;
    LinkOpener* shell_;
    int blinkHalfPeriodMs_;
    std::unique_ptr<QWidget> help_;
};

}  // namespace tw
