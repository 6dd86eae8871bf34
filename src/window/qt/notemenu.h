// The context menu of the note windows (mnu1), built once and shared by every note window. Before it
// pops up it takes over the state of the window that opens it: the check marks and enabled entries
// that window took from its record at its last focus, the undo entries, the caption of the
// out-of-period entry and whether the environment settings can be shown. Its commands then act on
// that window, through the parts of the program that hold them by role (window/qt/notehost.h).
#pragma once

#include "window/geometry.h"
#include "window/qt/notehost.h"

#include <QPointer>
#include <QSet>
#include <QString>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QPoint;

namespace tw {

struct AppState;
class frmPinly;

// What the menu's entries act through: the state object and a part of the program per role.
struct NoteMenuHosts {
    AppState& st;
    NoteCommandHost& commands;
    NoteTravelHost& travel;
    NoteModeHost& modes;
    NoteShapeHost& shapes;
    NoteLinkHost& links;
    NoteAlignHost& alignment;
};

class NoteMenu {
public:
    explicit NoteMenu(const NoteMenuHosts& hosts);
    ~NoteMenu();
    NoteMenu(const NoteMenu&) = delete;
    NoteMenu& operator=(const NoteMenu&) = delete;

    // ---- mnu1, in its order ----
    QMenu* mnu1 = nullptr;
    QMenu* mnuPinlyDegine = nullptr;
    QAction* mnuPinlyNew = nullptr;
    QAction* mnuPinlyCopy = nullptr;
    QAction* mnuDelPinly = nullptr;
    QMenu* mnuUnDelPinly = nullptr;
    std::array<QAction*, 5> mnuUndel{};
    QAction* mnuOutRange = nullptr;
    QAction* mnuFInfo = nullptr;
    QMenu* mnuFAttrib = nullptr;
    std::array<QAction*, 13> mnuFstyleItem{};
    QMenu* mnuTextFont = nullptr;
    std::array<QAction*, 3> mnuFont{};
    QAction* mnuSeparater0 = nullptr;
    QAction* mnuTextAutoSize = nullptr;
    QMenu* mnuOption = nullptr;
    QMenu* mnuSort = nullptr;
    std::array<QAction*, 6> mnuSortP{};
    QAction* mnuSeparater6 = nullptr;
    std::array<QAction*, 2> mnuAllSortP{};
    QAction* mnuLock = nullptr;
    std::array<QAction*, 2> mnuZorder{};
    QAction* mnuReverse = nullptr;
    QAction* mnuThrough = nullptr;
    QAction* mnuSeparater1 = nullptr;
    std::array<QAction*, 5> mnuSetmForm{};
    QAction* mnuAnktAnsX = nullptr;
    QAction* mnuCancelSend = nullptr;
    QAction* mnuSeparater5 = nullptr;
    QMenu* mnuTmrKind = nullptr;
    std::array<QAction*, 2> mnuTmrMsg{};
    std::array<QAction*, 4> mnuHyperText{};
    QAction* mnuSeparater2 = nullptr;
    QAction* mnuSetConfig = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpView = nullptr;
    QAction* mnuWebAct = nullptr;
    QAction* mnuSepareter3 = nullptr;
    QAction* mnuVersion = nullptr;
    QAction* mnuSepareter4 = nullptr;
    QAction* mnuAllExit = nullptr;
    // A second menu that is never shown.
    QMenu* mnu2 = nullptr;

    // Takes over the state of the window that opens the menu; the commands act on it from now on.
    void takeStateOf(frmPinly& w);
    // The window the menu was last opened for; none before that and once that window is gone.
    frmPinly* target() const;
    // Runs the menu modally at a screen position, as a popup of the window it was opened for.
    void exec(const QPoint& globalPos);

    // The caption of mnuOutRange while out-of-period notes are shown or not.
    static const char* outOfPeriodCaption(bool shown);

private:
    void build();
    void wireCommands();
    QAction* item(QMenu* menu, const char* name, const QString& caption);
    QMenu* submenu(QMenu* menu, const char* name, const QString& caption);
    QAction* separator(QMenu* menu, const char* name);
    // A menu entry whose command exists: enabled and connected.
    void wire(QAction* a, std::function<void()> command);
    // A command on the note of the window the menu was opened for.
    template <class Host>
    void wireToTarget(QAction* a, Host& host, void (Host::*command)(frmPinly*));
    // A command with an entry's number on that note.
    template <class Host>
    void wireToTarget(QAction* a, Host& host, void (Host::*command)(frmPinly*, int), int number);
    void setEnabledIfReady(QAction* a, bool on);
    void showUndoEntries();
    void showShapeEntries();
    void showFocusState(const NoteMenuState& m);
    void showLinkEntries(frmPinly& w);

    NoteMenuHosts hosts_;
    QPointer<frmPinly> target_;
    QSet<QAction*> ready_;
};

}  // namespace tw
