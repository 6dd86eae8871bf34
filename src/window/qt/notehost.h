// What a note window and the shared context menu ask of the program around them, in small parts by
// role. A note window (frmPinly) knows only the three parts its own handlers use: the gestures of its
// mouse handling, what follows a change of its face and the set of open windows. The context menu
// (NoteMenu) knows the parts whose commands it offers. The collection of note windows (NoteWindows)
// and its collaborators implement them.
#pragma once

#include "window/shapes.h"

#include <vector>

class QPoint;

namespace tw {

class frmPinly;

// Each is an interface only: nothing is deleted through it.

// ---- what a note window asks ----

// The mouse handling of a window: the right-button gestures (Shift duplicates, Ctrl creates,
// Ctrl+Alt peels), the shared menu on a plain right click, and the step of an always-at-back note
// to the bottom after a press or a drag.
class NoteGestureHost {
public:
    virtual void newNote(frmPinly* w) = 0;
    virtual void duplicateNote(frmPinly* w) = 0;
    virtual void peelNote(frmPinly* w) = 0;
    // Pops the shared context menu up for this window at a screen position.
    virtual void popupMenu(frmPinly& w, const QPoint& globalPos) = 0;
    // Sends an always-at-back window to the bottom and re-raises the always-in-front ones.
    virtual void sendToBack(frmPinly* w) = 0;

protected:
    ~NoteGestureHost() = default;
};

// What follows a change of a window's face: its background picture and the text colour over it (at
// the focus), the outline and text place of its shape (after every resize), its size when the note
// follows its text, and its links and timed lines read anew from the text (after editing).
class NoteFaceHost {
public:
    virtual void refreshBackground(frmPinly& w) = 0;
    virtual void applyShape(frmPinly& w) = 0;
    virtual void autoSizeIfOn(frmPinly& w) = 0;
    virtual void refreshLinks(frmPinly& w) = 0;

protected:
    ~NoteFaceHost() = default;
};

// The set of open windows: a window that is going away leaves it (its record stays); the end of the
// desktop session, seen by a window, ends the program.
class NoteSetHost {
public:
    virtual void forget(frmPinly* w) = 0;
    virtual void exitProgram() = 0;

protected:
    ~NoteSetHost() = default;
};

// ---- what the shared context menu asks, by role ----

// The note commands and those on the whole set of notes (mnuPinlyNew, mnuPinlyCopy, mnuDelPinly,
// mnuUndel, mnuOutRange, mnuSetConfig, mnuVersion, mnuAllExit).
class NoteCommandHost {
public:
    virtual void newNote(frmPinly* w) = 0;
    virtual void duplicateNote(frmPinly* w) = 0;
    virtual void peelNote(frmPinly* w) = 0;
    virtual void undoPeel(int slot) = 0;
    virtual void toggleOutOfPeriod() = 0;
    virtual void exitProgram() = 0;
    virtual void showAbout() = 0;
    // Whether the environment-settings dialog can be shown now, and showing it.
    virtual bool environmentDialogAvailable() const = 0;
    virtual void showEnvironmentDialog() = 0;

protected:
    ~NoteCommandHost() = default;
};

// Sending and its follow-up: page k of the note-settings dialog for the window's note (mnuSetmForm),
// the take-back of a send nobody has received (mnuCancelSend), how the note's alarms announce
// themselves, 0 a box, 1 blinking (mnuTmrMsg), and the answer tally of a questionnaire that everybody
// has received (mnuAnktAnsX: whether it is offered, and showing it).
class NoteTravelHost {
public:
    virtual void openSettingsPage(frmPinly* w, int k) = 0;
    virtual void cancelSend(frmPinly* w) = 0;
    virtual void chooseAlarmKind(frmPinly* w, int k) = 0;
    virtual bool offersAnswerTally(frmPinly* w) = 0;
    virtual void openAnswerTally(frmPinly* w) = 0;

protected:
    ~NoteTravelHost() = default;
};

// The window modes (mnuLock, mnuZorder, mnuThrough, mnuReverse) and the text size (mnuFont).
class NoteModeHost {
public:
    virtual void toggleLock(frmPinly* w) = 0;
    virtual void zOrder(frmPinly* w, int i) = 0;
    virtual void toggleSeeThrough(frmPinly* w) = 0;
    virtual void flipNote(frmPinly* w) = 0;
    virtual void setTextSize(frmPinly* w, int i) = 0;

protected:
    ~NoteModeHost() = default;
};

// Shapes and auto-size (mnuFstyleItem, mnuTextAutoSize); the shape files found at start-up, by number
// and menu caption.
class NoteShapeHost {
public:
    virtual const std::vector<ShapeEntry>& shapeCatalogue() const = 0;
    virtual void setShape(frmPinly* w, int i) = 0;
    virtual void toggleAutoSize(frmPinly* w) = 0;

protected:
    ~NoteShapeHost() = default;
};

// The links and timed lines of the window's note, read anew from its text into the window's link
// list and the alarm timers (as the menu opens), link i opened (mnuHyperText); the information box
// (mnuFInfo); the help document beside the program and the web support page (mnuHelpView, mnuWebAct).
class NoteLinkHost {
public:
    virtual void refreshLinks(frmPinly& w) = 0;
    virtual void openLink(frmPinly* w, int i) = 0;
    virtual void showInformation(frmPinly* w) = 0;
    virtual void showHelp(frmPinly* w) = 0;
    virtual void showWebSupport() = 0;

protected:
    ~NoteLinkHost() = default;
};

// Alignment against the window's note: a column or row of kind k (mnuSortP), the whole desktop in
// columns (mnuAllSortP).
class NoteAlignHost {
public:
    virtual void alignNotes(frmPinly* w, int k) = 0;
    virtual void alignAllNotes(frmPinly* w, int k) = 0;

protected:
    ~NoteAlignHost() = default;
};

}  // namespace tw
