// The note windows of the running program: creating, finding and commanding them. A window is bound
// to its record by an index; the windows are also kept by record index, so that the window of a
// record is found at once. It is the NoteHost of every note window and owns the context menu they
// share.
#pragma once

#include "model/state.h"
#include "notes/qt/receptiontimer.h"
#include "window/autosize.h"
#include "window/qt/notehost.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace tw {

class frmMain;
class frmPinly;
class LinkOpener;
class NoteMenu;
class ProgramHooks;

class NoteWindows : public QObject, public NoteHost {
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

    // ---- alignment (notealign.cpp) ----
    void alignNotes(frmPinly* w, int k) override;
    void alignAllNotes(frmPinly* w, int k) override;

    // ---- the note-settings dialog (notetravel.cpp) ----
    // The note-settings dialog whose pages the settings menu opens. Without it the settings entries
    // do nothing.
    void setSettingsDialog(frmMain* dialog) { settings_ = dialog; }
    // The program's reception timer: paused while the settings dialog is open and while a send is
    // cancelled, stopped at the end of the program. None: nothing to pause.
    void setReceptionTimer(ReceptionTimer* timer) { reception_ = timer; }
    void openSettingsPage(frmPinly* w, int k) override;
    void cancelSend(frmPinly* w) override;
    void chooseAlarmKind(frmPinly* w, int k) override;

    // ---- links, timed lines, note information and help (notelinks.cpp) ----
    void refreshLinks(frmPinly& w) override;
    void openLink(frmPinly* w, int i) override;
    void showInformation(frmPinly* w) override;
    void showHelp(frmPinly* w) override;
    void showWebSupport() override;
    // The due alarm timers of the note texts, on each tick of the reception timer.
    void fireDueTimers();
    // Where links are opened: tests put a recording shell here. None: the desktop's.
    LinkOpener* shell = nullptr;
    // The help window, once it has been opened.
    QWidget* helpWindow() const { return help_.get(); }
    // The answer tally of a sent questionnaire that everybody has received (mnuAnktAnsX).
    bool offersAnswerTally(frmPinly* w) override;
    void openAnswerTally(frmPinly* w) override;

    // ---- window modes and text size (notemodes.cpp) ----
    void toggleLock(frmPinly* w) override;
    void zOrder(frmPinly* w, int i) override;
    void toggleSeeThrough(frmPinly* w) override;
    void flipNote(frmPinly* w) override;
    void setTextSize(frmPinly* w, int i) override;

    // ---- shapes and auto-size (noteshapes.cpp) ----
    // Reads the shape files beside the program (start-up).
    void loadShapeCatalogue();
    const std::vector<ShapeEntry>& shapeCatalogue() const override { return shapes_; }
    void setShape(frmPinly* w, int i) override;
    void toggleAutoSize(frmPinly* w) override;
    void applyShape(frmPinly& w) override;
    void autoSizeIfOn(frmPinly& w) override;
    void autoSize(frmPinly& w);
    std::optional<AutoSizeResult> sizedToText(frmPinly& w);

    // ---- the note's face (noteface.cpp) ----
    void refreshBackground(frmPinly& w) override;
    // How the password dialog is shown: tests replace it. Empty: frmPass runs modally.
    std::function<void(AppState& st)> askPassword;
    // ---- what the network check asks of the note windows (notecheck.cpp) ----
    // The network check's refresh: colours that changed class, sent marks, notes to hide, windows
    // for notes that have none (also those closed with the system close key).
    void refreshWindows();
    // What the network check calls: received notes get their windows, the refresh runs.
    NetworkCheckHost& networkHost();
    // Blinks the window of note `index` (hidden one second, shown one second) until a press on a
    // note window stops it; the window ends shown. Without a window the user is told.
    void blink(int index);
    int blinkHalfPeriodMs = 1000;
    bool environmentDialogAvailable() const override;
    void showEnvironmentDialog() override;
    // Sends an always-at-back window to the bottom and re-raises the always-in-front ones.
    void sendToBack(frmPinly* w) override;
    void placeTopmost(frmPinly* w, bool on);

    // The context menu of all note windows, built the first time it is needed.
    NoteMenu& menu();
    // How a note window pops the context menu up at a screen position, after the menu has taken
    // the window's state; tests replace it. Empty: the menu runs modally at the position.
    std::function<void(frmPinly& window, QMenu& menu, const QPoint& globalPos)> menuPopup;
    void popupMenu(frmPinly& w, const QPoint& globalPos) override;

    // A window that closed by itself (system close key) or is unloaded: it leaves the set, its
    // record stays.
    void forget(frmPinly* w) override;

    AppState& state() override { return st_; }
    ProgramHooks& hooks() { return hooks_; }

private:
    void bind(frmPinly& w, int index);
    void followRecord(int index);
    // The colours of the note's colour class on its window.
    void colourByClass(frmPinly& w, int index);

    AppState& st_;
    ProgramHooks& hooks_;
    std::vector<frmPinly*> windows_;    // creation order
    std::vector<frmPinly*> byRecord_;   // indexed by record; nullptr where a record has no window
    std::unique_ptr<NoteMenu> menu_;
    frmMain* settings_ = nullptr;
    ReceptionTimer* reception_ = nullptr;
    std::vector<ShapeEntry> shapes_;
    // The shape files as read, by number: each is read once, not at every resize of a note.
    std::map<int, ShapeData> shapeFiles_;
    const ShapeData* shapeData(int number);
    bool applyingShape_ = false;
    std::unique_ptr<NetworkCheckHost> networkHost_;
    bool ended_ = false;
    std::unique_ptr<QWidget> help_;
};

}  // namespace tw
