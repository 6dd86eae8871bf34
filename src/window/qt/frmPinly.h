// The note window: one borderless top-level window per note, bound to its record by an index. It
// turns mouse, keyboard, focus and close events into calls of the note commands and of the core; its
// geometry is kept in twips like the record's. Of the program around it, it knows the state object
// and three small parts (window/qt/notehost.h): the gestures of its mouse handling, what follows a
// change of its face, and the set of open windows.
//
// A note carries only what every note needs on the screen: the hidden number label, the text label
// (which also draws the two diagonal marks) and its own palette. The edit box exists only while the
// note is edited, the picture only once one is set, the watch of the system's move loop only while
// it runs; the context menu is one for all notes (NoteMenu).
#pragma once

#include "model/records.h"
#include "window/geometry.h"
#include "window/qt/notecontrols.h"

#include <QBasicTimer>
#include <QFont>
#include <QLabel>
#include <QRegion>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

class QPixmap;

namespace tw {

struct AppState;
class NoteFaceHost;
class NoteGestureHost;
class NoteSetHost;

class frmPinly : public QWidget {
    Q_OBJECT
public:
    frmPinly(AppState& st, NoteGestureHost& gestures, NoteFaceHost& face, NoteSetHost& set);
    ~frmPinly() override;

    // ---- the diagonal marks ----
    const LineMark& lineSended() const { return lineSended_; }
    const LineMark& lineOutRange() const { return lineOutRange_; }
    void setLineSended(bool shown) { lineSended_.setVisible(shown); }
    void setLineOutRange(bool shown) { lineOutRange_.setVisible(shown); }
    // Draws the marks set to show over the text label, which lies above the window's own face.
    void paintLineMarks(QWidget& label) const;

    // ---- binding ----
    int record() const { return record_; }   // -1 when not bound
    NoteRecord* note();                      // nullptr when not bound
    // Binds the window to record `index` (the collection of windows keeps its index in step).
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
    // The back colour last set, as the settings hold colours.
    uint32_t backColourValue() const { return backValue_; }
    // Opaque or transparent frame: the edge drawn around the note.
    void applyFrameStyle(bool transparent);
    // The label laid over the whole note (it takes the window's colours), the edit box over it.
    void layoutLabel();
    // See-through (seethrough.cpp): the label is hidden and the note's own text is drawn straight
    // onto the window: the desktop shows around the letters. Where the desktop composes windows the
    // face is transparent and the whole note still takes the pointer; elsewhere the window exists only
    // where the letters are.
    void setSeeThrough(bool on);
    bool seeThrough() const { return seeThrough_; }
    // The outline of a shaped note (an empty region: the whole rectangle) and the place of its text
    // label (a null rectangle: the whole note), in pixels. Applied by layoutLabel.
    void setShapeLayout(const QRegion& outline, const QRect& labelRect);
    const QRegion& shapeOutline() const { return shapeOutline_; }
    // The stretched picture under the text; a null picture hides it.
    void setPicture(const QPixmap& picture);
    // The window's own picture, drawn at its top left at its natural size (null: none), and the text
    // colour alone (noteface.cpp).
    void setWindowPicture(const QPixmap& picture);
    void setTextColour(uint32_t text);
    // The file the picture was last loaded from ("" none): a focus does not load it again.
    const QString& loadedPicture() const { return loadedPicture_; }
    void setLoadedPicture(const QString& key) { loadedPicture_ = key; }
    // What the text label needs for its text, in pixels: one line per line of the text in the
    // label's font, with the label's margins.
    QSize textExtent() const;

    // ---- editing ----
    void beginEditing();
    // keepText: the edited text becomes the caption and the note's text; otherwise only the layout.
    // An edited text longer than a note may hold is refused with a notice: editing goes on when the
    // user ended it (`mayGoOn`, the result is then false), else the note keeps the text it had.
    bool endEditing(bool keepText, bool mayGoOn = false);
    bool isEditing() const { return editing_; }
    // Whether `box` is the edit box of the editing under way; a box whose editing ended lingers
    // until it is deleted.
    bool isEditBox(const NoteEdit* box) const { return box && box == rch; }
    void appendDroppedFiles(const QStringList& paths);

    // ---- handlers shared by the label, the picture and the window ----
    // `pos` in the coordinates of this window, `globalPos` on the screen.
    void onPress(Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos);
    void onRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPoint& globalPos);
    void onMove(Qt::MouseButtons buttons, const QPoint& pos, const QPoint& globalPos, QWidget* control);
    void onActivated();
    // The menu state taken over at the last focus; the shared menu shows it when this window opens
    // it. A window that never had the focus has none.
    bool hasMenuState() const { return hasMenuState_; }
    const NoteMenuState& menuState() const { return menuState_; }
    // A command changed the record: the menu state taken at the focus follows it.
    void retakeMenuState();

    // The link lines its note offered when the menu last opened (mnuHyperText), at most four.
    const std::vector<std::string>& links() const { return links_; }
    void setLinks(std::vector<std::string> lines) { links_ = std::move(lines); }
    // The tooltip of the text label, from the note as it is now.
    void refreshTooltip();

    // Closes the window for good without the closing rule (the program or a command unloads it).
    void unload();
    // A left press is being turned into a move or resize.
    bool dragging() const { return drag_.own || drag_.system; }

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // ---- controls, named as the forms name them (their object names) ----
    QLabel* lblID = nullptr;         // hidden: record index + 1, "Label1" while unbound
    NoteLabel* lbl = nullptr;        // the note text
    NoteLabel* img = nullptr;        // stretched background picture; none until one is set
    NoteEdit* rch = nullptr;         // edit box; exists only while editing
    LineMark lineOutRange_{*this, "lineOutRange", true};
    LineMark lineSended_{*this, "lineSended", false};
    QString loadedPicture_;
    std::vector<std::string> links_;

    void finishDrag();
    void takePlace(const QPoint& topLeft);   // the window's true place, where Qt believes another
    void discardEditBox();
    int tppX() const;
    int tppY() const;
    QString displayText(const std::string& text) const;

    AppState& st_;
    NoteGestureHost& gestures_;
    NoteFaceHost& face_;
    NoteSetHost& set_;
    int record_ = -1;
    std::string caption_;
    uint32_t backValue_ = 0;
    TwipsRect tw_;                  // the geometry last set or seen, in twips
    int16_t hit_ = kHitNowhere;
    bool editing_ = false;
    bool refusingEdit_ = false;    // the notice of an over-long edit is open
    bool unloading_ = false;
    bool transparentFrame_ = false;
    bool seeThrough_ = false;
    // See-through on a desktop that composes windows: the window keeps its whole outline (which then
    // takes the pointer everywhere) and draws only its letters on a transparent face.
    bool composedSeeThrough_ = false;
    QRegion shapeOutline_;
    QPixmap* windowPicture_ = nullptr;
    QRect labelRect_;
    // The font, rectangle and text of the directly drawn text.
    struct DirectText {
        QFont font;
        QRect rect;
        QString text;
    };
    DirectText directText() const;
    void applySeeThroughMask();
    void setComposedSeeThrough(bool on);
    void paintComposedSeeThrough();
    bool hasMenuState_ = false;
    NoteMenuState menuState_;

    struct Drag {
        bool own = false;           // the program moves the window with the mouse
        bool system = false;        // the system's move/size loop runs
        bool released = false;      // the button came up; the loop's last move may still be coming
        int16_t hit = kHitNowhere;
        QPoint startGlobal;
        QRect startGeometry;
    } drag_;
    QBasicTimer systemLoopWatch_;   // notices the end of the system's loop; runs only during it
    QBasicTimer placeCheck_;        // a while after the window system moved the window: is it there?
    qint64 lastGeometryChange_ = 0;
};

}  // namespace tw
