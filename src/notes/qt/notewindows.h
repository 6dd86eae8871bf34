// The note windows of the running program: creating, finding and commanding them. A window is bound
// to its record by an index; the windows are also kept by record index (NoteWindowSet), so that the
// window of a record is found at once. It is the facade the program uses and owns the collaborators
// that do the work by role: shapes and face (NoteShapes), window modes (NoteModes), sending and the
// settings dialog (NoteTravel), links, timed lines and help (NoteLinks), alignment (NoteAlignment) and
// what the network check asks (NoteCheck), and the context menu all windows share (NoteMenu).
//
// A note window knows only the parts of it that its handlers use (window/qt/notehost.h): the gestures
// of its mouse handling, what follows a change of its face and the set of open windows; the menu knows
// the note commands here and the collaborators by their roles.
#pragma once

#include "model/state.h"
#include "notes/qt/notealign.h"
#include "notes/qt/notecheck.h"
#include "notes/qt/notelinks.h"
#include "notes/qt/notemodes.h"
#include "notes/qt/noteshapes.h"
#include "notes/qt/notetravel.h"
#include "notes/qt/notewindowset.h"
#include "window/qt/notehost.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <vector>

class QMenu;

namespace tw {

class AnswerOutput;
class frmMain;
class frmPinly;
class LinkOpener;
class NoteMenu;
class ProgramHooks;
class ReceptionTimer;

// What the note windows are given from outside when they are made. Every part may be left out.
struct NoteWindowServices {
    // The note-settings dialog whose pages the settings menu opens. None: the settings entries do
    // nothing.
    frmMain* settingsDialog = nullptr;
    // The program's reception timer: paused while the settings dialog is open and while a send is
    // cancelled, stopped at the end of the program. None: nothing to pause.
    ReceptionTimer* receptionTimer = nullptr;
    // Where the answer tally saves and prints. None: Qt's save and printer dialogs.
    AnswerOutput* answerOutput = nullptr;
    // Where links are opened. None: the desktop's.
    LinkOpener* shell = nullptr;
    // How the password of a note's back side is asked for. Empty: frmPass runs modally.
    NoteModes::PasswordPrompt askPassword;
    // How a note window pops the context menu up at a screen position, after the menu has taken the
    // window's state. Empty: the menu runs modally at the position.
    std::function<void(frmPinly& window, QMenu& menu, const QPoint& globalPos)> menuPopup;
    // How long a blinking note stays hidden, then shown.
    int blinkHalfPeriodMs = 1000;
};

class NoteWindows : public QObject,
                    public NoteGestureHost,
                    public NoteFaceHost,
                    public NoteSetHost,
                    public NoteCommandHost,
                    public NoteOpener {
    Q_OBJECT
public:
    NoteWindows(AppState& st, ProgramHooks& hooks, NoteWindowServices services = {}, QObject* parent = nullptr);
    ~NoteWindows() override;

    // Start-up: a window for every note its period does not hide; one new note at the top right when
    // the table is empty.
    void openAllNotes();
    // Appends a record (source -1: new, else a duplicate of that index) and opens its window.
    // Returns the new index, or -1 after a failure (already reported in a box).
    int createNote(int source, int top, int left);
    // Builds and shows the window of one record (nothing for a peeled one). A record that already
    // has a window keeps it.
    frmPinly* openNoteWindow(int index) override;

    frmPinly* windowOf(int index) const { return set_.windowOf(index); }   // none: nullptr
    static int recordOf(const frmPinly* w) { return NoteWindowSet::recordOf(w); }   // -1 when not bound
    // Every note window in creation order, bound or not, shown or hidden.
    std::vector<frmPinly*> windows() const { return set_.windows(); }
    // Record indices of the open note windows (shown or hidden), for the last-note query.
    std::vector<int> openNotes() const { return set_.openNotes(); }

    // ---- note commands (context menu and gestures) ----
    void newNote(frmPinly* w) override;
    void duplicateNote(frmPinly* w) override;
    void peelNote(frmPinly* w) override;
    void undoPeel(int slot) override;
    void exitProgram() override;
    // The end of the program: reception timer off, local settings then notes written, then the end.
    void endOfProgram();
    // Closes every note window (change of shared folder).
    void closeAll();
    // Shows or hides the notes whose period has not started yet (mnuOutRange).
    void toggleOutOfPeriod() override;
    void showAbout() override;
    bool environmentDialogAvailable() const override;
    void showEnvironmentDialog() override;

    // ---- what a note window asks ----
    void popupMenu(frmPinly& w, const QPoint& globalPos) override;
    void sendToBack(frmPinly* w) override { modes_.sendToBack(w); }
    void refreshBackground(frmPinly& w) override { shapes_.refreshBackground(w); }
    void applyShape(frmPinly& w) override { shapes_.applyShape(w); }
    void autoSizeIfOn(frmPinly& w) override { shapes_.autoSizeIfOn(w); }
    void refreshLinks(frmPinly& w) override { links_.refreshLinks(w); }
    // A window that closed by itself (system close key) or is unloaded: it leaves the set, its
    // record stays.
    void forget(frmPinly* w) override { set_.forget(w); }

    // Reads the shape files beside the program (start-up).
    void loadShapeCatalogue() { shapes_.loadShapeCatalogue(); }
    // What the network check calls: received notes get their windows, the refresh runs.
    NetworkCheckHost& networkHost() { return check_; }
    // The context menu of all note windows, built the first time it is needed.
    NoteMenu& menu();

    // ---- the collaborators ----
    NoteShapes& shapes() { return shapes_; }
    NoteModes& modes() { return modes_; }
    NoteTravel& travel() { return travel_; }
    NoteLinks& links() { return links_; }
    NoteAlignment& alignment() { return alignment_; }

private:
    AppState& st_;
    ProgramHooks& hooks_;
    ReceptionTimer* reception_;
    NoteWindowSet set_;
    std::unique_ptr<AnswerOutput> ownAnswers_;   // Qt's dialogs, when no output was given
    NoteShapes shapes_;
    NoteModes modes_;
    NoteTravel travel_;
    NoteLinks links_;
    NoteAlignment alignment_;
    NoteCheck check_;
    std::function<void(frmPinly& window, QMenu& menu, const QPoint& globalPos)> menuPopup_;
    std::unique_ptr<NoteMenu> menu_;
};

}  // namespace tw
