// The note window's controls: the edit box, the text and picture labels, the diagonal marks and the
// font presets.
#include "window/qt/notecontrols.h"

#include "window/qt/frmPinly.h"

#include <QDir>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>

namespace tw {

namespace {

QStringList localFiles(const QMimeData* m) {
    QStringList out;
    if (!m || !m->hasUrls()) return out;
    for (const QUrl& u : m->urls())
        if (u.isLocalFile()) out << QDir::toNativeSeparators(u.toLocalFile());
    return out;
}

}  // namespace

// ---- the edit box ----

NoteEdit::NoteEdit(frmPinly& owner) : QPlainTextEdit(&owner), owner_(owner) {
    setObjectName("rch");
    setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
}

// A box whose editing has ended lingers until it is deleted (and may still hold the focus until the
// next box takes it); only the box of the editing under way acts on the note.
bool NoteEdit::editingHere() const { return owner_.isEditBox(this) && owner_.isEditing(); }

bool NoteEdit::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) committed_.clear();   // typing goes on: no repeat is due any more
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && owner_.isEditBox(this)) {
        owner_.endEditing(true, true);
        return true;
    }
    // The edit box's own context menu takes the focus for a moment; that does not end editing.
    if (e->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason &&
        editingHere())
        owner_.endEditing(true, true);
    return QPlainTextEdit::event(e);
}

bool NoteEdit::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::MouseButtonDblClick && owner_.isEditBox(this)) {
        owner_.endEditing(true, true);
        return true;
    }
    // A press moves the cursor: what is being composed goes into the text where it stands first.
    if (e->type() == QEvent::MouseButtonPress && owner_.isEditBox(this)) commitComposition();
    return QPlainTextEdit::viewportEvent(e);
}

QString NoteEdit::composition() const {
    const QTextLayout* layout = textCursor().block().layout();
    return layout ? layout->preeditAreaText() : QString();
}

void NoteEdit::commitComposition() {
    if (composition().isEmpty()) return;
    // The input method works for the focus object only: when that is no longer this box (the focus
    // went to another window), what it would commit would go elsewhere, and it is left alone.
    const bool imHere = QGuiApplication::focusObject() == this;
    if (imHere) QGuiApplication::inputMethod()->commit();
    const QString shown = composition();
    if (shown.isEmpty()) return;
    QInputMethodEvent take;
    take.setCommitString(shown);
    inputMethodEvent(&take);
    if (imHere) QGuiApplication::inputMethod()->reset();
}

void NoteEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    const QString preedit = e->preeditString();
    if (!committed_.isEmpty() && commit == committed_ && preedit.isEmpty() && e->replacementLength() == 0) {
        committed_.clear();
        e->accept();
        return;
    }
    // Anything composed or committed since ends the wait for a repeat; a commit of what was shown
    // starts one.
    if (!commit.isEmpty() || !preedit.isEmpty()) committed_.clear();
    if (!commit.isEmpty() && commit == composition()) committed_ = commit;
    QPlainTextEdit::inputMethodEvent(e);
}

void NoteEdit::dragEnterEvent(QDragEnterEvent* e) {
    if (localFiles(e->mimeData()).isEmpty())
        e->ignore();
    else
        e->acceptProposedAction();
}

void NoteEdit::dragMoveEvent(QDragMoveEvent* e) {
    if (localFiles(e->mimeData()).isEmpty())
        e->ignore();
    else
        e->acceptProposedAction();
}

void NoteEdit::dropEvent(QDropEvent* e) {
    const QStringList files = localFiles(e->mimeData());
    if (files.isEmpty()) {
        e->ignore();   // text and other data are not taken
        return;
    }
    owner_.appendDroppedFiles(files);
    e->acceptProposedAction();
}

// ---- the labels ----

NoteLabel::NoteLabel(frmPinly& owner, Role role) : QLabel(&owner), owner_(owner), role_(role) {
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
}

void NoteLabel::mousePressEvent(QMouseEvent* e) {
    owner_.onPress(e->button(), mapTo(&owner_, e->position().toPoint()), e->globalPosition().toPoint());
}

void NoteLabel::mouseReleaseEvent(QMouseEvent* e) {
    owner_.onRelease(e->button(), e->modifiers(), e->globalPosition().toPoint());
}

void NoteLabel::mouseMoveEvent(QMouseEvent* e) {
    owner_.onMove(e->buttons(), e->position().toPoint(), e->globalPosition().toPoint(), this);
}

void NoteLabel::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) owner_.beginEditing();
}

void NoteLabel::paintEvent(QPaintEvent* e) {
    QLabel::paintEvent(e);
    if (role_ == Role::Text) owner_.paintLineMarks(*this);
}

// ---- the marks ----

void LineMark::setVisible(bool on) {
    if (visible_ == on) return;
    visible_ = on;
    note_.update();
}

void LineMark::paint(QPainter& p, const QRect& r) const {
    if (!visible_) return;
    p.setPen(QPen(Qt::black, 1));
    if (rising_)
        p.drawLine(r.right(), r.top(), r.left(), r.bottom());
    else
        p.drawLine(r.left(), r.top(), r.right(), r.bottom());
}

// ---- fonts ----

void applyFontPreset(QWidget& control, const FontPreset* preset) {
    if (!preset) return;
    QFont f = control.font();
    f.setFamily(QString::fromStdString(preset->FontName));
    if (preset->FontSize > 0) f.setPointSize(preset->FontSize);
    f.setBold(preset->Bold);
    f.setItalic(preset->Italic);
    control.setFont(f);
}

}  // namespace tw
