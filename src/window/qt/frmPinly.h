// The note window: one borderless top-level window per note, bound to its record by the number in
// its hidden label. It turns mouse, keyboard, focus and menu events into calls of the note
// commands (NoteWindows) and of the core; its geometry is kept in twips like the record's.
#pragma once

#include "app/records.h"
#include "window/geometry.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

namespace tw {

class NoteWindows;
class frmPinly;

// The edit box: files dropped on it while editing become lines of the text; nothing else is taken.
class NoteEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NoteEdit(frmPinly& owner);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    frmPinly& owner_;
};

// One of the two diagonal marks across a note: from the top-left corner (rising = false) or from the
// top-right corner (rising = true). Mouse events pass through it.
class LineMark : public QWidget {
public:
    LineMark(QWidget* parent, bool rising);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool rising_;
};

class frmPinly : public QWidget {
    Q_OBJECT
public:
    explicit frmPinly(NoteWindows& notes);
    ~frmPinly() override;

    // ---- controls ----
    QLabel* lblID = nullptr;         // hidden: record index + 1, "Label1" while unbound
    QLabel* lbl = nullptr;           // the note text
    QLabel* img = nullptr;           // stretched background picture
    NoteEdit* rch = nullptr;         // edit box, shown only while editing
    LineMark* lineOutRange = nullptr;
    LineMark* lineSended = nullptr;

    // ---- context menu mnu1, in its order ----
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

    // ---- binding ----
    int record() const;              // -1 when not bound
    NoteRecord* note();              // nullptr when not bound
    void bind(int index);

    // ---- geometry in twips ----
    TwipsRect twipsGeometry() const;
    void setTwipsGeometry(const TwipsRect& r);
    int16_t hitCode() const { return hit_; }

    // ---- face ----
    // The label's caption in the record's form (lines separated by CR LF).
    void setCaption(const std::string& text);
    const std::string& caption() const { return caption_; }
    void setLabelFont(const FontPreset* preset);
    void setColours(uint32_t back, uint32_t text);
    // Opaque or transparent frame: the edge drawn around the note.
    void applyFrameStyle(bool transparent);
    // The label laid over the whole note in the window's colours, the picture at the window's size.
    void layoutLabel();
    // The two marks as the note's diagonals.
    void layoutMarks();

    // ---- editing ----
    void beginEditing();
    // keepText: the edited text becomes the caption and the note's text; otherwise only the layout.
    void endEditing(bool keepText);
    bool isEditing() const { return editing_; }
    void appendDroppedFiles(const QStringList& paths);

    // ---- handlers shared by the label, the picture and the window ----
    void onPress(Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos);
    void onRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPoint& globalPos);
    void onMove(Qt::MouseButtons buttons, const QPoint& pos, const QPoint& globalPos, QWidget* control);
    void onActivated();
    // The menu state taken over at the last focus.
    const NoteMenuState& menuState() const { return menuState_; }
    // Undo entries of the context menu, as they are set just before it opens.
    void refreshContextMenu();

    // Closes the window for good without the closing rule (the program or a command unloads it).
    void unload();
    // A left press is being turned into a move or resize.
    bool dragging() const { return drag_.own || drag_.system; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void buildMenu();
    QAction* item(QMenu* menu, const char* name, const QString& caption);
    QMenu* submenu(QMenu* menu, const char* name, const QString& caption);
    QAction* separator(QMenu* menu, const char* name);
    // A menu entry whose command exists: enabled and connected.
    void wire(QAction* a, std::function<void()> command);
    void setEnabledIfReady(QAction* a, bool on);
    void finishDrag();
    int tppX() const;
    int tppY() const;
    QString displayText(const std::string& text) const;

    NoteWindows& notes_;
    std::string caption_;
    TwipsRect tw_;                  // the geometry last set or seen, in twips
    int16_t hit_ = kHitNowhere;
    bool editing_ = false;
    bool unloading_ = false;
    bool transparentFrame_ = false;
    NoteMenuState menuState_;
    QSet<QAction*> ready_;

    struct Drag {
        bool own = false;           // the program moves the window with the mouse
        bool system = false;        // the system's move/size loop runs
        int16_t hit = kHitNowhere;
        QPoint startGlobal;
        QRect startGeometry;
    } drag_;
    QTimer systemLoopWatch_;        // notices the end of the system's loop
    qint64 lastGeometryChange_ = 0;
};

}  // namespace tw
