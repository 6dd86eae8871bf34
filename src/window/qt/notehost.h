// What a note window asks of the program around it: the process-wide state, the note commands that
// work on the whole set of notes, the shared context menu and the bookkeeping of the open windows.
// The collection of note windows (NoteWindows) implements it; a note window knows only this.
#pragma once

#include "model/state.h"
#include "window/shapes.h"

#include <vector>

class QPoint;

namespace tw {

class frmPinly;

class NoteHost {
public:
    virtual ~NoteHost() = default;

    virtual AppState& state() = 0;

    // Commands on the note of a window (menu entries and right-button gestures).
    virtual void newNote(frmPinly* w) = 0;
    virtual void duplicateNote(frmPinly* w) = 0;
    virtual void peelNote(frmPinly* w) = 0;
    // Commands on the whole set of notes.
    virtual void undoPeel(int slot) = 0;
    virtual void toggleOutOfPeriod() = 0;
    // The settings menu: page k of the note-settings dialog for the window's note (mnuSetmForm).
    virtual void openSettingsPage(frmPinly* w, int k) = 0;
    // Takes the send of the window's note back while nobody has received it (mnuCancelSend).
    virtual void cancelSend(frmPinly* w) = 0;
    // How the note's alarms announce themselves: 0 a box, 1 blinking (mnuTmrMsg).
    virtual void chooseAlarmKind(frmPinly* w, int k) = 0;
    // The links and timed lines of the window's note: read anew from its text (as the menu opens and
    // when editing ends) into the window's link list and the alarm timers; link i opened
    // (mnuHyperText).
    virtual void refreshLinks(frmPinly& w) = 0;
    virtual void openLink(frmPinly* w, int i) = 0;
    // The information box of the window's note (mnuFInfo).
    virtual void showInformation(frmPinly* w) = 0;
    // The help document beside the program and the web support page (mnuHelpView, mnuWebAct).
    virtual void showHelp(frmPinly* w) = 0;
    virtual void showWebSupport() = 0;
    // Whether the window's note offers its answer tally (sent, received by all, with answer items),
    // and showing it (mnuAnktAnsX).
    virtual bool offersAnswerTally(frmPinly* w) = 0;
    virtual void openAnswerTally(frmPinly* w) = 0;
    // The window modes (mnuLock, mnuZorder, mnuThrough, mnuReverse) and the text size (mnuFont).
    virtual void toggleLock(frmPinly* w) = 0;
    virtual void zOrder(frmPinly* w, int i) = 0;
    virtual void toggleSeeThrough(frmPinly* w) = 0;
    virtual void flipNote(frmPinly* w) = 0;
    virtual void setTextSize(frmPinly* w, int i) = 0;
    // Shapes and auto-size (mnuFstyleItem, mnuTextAutoSize).
    virtual void setShape(frmPinly* w, int i) = 0;
    virtual void toggleAutoSize(frmPinly* w) = 0;
    // The note's background picture and text colour over it (at the focus and after the settings).
    virtual void refreshBackground(frmPinly& w) = 0;
    // The outline and text place of the window's shape, after every resize.
    virtual void applyShape(frmPinly& w) = 0;
    // Resizes the window to its text when the note follows its text (after editing).
    virtual void autoSizeIfOn(frmPinly& w) = 0;
    // The shape files found at start-up: number and menu caption.
    virtual const std::vector<ShapeEntry>& shapeCatalogue() const = 0;
    virtual void exitProgram() = 0;
    virtual void showAbout() = 0;
    // Alignment against the window's note: a column or row of kind k (mnuSortP), the whole desktop
    // in columns (mnuAllSortP).
    virtual void alignNotes(frmPinly* w, int k) = 0;
    virtual void alignAllNotes(frmPinly* w, int k) = 0;
    // Whether the environment-settings dialog can be shown now, and showing it.
    virtual bool environmentDialogAvailable() const = 0;
    virtual void showEnvironmentDialog() = 0;

    // Sends an always-at-back window to the bottom and re-raises the always-in-front ones.
    virtual void sendToBack(frmPinly* w) = 0;
    // Pops the shared context menu up for this window at a screen position.
    virtual void popupMenu(frmPinly& w, const QPoint& globalPos) = 0;
    // A window that is going away: it leaves the set, its record stays.
    virtual void forget(frmPinly* w) = 0;

protected:
    NoteHost() = default;
    NoteHost(const NoteHost&) = default;
    NoteHost& operator=(const NoteHost&) = default;
};

}  // namespace tw
