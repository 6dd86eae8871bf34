// The note windows of the running program: creating, finding and commanding them. A window is bound
// to its record by the number in its hidden label (index + 1).
#pragma once

#include "app/state.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <vector>

class QMenu;

namespace tw {

class frmPinly;
class ProgramHooks;

class NoteWindows : public QObject {
    Q_OBJECT
public:
    NoteWindows(AppState& st, ProgramHooks& hooks, QObject* parent = nullptr);
    ~NoteWindows() override;

    // Start-up: a window for every note its period does not hide; one new note at the top right when
    // the table is empty.
    void openAllNotes();
    // Appends a record (source -1: new, else a duplicate of that index) and opens its window.
    // Returns the new index, or -1 after a failure (already reported in a box).
    int createNote(int source, int top, int left);
    // Builds and shows the window of one record (nothing for a peeled one). A record that already
    // has a window keeps it.
    frmPinly* openNoteWindow(int index);

    frmPinly* windowOf(int index) const;           // none: nullptr
    static int recordOf(const frmPinly* w);        // -1 when not bound
    // Every note window in creation order, bound or not, shown or hidden.
    std::vector<frmPinly*> windows() const;
    // Record indices of the open note windows (shown or hidden), for the last-note query.
    std::vector<int> openNotes() const;

    // Note commands (context menu and gestures).
    void newNote(frmPinly* w);
    void duplicateNote(frmPinly* w);
    void peelNote(frmPinly* w);
    void undoPeel(int slot);
    void exitProgram();
    // The end of the program: timer off, local settings then notes written, then the end.
    void endOfProgram();
    // Closes every note window (change of shared folder).
    void closeAll();

    // Shows or hides the notes whose period has not started yet (mnuOutRange).
    void toggleOutOfPeriod();
    // The caption mnuOutRange has in every window while out-of-period notes are shown or not.
    static const char* outOfPeriodCaption(bool shown);
    void showAbout();
    void showEnvironmentDialog();
    // Sends an always-at-back window to the bottom and re-raises the always-in-front ones.
    void sendToBack(frmPinly* w);
    void placeTopmost(frmPinly* w, bool on);

    // How a note window pops its context menu up at a screen position; tests replace it. Empty: the
    // menu runs modally at the position.
    std::function<void(frmPinly& window, QMenu& menu, const QPoint& globalPos)> menuPopup;
    void popupMenu(frmPinly& w, const QPoint& globalPos);

    // A window that closed by itself (system close key): it leaves the list, its record stays.
    void forget(frmPinly* w);

    AppState& state() { return st_; }
    ProgramHooks& hooks() { return hooks_; }

private:
    AppState& st_;
    ProgramHooks& hooks_;
    std::vector<frmPinly*> windows_;
    bool ended_ = false;
};

}  // namespace tw
