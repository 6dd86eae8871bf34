// The note windows of the running program: creating, finding and commanding them. A window is bound
// to its record by the number in its hidden label (index + 1).
#pragma once

#include "app/state.h"

#include <QObject>
#include <vector>

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
    int createNote(int source, int top, int left);
    // Builds and shows the window of one record (nothing for a peeled one).
    frmPinly* openNoteWindow(int index);

    frmPinly* windowOf(int index) const;           // none: nullptr
    static int recordOf(const frmPinly* w);        // -1 when not bound
    // Every note window in creation order, bound or not, shown or hidden.
    std::vector<frmPinly*> windows() const;

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

    AppState& state() { return st_; }
    ProgramHooks& hooks() { return hooks_; }

private:
    AppState& st_;
    ProgramHooks& hooks_;
    std::vector<frmPinly*> windows_;
};

}  // namespace tw
