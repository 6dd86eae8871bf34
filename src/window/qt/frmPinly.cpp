// The note window: its controls and menu, the shared mouse handlers (cursor zones, move and resize,
// right-button gestures), the resize and focus handlers, editing in place and the closing rule.
#include "window/qt/frmPinly.h"

#include "app/qt/programhooks.h"
#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "notes/qt/notewindows.h"
#include "platform/screen.h"
#include "window/qt/colours.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextCursor>
#include <QUrl>
#include <QWindow>

#include <algorithm>

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

QStringList localFiles(const QMimeData* m) {
    QStringList out;
    if (!m || !m->hasUrls()) return out;
    for (const QUrl& u : m->urls())
        if (u.isLocalFile()) out << QDir::toNativeSeparators(u.toLocalFile());
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

NoteEdit::NoteEdit(frmPinly& owner) : QPlainTextEdit(&owner), owner_(owner) {
    setObjectName("rch");
    setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
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

LineMark::LineMark(QWidget* parent, bool rising) : QWidget(parent), rising_(rising) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void LineMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    if (rising_)
        p.drawLine(width() - 1, 0, 0, height() - 1);
    else
        p.drawLine(0, 0, width() - 1, height() - 1);
}

// ---------------------------------------------------------------------------------------------------

frmPinly::frmPinly(NoteWindows& notes) : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), notes_(notes) {
    setObjectName("frmPinly");
    setAttribute(Qt::WA_QuitOnClose, false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setAutoFillBackground(true);

    lblID = new QLabel("Label1", this);
    lblID->setObjectName("lblID");
    lblID->hide();

    img = new QLabel(this);
    img->setObjectName("img");
    img->setScaledContents(true);
    img->setContextMenuPolicy(Qt::PreventContextMenu);
    img->setMouseTracking(true);
    img->hide();
    img->installEventFilter(this);

    lbl = new QLabel(this);
    lbl->setObjectName("lbl");
    lbl->setTextFormat(Qt::PlainText);   // a note text is never markup
    lbl->setWordWrap(true);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbl->setContextMenuPolicy(Qt::PreventContextMenu);
    lbl->setMouseTracking(true);
    lbl->installEventFilter(this);

    rch = new NoteEdit(*this);
    rch->hide();
    rch->installEventFilter(this);
    rch->viewport()->installEventFilter(this);

    lineOutRange = new LineMark(this, true);
    lineOutRange->setObjectName("lineOutRange");
    lineSended = new LineMark(this, false);
    lineSended->setObjectName("lineSended");

    buildMenu();

    systemLoopWatch_.setInterval(100);
    connect(&systemLoopWatch_, &QTimer::timeout, this, [this] {
        if (QGuiApplication::mouseButtons() & Qt::LeftButton) return;
        if (QDateTime::currentMSecsSinceEpoch() - lastGeometryChange_ < 150) return;
        finishDrag();
    });
}

frmPinly::~frmPinly() = default;

// ---- menu ----

QAction* frmPinly::item(QMenu* menu, const char* name, const QString& caption) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(name);
    a->setEnabled(false);   // until its command is wired
    menu->addAction(a);
    return a;
}

QMenu* frmPinly::submenu(QMenu* menu, const char* name, const QString& caption) {
    auto* m = new QMenu(caption, menu);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    menu->addMenu(m);
    return m;
}

QAction* frmPinly::separator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

void frmPinly::wire(QAction* a, std::function<void()> command) {
    ready_.insert(a);
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, [command = std::move(command)] { command(); });
}

void frmPinly::setEnabledIfReady(QAction* a, bool on) { a->setEnabled(on && ready_.contains(a)); }

void frmPinly::buildMenu() {
    mnu1 = new QMenu(QString::fromUtf8("メニュー１"), this);
    mnu1->setObjectName("mnu1");

    mnuPinlyDegine = submenu(mnu1, "mnuPinlyDegine", "作成(&D)");
    mnuPinlyNew = item(mnuPinlyDegine, "mnuPinlyNew", "新規(&N)");
    mnuPinlyCopy = item(mnuPinlyDegine, "mnuPinlyCopy", "複製(&D)");
    mnuDelPinly = item(mnu1, "mnuDelPinly", "はがす(&R)");
    mnuUnDelPinly = submenu(mnu1, "mnuUnDelPinly", "戻す(&U)");
    for (int k = 0; k < 5; ++k) {
        mnuUndel[k] = item(mnuUnDelPinly, qPrintable(QString("mnuUndel%1").arg(k)), QString("Undo%1").arg(k));
        mnuUndel[k]->setVisible(k == 0);
    }
    mnuOutRange = item(mnu1, "mnuOutRange", NoteWindows::outOfPeriodCaption(false));
    mnuFInfo = item(mnu1, "mnuFInfo", "情報(&I)");

    mnuFAttrib = submenu(mnu1, "mnuFAttrib", "形状(&A)");
    const char* shapes[13] = {"通常(&N)", "円型(&C)", "星型(&S)", "ハート型(&H)", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
    for (int i = 0; i < 13; ++i) {
        mnuFstyleItem[i] = item(mnuFAttrib, qPrintable(QString("mnuFstyleItem%1").arg(i)), QString::fromUtf8(shapes[i]));
        mnuFstyleItem[i]->setCheckable(true);
        mnuFstyleItem[i]->setVisible(i < 2);
    }

    mnuTextFont = submenu(mnu1, "mnuTextFont", "文字(&T)");
    const char* sizes[3] = {"小(&S)", "中(&M)", "大(&L)"};
    for (int i = 0; i < 3; ++i) {
        mnuFont[i] = item(mnuTextFont, qPrintable(QString("mnuFont%1").arg(i)), QString::fromUtf8(sizes[i]));
        mnuFont[i]->setCheckable(true);
    }
    mnuSeparater0 = separator(mnuTextFont, "mnuSeparater0");
    mnuTextAutoSize = item(mnuTextFont, "mnuTextAutoSize", "サイズ自動調整");
    mnuTextAutoSize->setCheckable(true);

    mnuOption = submenu(mnu1, "mnuOption", "オプション(&N)");
    mnuSort = submenu(mnuOption, "mnuSort", "整列(&S)");
    const char* sorts[6] = {"左を揃える",   "右を揃える",          "上を揃える",
                            "下を揃える",   "左を揃える(幅を統一)", "右を揃える(自動サイズ調整)"};
    for (int i = 0; i < 6; ++i)
        mnuSortP[i] = item(mnuSort, qPrintable(QString("mnuSortP%1").arg(i)), QString::fromUtf8(sorts[i]));
    mnuSeparater6 = separator(mnuSort, "mnuSeparater6");
    const char* allSorts[2] = {"全て右を揃える", "全て左を揃える(幅を統一)"};
    for (int i = 0; i < 2; ++i)
        mnuAllSortP[i] = item(mnuSort, qPrintable(QString("mnuAllSortP%1").arg(i)), QString::fromUtf8(allSorts[i]));
    mnuLock = item(mnuOption, "mnuLock", "ロック(&L)");
    mnuLock->setCheckable(true);
    const char* zorders[2] = {"常に手前に表示(&F)", "常に後ろに表示(&B)"};
    for (int i = 0; i < 2; ++i) {
        mnuZorder[i] = item(mnuOption, qPrintable(QString("mnuZorder%1").arg(i)), QString::fromUtf8(zorders[i]));
        mnuZorder[i]->setCheckable(true);
    }
    mnuReverse = item(mnuOption, "mnuReverse", qs(kReverseCaption));
    mnuThrough = item(mnuOption, "mnuThrough", "透明(&T)");
    mnuThrough->setCheckable(true);

    mnuSeparater1 = separator(mnu1, "mnuSeparater1");
    const char* settings[5] = {"期間の設定(&W)", "伝言を送信(&S)", "受信状況一覧(&V)", "送受信履歴一覧(&L)", "背景の設定(&B)"};
    for (int k = 0; k < 5; ++k)
        mnuSetmForm[k] = item(mnu1, qPrintable(QString("mnuSetmForm%1").arg(k)), QString::fromUtf8(settings[k]));
    mnuAnktAnsX = item(mnu1, "mnuAnktAnsX", "アンケート回答集計(&Z)");
    mnuCancelSend = item(mnu1, "mnuCancelSend", "送信キャンセル(&C)");
    mnuSeparater5 = separator(mnu1, "mnuSeparater5");

    mnuTmrKind = submenu(mnu1, "mnuTmrKind", "タイマー種類(&K)");
    mnuTmrKind->menuAction()->setEnabled(false);
    const char* kinds[2] = {"ダイアログ表示(&D)", "ブリンク表示(&B)"};
    for (int k = 0; k < 2; ++k) {
        mnuTmrMsg[k] = item(mnuTmrKind, qPrintable(QString("mnuTmrMsg%1").arg(k)), QString::fromUtf8(kinds[k]));
        mnuTmrMsg[k]->setCheckable(true);
    }
    for (int k = 0; k < 4; ++k) {
        mnuHyperText[k] = item(mnu1, qPrintable(QString("mnuHyperText%1").arg(k)), QString("Shell%1").arg(k));
        mnuHyperText[k]->setVisible(false);
    }
    mnuSeparater2 = separator(mnu1, "mnuSeparater2");
    mnuSetConfig = item(mnu1, "mnuSetConfig", "環境設定(&G)");
    mnuHelp = submenu(mnu1, "mnuHelp", "ヘルプ(&H)");
    mnuHelpView = item(mnuHelp, "mnuHelpView", "ヘルプ(&H)");
    mnuWebAct = item(mnuHelp, "mnuWebAct", "ＷＥＢサポート(&W)");
    mnuSepareter3 = separator(mnuHelp, "mnuSepareter3");
    mnuVersion = item(mnuHelp, "mnuVersion", "バージョン(&V)");
    mnuSepareter4 = separator(mnu1, "mnuSepareter4");
    mnuAllExit = item(mnu1, "mnuAllExit", "タックウィスプを終了(&X)");

    mnu2 = new QMenu(QString::fromUtf8("メニュー２"), this);
    mnu2->setObjectName("mnu2");

    // The commands that exist.
    wire(mnuPinlyNew, [this] { notes_.newNote(this); });
    wire(mnuPinlyCopy, [this] { notes_.duplicateNote(this); });
    wire(mnuDelPinly, [this] { notes_.peelNote(this); });
    for (int k = 0; k < 5; ++k) wire(mnuUndel[k], [this, k] { notes_.undoPeel(k); });
    wire(mnuOutRange, [this] { notes_.toggleOutOfPeriod(); });
    if (notes_.hooks().environmentDialogAvailable()) wire(mnuSetConfig, [this] { notes_.showEnvironmentDialog(); });
    wire(mnuVersion, [this] { notes_.showAbout(); });
    wire(mnuAllExit, [this] { notes_.exitProgram(); });
}

// ---- binding ----

int frmPinly::record() const { return NoteWindows::recordOf(this); }

NoteRecord* frmPinly::note() {
    const int i = record();
    auto& table = notes_.state().NoteTable;
    if (i < 0 || static_cast<size_t>(i) >= table.size()) return nullptr;
    return &table[static_cast<size_t>(i)];
}

void frmPinly::bind(int index) { lblID->setText(QString::number(index + 1)); }

// ---- geometry ----

int frmPinly::tppX() const {
    Screen* s = notes_.state().sys.screen;
    return s ? std::max(1, s->twipsPerPixelX()) : 15;
}

int frmPinly::tppY() const {
    Screen* s = notes_.state().sys.screen;
    return s ? std::max(1, s->twipsPerPixelY()) : 15;
}

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

void frmPinly::setLabelFont(const FontPreset* preset) {
    if (!preset) return;
    QFont f = lbl->font();
    f.setFamily(qs(preset->FontName));
    if (preset->FontSize > 0) f.setPointSize(preset->FontSize);
    f.setBold(preset->Bold);
    f.setItalic(preset->Italic);
    lbl->setFont(f);
}

void frmPinly::setColours(uint32_t back, uint32_t text) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colourFromValue(back));
    pal.setColor(QPalette::WindowText, colourFromValue(text));
    setPalette(pal);
}

void frmPinly::applyFrameStyle(bool transparent) {
    transparentFrame_ = transparent;
    update();
}

void frmPinly::layoutLabel() {
    clearMask();
    lbl->setGeometry(rect());
    QPalette pal = lbl->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Window));
    pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    lbl->setPalette(pal);
    if (editing_) rch->setGeometry(lbl->geometry());
}

void frmPinly::layoutMarks() {
    lineSended->setGeometry(rect());
    lineOutRange->setGeometry(rect());
    lineSended->raise();
    lineOutRange->raise();
}

void frmPinly::paintEvent(QPaintEvent*) {
    // The note's edge: raised for an opaque note, sunken for a see-through one.
    QPainter p(this);
    const QColor back = palette().color(QPalette::Window);
    const QColor light = back.lighter(140), dark = back.darker(170);
    const int r = width() - 1, b = height() - 1;
    p.setPen(transparentFrame_ ? dark : light);
    p.drawLine(0, 0, r, 0);
    p.drawLine(0, 0, 0, b);
    p.setPen(transparentFrame_ ? light : dark);
    p.drawLine(0, b, r, b);
    p.drawLine(r, 0, r, b);
}

// ---- editing ----

void frmPinly::beginEditing() {
    NoteRecord* r = note();
    if (!r || editing_) return;
    if (r->has(kFlagReversed) || notes_.state().blinkRunning) return;
    rch->setGeometry(lbl->geometry());
    if (const FontPreset* f = presetFor(notes_.state(), r->TextSize)) {
        QFont font = rch->font();
        font.setFamily(qs(f->FontName));
        if (f->FontSize > 0) font.setPointSize(f->FontSize);
        font.setBold(f->Bold);
        font.setItalic(f->Italic);
        rch->setFont(font);
    }
    // The edit box takes the note's colours, so that editing happens on the note itself.
    QPalette pal = rch->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    pal.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    rch->setPalette(pal);
    rch->setPlainText(displayText(caption_));
    editing_ = true;
    lbl->hide();
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

void frmPinly::endEditing(bool keepText) {
    if (keepText) {
        if (!editing_) return;
        editing_ = false;   // before the edit box hides and loses the focus
        setCaption(fromEditText(rch->toPlainText().toStdString()));
        if (NoteRecord* r = note()) {
            setLabelFont(presetFor(notes_.state(), r->TextSize));
            r->Text = caption_;
        }
    }
    editing_ = false;
    rch->hide();
    lbl->show();
    layoutMarks();
}

void frmPinly::appendDroppedFiles(const QStringList& paths) {
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(p.toStdString());
    const std::string text = tw::appendDroppedFiles(fromEditText(rch->toPlainText().toStdString()), files);
    rch->setPlainText(displayText(text));
    rch->moveCursor(QTextCursor::End);
}

// ---- mouse ----

bool frmPinly::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lbl || watched == img) {
        auto* control = static_cast<QWidget*>(watched);
        switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(e);
            onPress(me->button(), me->position().toPoint(), me->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(e);
            onRelease(me->button(), me->modifiers(), me->globalPosition().toPoint());
            return true;
        }
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(e);
            onMove(me->buttons(), me->position().toPoint(), me->globalPosition().toPoint(), control);
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) beginEditing();
            return true;
        default: break;
        }
        return false;
    }
    if (watched == rch) {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            endEditing(true);
            return true;
        }
        // The edit box's own context menu takes the focus for a moment; that does not end editing.
        if (e->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason &&
            editing_)
            endEditing(true);
        return false;
    }
    if (watched == rch->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        endEditing(true);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

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

void frmPinly::onPress(Qt::MouseButton button, const QPoint&, const QPoint& globalPos) {
    AppState& st = notes_.state();
    if (st.blinkRunning) {
        st.blinkRunning = false;   // the press only stops the blinking
        return;
    }
    NoteRecord* r = note();
    if (!r) return;
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
            systemLoopWatch_.start();
        } else {
            // The platform runs no loop of its own: follow the mouse until the button comes up.
            drag_.own = true;
            drag_.startGlobal = globalPos;
            drag_.startGeometry = geometry();
        }
        return;
    }
    if (r->has(kFlagAlwaysBack)) notes_.sendToBack(this);
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
        if (dragging()) finishDrag();
        return;
    }
    if (button != Qt::RightButton || record() < 0) return;
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier, shift = mods & Qt::ShiftModifier;
    if (ctrl && alt)
        notes_.peelNote(this);
    else if (shift)
        notes_.duplicateNote(this);
    else if (ctrl)
        notes_.newNote(this);
    else {
        refreshContextMenu();
        notes_.popupMenu(*this, globalPos);
    }
}

void frmPinly::finishDrag() {
    drag_ = Drag{};
    systemLoopWatch_.stop();
    if (!note()) return;
    AppState& st = notes_.state();
    TwipsRect g = twipsGeometry();
    if (st.sys.screen) g = clampAfterDrag(g, st.sys.screen->widthTwips(), st.sys.screen->heightTwips());
    setTwipsGeometry(g);
    NoteRecord* r = note();
    storeGeometry(*r, g);
    if (r->has(kFlagAlwaysBack)) notes_.sendToBack(this);
}

void frmPinly::refreshContextMenu() {
    const AppState& st = notes_.state();
    const int count = std::clamp<int>(st.undoCount, 0, 5);
    mnuUnDelPinly->menuAction()->setVisible(count > 0);
    for (int k = 0; k < 5; ++k) {
        if (k < count) {
            mnuUndel[k]->setText(qs(undoCaption(st, k)));
            mnuUndel[k]->setVisible(true);
        } else if (k > 0) {
            mnuUndel[k]->setVisible(false);
        }
    }
}

// ---- resize, focus, close ----

void frmPinly::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (drag_.system) lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
    NoteRecord* r = note();
    if (!r) return;
    storeGeometry(*r, twipsGeometry());
    img->resize(size());
    layoutLabel();
    layoutMarks();
}

void frmPinly::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (drag_.system) lastGeometryChange_ = QDateTime::currentMSecsSinceEpoch();
}

bool frmPinly::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) onActivated();
    return QWidget::event(e);
}

void frmPinly::onActivated() {
    AppState& st = notes_.state();
    if (st.exiting) {
        unload();
        return;
    }
    NoteRecord* r = note();
    if (!r) return;
    if (hiddenByPeriod(st, record())) hide();

    menuState_ = focusMenuState(*r);
    const NoteMenuState& m = menuState_;
    setEnabledIfReady(mnuCancelSend, m.cancelSendEnabled);
    setEnabledIfReady(mnuSetmForm[0], m.periodEnabled);
    setEnabledIfReady(mnuSetmForm[1], m.sendEnabled);
    setEnabledIfReady(mnuSetmForm[2], m.receptionListEnabled);
    for (int i = 0; i < 13; ++i) mnuFstyleItem[i]->setChecked(i == m.checkedShape);
    for (int i = 0; i < 3; ++i) mnuFont[i]->setChecked(i == m.checkedFont);
    mnuTextAutoSize->setChecked(m.autoSize);
    mnuTmrMsg[0]->setChecked(m.timerDialog);
    mnuTmrMsg[1]->setChecked(m.timerBlink);
    mnuLock->setChecked(m.locked);
    mnuZorder[0]->setChecked(m.alwaysFront);
    mnuZorder[1]->setChecked(m.alwaysBack);
    mnuReverse->setText(qs(m.reverseCaption));
}

void frmPinly::closeEvent(QCloseEvent* e) {
    if (unloading_) {
        e->accept();
        return;
    }
    if (qApp && qApp->isSavingSession()) {
        // The desktop session ends: the program ends with its files written.
        e->accept();
        notes_.exitProgram();
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
    notes_.forget(this);
    hide();
    deleteLater();
}

}  // namespace tw
