// The controls of a note window: the label that shows the text (and, as a second instance, the
// stretched picture under it), the edit box that exists only while the note is edited, and the two
// diagonal marks, which are drawn over the label instead of being controls of their own.
#pragma once

#include "model/records.h"

#include <QLabel>
#include <QPlainTextEdit>

class QPainter;

namespace tw {

class frmPinly;

// The edit box (rch): files dropped on it while editing become lines of the text; nothing else is
// taken. Escape, a double click and losing the focus (except to its own context menu) end editing.
//
// Text typed through an input method is first composed: the box shows it (the preedit) but it is not
// yet part of the text. A press in the box and the end of editing commit it first, so that the text
// holds what the member saw, once.
class NoteEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit NoteEdit(frmPinly& owner);

    // The text being composed, shown in the box but not yet part of its text.
    QString composition() const;
    // Makes the composition part of the text where it is shown. The input method is asked to commit
    // it; one that leaves it shown (it would commit it later, or no longer works for this box) is
    // told to drop it, and the box takes it in itself.
    void commitComposition();

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    bool editingHere() const;

    frmPinly& owner_;
    // The composition just committed. Some input methods, reset after committing it, send the same
    // text once more a moment later, with nothing composed in between: that repeat is dropped.
    QString committed_;
};

// The note's text label (lbl) and its picture (img): both hand every mouse press, release, move and
// double click to the window's shared handlers. The text label also draws the diagonal marks above
// its text, where the marks always lay.
class NoteLabel : public QLabel {
    Q_OBJECT
public:
    enum class Role { Text, Picture };
    NoteLabel(frmPinly& owner, Role role);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    frmPinly& owner_;
    Role role_;
};

// One of the two diagonal marks across a note: from the top-right corner (rising, lineOutRange: the
// period has not started) or from the top-left corner (lineSended: sent). A 1-pixel black line over
// the whole window, drawn above the text.
class LineMark {
public:
    LineMark(QWidget& note, const char* name, bool rising) : note_(note), name_(name), rising_(rising) {}
    LineMark(const LineMark&) = delete;
    LineMark& operator=(const LineMark&) = delete;

    const char* objectName() const { return name_; }
    // Whether the mark is set to show; it is seen whenever its note and the note's label are.
    bool isVisible() const { return visible_; }
    void setVisible(bool on);
    void show() { setVisible(true); }
    void hide() { setVisible(false); }
    // Draws the mark across `noteRect` (window coordinates) when it is set to show.
    void paint(QPainter& p, const QRect& noteRect) const;

private:
    QWidget& note_;
    const char* name_;
    bool rising_;
    bool visible_ = false;
};

// Applies a font preset on top of a control's own font: family, point size when one is given, bold
// and italic. Nothing changes without a preset.
void applyFontPreset(QWidget& control, const FontPreset* preset);

}  // namespace tw
