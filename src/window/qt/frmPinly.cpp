// The note window: its controls, the shared mouse handlers (cursor zones, move and resize,
// right-button gestures), the resize and focus handlers, editing in place and the closing rule.
#include "window/qt/frmPinly.h"

#include "model/state.h"
#include "notes/mdpinly.h"
#include "notes/noteinfo.h"
#include "notes/notetable.h"
#include "platform/codepage.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/qt/windowplace.h"
#include "window/qt/colours.h"
#include "window/qt/notehost.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTextCursor>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace tw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

Qt::CursorShape cursorShape(ZoneCursor c) {
    switch (c) {
    case ZoneCursor::SizeWE: return Qt::SizeHorCursor;
    case ZoneCursor::SizeNS: return Qt::SizeVerCursor;
    case ZoneCursor::SizeNWSE: return Qt::SizeFDiagCursor;
    case ZoneCursor::SizeNESW: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

Qt::Edges edgesOf(int16_t hit) {
    switch (hit) {
    case kHitLeft: return Qt::LeftEdge;
    case kHitRight: return Qt::RightEdge;
    case kHitTop: return Qt::TopEdge;
    case kHitBottom: return Qt::BottomEdge;
    case kHitTopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case kHitTopRight: return Qt::TopEdge | Qt::RightEdge;
    case kHitBottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case kHitBottomRight: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

// How often the end of the system's move/size loop is looked for, and how long the geometry must
// have stood still with the button up.
constexpr int kLoopWatchMs = 100;
constexpr qint64 kLoopSettledMs = 150;
constexpr int kPlaceCheckMs = 200;

}  // namespace

frmPinly::frmPinly(AppState& st, NoteGestureHost& gestures, NoteFaceHost& face, NoteSetHost& set)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), st_(st), gestures_(gestures), face_(face), set_(set) {
    setObjectName("frmPinly");
    setAttribute(Qt::WA_QuitOnClose, false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setAutoFillBackground(true);

    lblID = new QLabel("Label1", this);
    lblID->setObjectName("lblID");
    lblID->hide();

    lbl = new NoteLabel(*this, NoteLabel::Role::Text);
    lbl->setObjectName("lbl");
    lbl->setTextFormat(Qt::PlainText);   // a note text is never markup
    lbl->setWordWrap(true);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// The edit boxes go first, while the window is still whole: one that holds the focus is told of its
// loss while the window is taken down, and would end the editing of a half-destroyed window.
frmPinly::~frmPinly() {
    delete windowPicture_;
    editing_ = false;
    rch = nullptr;
    qDeleteAll(findChildren<NoteEdit*>(Qt::FindDirectChildrenOnly));
}

// ---- binding ----

NoteRecord* frmPinly::note() {
    const int i = record();
    auto& table = st_.NoteTable;
    if (i < 0 || static_cast<size_t>(i) >= table.size()) return nullptr;
    return &table[static_cast<size_t>(i)];
}

void frmPinly::bind(int index) {
    record_ = index;
    lblID->setText(QString::number(index + 1));
    refreshTooltip();
}

void frmPinly::refreshTooltip() {
    lbl->setToolTip(QString::fromStdString(noteTooltip(st_, record_)));
}

// ---- geometry ----

int frmPinly::tppX() const { return std::max(1, st_.sys.screen->twipsPerPixelX()); }

int frmPinly::tppY() const { return std::max(1, st_.sys.screen->twipsPerPixelY()); }

// The twips set last stay valid as long as the window still has the pixels they map to; a side the
// window manager or a drag changed is taken from the pixels.
TwipsRect frmPinly::twipsGeometry() const {
    const QRect g = geometry();
    const int tx = tppX(), ty = tppY();
    TwipsRect r = tw_;
    if (g.x() != twipsToPixels(tw_.left, tx)) r.left = pixelsToTwips(g.x(), tx);
    if (g.y() != twipsToPixels(tw_.top, ty)) r.top = pixelsToTwips(g.y(), ty);
    if (g.width() != std::max(1, twipsToPixels(tw_.width, tx))) r.width = pixelsToTwips(g.width(), tx);
    if (g.height() != std::max(1, twipsToPixels(tw_.height, ty))) r.height = pixelsToTwips(g.height(), ty);
    return r;
}

void frmPinly::setTwipsGeometry(const TwipsRect& r) {
    tw_ = r;
    const int tx = tppX(), ty = tppY();
    setGeometry(twipsToPixels(r.left, tx), twipsToPixels(r.top, ty), std::max(1, twipsToPixels(r.width, tx)),
                std::max(1, twipsToPixels(r.height, ty)));
}

// ---- face ----

QString frmPinly::displayText(const std::string& text) const { return qs(toEditText(text)); }

void frmPinly::setCaption(const std::string& text) {
    caption_ = text;
    lbl->setText(displayText(text));
}

void frmPinly::setLabelFont(const FontPreset* preset) { applyFontPreset(*lbl, preset); }

QSize frmPinly::textExtent() const {
    const QFontMetrics fm(lbl->font());
    const QRect text = fm.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::AlignLeft | Qt::AlignTop,
                                       lbl->text().isEmpty() ? QStringLiteral(" ") : lbl->text());
    const int margin = 2 * lbl->margin() + 4;
    return QSize(text.width() + margin, text.height() + margin);
}

void frmPinly::setColours(uint32_t back, uint32_t text) {
    backValue_ = back;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colourFromValue(back));
    pal.setColor(QPalette::WindowText, colourFromValue(text));
    setPalette(pal);
}

void frmPinly::applyFrameStyle(bool transparent) {
    transparentFrame_ = transparent;
    update();
}

// The label has no palette of its own: as a child it shows the colours the window was given.
void frmPinly::layoutLabel() {
    lbl->setGeometry(labelRect_.isNull() ? rect() : labelRect_);
    if (editing_) rch->setGeometry(lbl->geometry());
    if (seeThrough_ && !editing_)
        applySeeThroughMask();
    else if (shapeOutline_.isEmpty())
        clearMask();
    else
        setMask(shapeOutline_);
}

void frmPinly::setShapeLayout(const QRegion& outline, const QRect& labelRect) {
    shapeOutline_ = outline;
    labelRect_ = labelRect;
    layoutLabel();
}

void frmPinly::setPicture(const QPixmap& picture) {
    if (!img && picture.isNull()) return;   // nothing to hide: no picture control is made for it
    if (!img) {
        img = new NoteLabel(*this, NoteLabel::Role::Picture);
        img->setObjectName("img");
        img->setScaledContents(true);
        img->setGeometry(rect());
        img->lower();   // under the text and the edit box
    }
    img->setPixmap(picture);
    img->setVisible(!picture.isNull());
}

void frmPinly::paintLineMarks(QWidget& label) const {
    if (!(lineSended_.isVisible() || lineOutRange_.isVisible())) return;
    QPainter p(&label);
    p.translate(-label.pos());   // the marks run across the window, whose corners they join
    lineSended_.paint(p, rect());
    lineOutRange_.paint(p, rect());
}

void frmPinly::paintEvent(QPaintEvent*) {
    if (composedSeeThrough_) {
        paintComposedSeeThrough();
        return;
    }
    // The note's edge: raised for an opaque note, sunken for a see-through one.
    QPainter p(this);
    const QColor back = palette().color(QPalette::Window);
    const QColor light = back.lighter(140), dark = back.darker(170);
    const int r = width() - 1, b = height() - 1;
    if (windowPicture_) p.drawPixmap(0, 0, *windowPicture_);
    p.setPen(transparentFrame_ ? dark : light);
    p.drawLine(0, 0, r, 0);
    p.drawLine(0, 0, 0, b);
    p.setPen(transparentFrame_ ? light : dark);
    p.drawLine(0, b, r, b);
    p.drawLine(r, 0, r, b);
    if (seeThrough_) {
        const DirectText t = directText();
        p.setFont(t.font);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(t.rect, Qt::TextWordWrap, t.text);
    }
}

// ---- editing ----

void frmPinly::beginEditing() {
    NoteRecord* r = note();
    if (!r || editing_) return;
    if (r->has(kFlagReversed) || st_.blinkRunning) return;
    rch = new NoteEdit(*this);
    rch->setGeometry(lbl->geometry());
    applyFontPreset(*rch, presetFor(st_, r->TextSize));
    // The edit box takes the note's colours, so that editing happens on the note itself.
    QPalette pal = rch->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    pal.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    rch->setPalette(pal);
    rch->setPlainText(displayText(caption_));
    editing_ = true;
    lbl->hide();
    if (seeThrough_) clearMask();   // the whole note while it is edited
    rch->show();
    rch->raise();
    rch->setFocus(Qt::OtherFocusReason);
    QTextCursor c = rch->textCursor();
    c.movePosition(QTextCursor::Start);
    // The very first note's text: its first line selected, so that typing replaces it.
    if (caption_ == kProductName) {
        c.movePosition(QTextCursor::StartOfLine);
        c.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    }
    rch->setTextCursor(c);
}

bool frmPinly::endEditing(bool keepText, bool mayGoOn) {
    if (keepText) {
        if (!editing_ || refusingEdit_) return false;
        // Text still being composed with the input method is part of what the member typed.
        rch->commitComposition();
        NoteRecord* r = note();
        std::string text = r ? textAfterEdit(r->Text, rch->toPlainText().toStdString())
                             : fromEditText(rch->toPlainText().toStdString());
        if (r && text != r->Text) {
            if (const std::string refusal = editedTextRefusal(text); !refusal.empty()) {
                // The notice takes the focus from the edit box: that must not end editing again.
                refusingEdit_ = true;
                st_.sys.prompter->ask("確認", refusal, Icon::Information, Buttons::Ok);
                refusingEdit_ = false;
                if (mayGoOn && rch) {
                    rch->setFocus(Qt::OtherFocusReason);
                    return false;
                }
                text = r->Text;
            }
        }
        // Characters the file cannot hold: the member is told, and goes back to the edit or keeps the
        // text with "?" in their places, as the file holds it.
        if (r && text != r->Text) {
            refusingEdit_ = true;
            std::optional<std::string> kept = storableEditedText(*st_.sys.prompter, text, mayGoOn);
            refusingEdit_ = false;
            if (!kept && rch) {
                activateWindow();   // the box that asked had it: typing goes on here
                rch->setFocus(Qt::OtherFocusReason);
                return false;
            }
            text = kept ? *kept : withUnstorableReplaced(text);
        }
        editing_ = false;   // before the edit box hides and loses the focus
        setCaption(text);
        if (r) {
            setLabelFont(presetFor(st_, r->TextSize));
            r->Text = caption_;
        }
    }
    editing_ = false;
    discardEditBox();
    // Only after editing has hidden it: showing a label that was never hidden would make a window
    // that is being loaded size the label to its text first, for nothing.
    if (seeThrough_) {
        applySeeThroughMask();   // the new text, cut anew
        update();
    } else if (lbl->isHidden()) {
        lbl->show();
    }
    // A note that follows its text takes the size of the new one.
    if (keepText && note()) face_.autoSizeIfOn(*this);
    // Its links and timed lines are read from the text as it now is.
    if (note()) face_.refreshLinks(*this);
    return true;
}

// The edit box goes with the end of editing. It may be in the middle of one of its own events (the
// Escape key, a double click, the loss of the focus): it is hidden now and deleted later.
void frmPinly::discardEditBox() {
    if (!rch) return;
    NoteEdit* box = rch;
    rch = nullptr;
    box->setObjectName(QString());   // "rch" is the box of the editing under way only
    box->hide();
    box->deleteLater();
}

void frmPinly::appendDroppedFiles(const QStringList& paths) {
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(p.toStdString());
    const std::string text = tw::appendDroppedFiles(fromEditText(rch->toPlainText().toStdString()), files);
    rch->setPlainText(displayText(text));
    rch->moveCursor(QTextCursor::End);
}

// ---- mouse ----

void frmPinly::mousePressEvent(QMouseEvent* e) {
    onPress(e->button(), e->position().toPoint(), e->globalPosition().toPoint());
}

void frmPinly::mouseReleaseEvent(QMouseEvent* e) { onRelease(e->button(), e->modifiers(), e->globalPosition().toPoint()); }

void frmPinly::mouseMoveEvent(QMouseEvent* e) {
    onMove(e->buttons(), e->position().toPoint(), e->globalPosition().toPoint(), this);
}

void frmPinly::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) beginEditing();
}

void frmPinly::onPress(Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos) {
    // The press tells where the window really is: its place in the window and on the screen both
    // come from the window system. A drag, a new note beside this one and the record all start from
    // the window's place, so it is put right first.
    takePlace(globalPos - pos);
    if (st_.blinkRunning) {
        st_.blinkRunning = false;   // the press only stops the blinking
        return;
    }
    NoteRecord* r = note();
    if (!r) return;
    if (!isActiveWindow()) {
        // A press gives the window the focus. Where the activation comes late or not at all (no
        // window manager), what the focus brings (the menu state) is taken now.
        activateWindow();
        onActivated();
        r = note();
        if (!r || !isVisible()) return;
    }
    if (button == Qt::LeftButton) {
        if (r->has(kFlagLocked)) return;   // not even the z-order step
        if (drag_.system) finishDrag();    // a loop whose end went unnoticed
        drag_ = Drag{};
        drag_.hit = hit_;
        if (hit_ != kHitCaption && !isSizeCode(hit_)) {
            finishDrag();   // no loop to run: clamp and store at once
            return;
        }
        QWindow* wh = windowHandle();
        const bool system = wh && (hit_ == kHitCaption ? wh->startSystemMove() : wh->startSystemResize(edgesOf(hit_)));
        if (system) {
            drag_.system = true;
            lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
            systemLoopWatch_.start(kLoopWatchMs, this);
        } else {
            // The platform runs no loop of its own: follow the mouse until the button comes up.
            drag_.own = true;
            drag_.startGlobal = globalPos;
            drag_.startGeometry = geometry();
        }
        return;
    }
    if (r->has(kFlagAlwaysBack)) gestures_.sendToBack(this);
}

void frmPinly::onMove(Qt::MouseButtons buttons, const QPoint& pos, const QPoint& globalPos, QWidget* control) {
    if (drag_.own) {
        if (buttons & Qt::LeftButton) {
            const QRect s = drag_.startGeometry;
            const QPoint d = globalPos - drag_.startGlobal;
            const TwipsRect g = applyDrag({s.x(), s.y(), s.width(), s.height()}, drag_.hit, d.x(), d.y(), 1);
            setGeometry(g.left, g.top, g.width, g.height);
        }
        return;
    }
    NoteRecord* r = note();
    if (!r) return;
    const int tx = tppX(), ty = tppY();
    const TwipsRect win = twipsGeometry();
    ZoneInput in;
    in.x = pos.x() * tx;
    in.y = pos.y() * ty;
    if (control == this || (control == lbl && lbl->geometry() == rect())) {
        in.controlWidth = win.width;
        in.controlHeight = win.height;
    } else {
        in.controlWidth = control->width() * tx;
        in.controlHeight = control->height() * ty;
    }
    in.windowWidth = win.width;
    in.windowHeight = win.height;
    in.overLabel = control == lbl;
    in.buttonHeld = buttons != Qt::NoButton;
    const auto zone = cursorZone(*r, in);
    if (!zone) return;
    hit_ = zone->hit;
    control->setCursor(cursorShape(zone->cursor));
}

void frmPinly::onRelease(Qt::MouseButton button, Qt::KeyboardModifiers mods, const QPoint& globalPos) {
    if (button == Qt::LeftButton) {
        if (drag_.system) {
            // The window manager ends its loop at this release, but the window's last place reaches
            // us only after it: the watch finishes once the place has stopped changing.
            drag_.released = true;
            lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
        } else if (dragging()) {
            finishDrag();
        }
        return;
    }
    if (button != Qt::RightButton || record() < 0) return;
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier, shift = mods & Qt::ShiftModifier;
    if (ctrl && alt)
        gestures_.peelNote(this);
    else if (shift)
        gestures_.duplicateNote(this);
    else if (ctrl)
        gestures_.newNote(this);
    else
        gestures_.popupMenu(*this, globalPos);
}

void frmPinly::finishDrag() {
    drag_ = Drag{};
    systemLoopWatch_.stop();
    if (!note()) return;
    TwipsRect g = twipsGeometry();
    g = clampAfterDrag(g, st_.sys.screen->widthTwips(), st_.sys.screen->heightTwips());
    setTwipsGeometry(g);
    NoteRecord* r = note();
    storeGeometry(*r, g);
    if (r->has(kFlagAlwaysBack)) gestures_.sendToBack(this);
}

// ---- resize, focus, close ----

void frmPinly::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (drag_.system) lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
    NoteRecord* r = note();
    if (!r) return;
    storeGeometry(*r, twipsGeometry());
    if (img) img->resize(size());
    // The outline and the label follow the new size.
    face_.applyShape(*this);
}

void frmPinly::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (drag_.system) lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
    // Whoever moved the window (our drag, the window manager after a press too short for our drag,
    // its keyboard move), the record follows, as it follows a resize; a window put where its record
    // says keeps the record's exact twips.
    if (NoteRecord* r = note()) storeGeometry(*r, twipsGeometry());
    // A place the window system reports may be one its window manager passed through while it took
    // the window into its frame: asked again once things have settled.
    if (e->spontaneous() && !drag_.own) placeCheck_.start(kPlaceCheckMs, this);
}

void frmPinly::takePlace(const QPoint& topLeft) {
    // Asked to go where it already is, the window stays, and Qt and the record learn its place. A
    // pixel or two apart is the rounding of a fractional screen scale, not a wrong place: a note must
    // not creep at every press.
    if ((topLeft - geometry().topLeft()).manhattanLength() > 2) move(topLeft);
}

void frmPinly::timerEvent(QTimerEvent* e) {
    if (e->timerId() == placeCheck_.timerId()) {
        placeCheck_.stop();
        if (const auto at = placeOnScreen(*this)) takePlace(*at);
        return;
    }
    if (e->timerId() != systemLoopWatch_.timerId()) {
        QWidget::timerEvent(e);
        return;
    }
    if (!drag_.released && (QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
    if (QDateTime::currentMSecsSinceEpoch() - lastGeometryChange_ < kLoopSettledMs) return;
    finishDrag();
}

bool frmPinly::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) onActivated();
    return QWidget::event(e);
}

void frmPinly::onActivated() {
    if (st_.exiting) {
        unload();
        return;
    }
    NoteRecord* r = note();
    if (!r) return;
    if (hiddenByPeriod(st_, record())) hide();

    menuState_ = focusMenuState(*r);
    hasMenuState_ = true;
    face_.refreshBackground(*this);
    refreshTooltip();
}

void frmPinly::retakeMenuState() {
    if (hasMenuState_ && note()) menuState_ = focusMenuState(*note());
}

void frmPinly::closeEvent(QCloseEvent* e) {
    if (unloading_) {
        e->accept();
        return;
    }
    if (qApp && qApp->isSavingSession()) {
        // The desktop session ends: the program ends with its files written.
        e->accept();
        set_.exitProgram();
        return;
    }
    // Any other close takes only this window away; its record stays and gets a window again at the
    // next refresh.
    e->accept();
    unload();
}

void frmPinly::unload() {
    if (unloading_) return;
    unloading_ = true;
    if (editing_) endEditing(true);
    set_.forget(this);
    hide();
    deleteLater();
}

}  // namespace tw
