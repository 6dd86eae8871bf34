#include "questionnaire/qt/fmSendOp.h"

#include "messaging/answertext.h"
#include "messaging/sharedlog.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>

#include <algorithm>

namespace tw {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The sizes below are the window's outer sizes; the frame takes this much of them.
constexpr int kFrameWidthTwips = 120, kFrameHeightTwips = 400;
constexpr int kRowTwips = 260;
// Where the rows start: the layout below puts text lines at the window's very edge otherwise.
constexpr int kMarginLeftTwips = 120, kMarginTopTwips = 60;
constexpr int kButtonWidthTwips = 1335, kButtonHeightTwips = 375;
const char* const kOutputError = "ファイル出力または印刷中にエラーが発生しました";

}  // namespace

fmSendOp::fmSendOp(AppState& st, std::vector<AnswerItem> items, AnswerOutput& output, QWidget* parent)
    : fmSendOp(st, std::move(items), parent) {
    output_ = &output;
}

fmSendOp::fmSendOp(AppState& st, std::vector<AnswerItem> items, QWidget* parent)
    : QDialog(parent), st_(st), items_(std::move(items)) {
    setObjectName(QStringLiteral("fmSendOp"));
    for (size_t i = 0; i < lbl.size(); ++i) {
        lbl[i] = new QLabel(this);
        lbl[i]->setObjectName(QStringLiteral("lbl%1").arg(i));
        lbl[i]->setTextFormat(Qt::PlainText);
        lbl[i]->hide();
    }
    for (size_t i = 0; i < opt.size(); ++i) {
        opt[i] = new QRadioButton(QStringLiteral("%1.").arg(i + 1), this);
        opt[i]->setObjectName(QStringLiteral("opt%1").arg(i));
        opt[i]->hide();
    }
    for (size_t i = 0; i < chk.size(); ++i) {
        chk[i] = new QCheckBox(QStringLiteral("%1)").arg(i + 1), this);
        chk[i]->setObjectName(QStringLiteral("chk%1").arg(i));
        chk[i]->hide();
    }
    btn = new QPushButton(QStringLiteral("ＯＫ"), this);
    btn->setObjectName(QStringLiteral("btn"));
    const char* outputs[2] = {"ファイル出力", "印刷"};
    for (size_t i = 0; i < 2; ++i) {
        btnOpt[i] = new QPushButton(QString::fromUtf8(outputs[i]), this);
        btnOpt[i]->setObjectName(QStringLiteral("btnOpt%1").arg(i));
        btnOpt[i]->setAutoDefault(false);
    }
    connect(btn, &QPushButton::clicked, this, &fmSendOp::okClicked);
    connect(btnOpt[0], &QPushButton::clicked, this, &fmSendOp::fileOutput);
    connect(btnOpt[1], &QPushButton::clicked, this, &fmSendOp::printOut);
    resize(px(4725 - kFrameWidthTwips), py(3000 - kFrameHeightTwips));
}

int fmSendOp::px(int twips) const { return twips / std::max(1, st_.sys.screen->twipsPerPixelX()); }
int fmSendOp::py(int twips) const { return twips / std::max(1, st_.sys.screen->twipsPerPixelY()); }

void fmSendOp::load() {
    // Without items the window stays as designed: nothing to answer, nothing to tally.
    if (items_.empty()) {
        btn->move((width() - btn->width()) / 2, height() - py(kButtonHeightTwips) - py(120));
        return;
    }
    if (AnsSheet)
        layOutTally();
    else
        layOutSheet();
}

void fmSendOp::layOutSheet() {
    btnOpt[0]->hide();
    btnOpt[1]->hide();
    size_t choices = 0, checks = 0;
    int bottom = 0, right = 0;
    for (size_t i = 0; i < lbl.size(); ++i) {
        QLabel* l = lbl[i];
        if (i >= items_.size()) {
            l->hide();
            continue;
        }
        const AnswerItem& item = items_[i];
        const int top = py(kMarginTopTwips + static_cast<int>(i) * kRowTwips);
        const int rowHeight = py(kRowTwips);
        l->setText(qs(item.text));
        int left = px(kMarginLeftTwips);
        QAbstractButton* b = nullptr;
        if (item.cls == ItemClass::Choice && choices < opt.size()) {
            b = opt[choices++];
        } else if (item.cls == ItemClass::Check && checks < chk.size()) {
            b = chk[checks++];
        }
        if (b) {
            b->setGeometry(px(kMarginLeftTwips + 120), top, b->sizeHint().width(), rowHeight);
            left = b->geometry().right() + 1 + px(20);
        }
        l->setGeometry(left, top, l->sizeHint().width(), rowHeight);
        l->show();
        bottom = std::max(bottom, l->geometry().bottom() + 1);
        right = std::max(right, l->geometry().right() + 1);
    }
    for (size_t i = 0; i < opt.size(); ++i) opt[i]->setVisible(i < choices);
    for (size_t i = 0; i < chk.size(); ++i) chk[i]->setVisible(i < checks);

    const int outerW = std::max(right * std::max(1, st_.sys.screen->twipsPerPixelX()) + 240, 1250);
    const int outerH = bottom * std::max(1, st_.sys.screen->twipsPerPixelY()) + 1000;
    // Wide enough for its title too ("…さんからのアンケート"), beside the window manager's icon and
    // buttons, which take about 100 pixels: a narrow sheet had its title cut to "…ート".
    const int titleWidth = fontMetrics().horizontalAdvance(windowTitle()) + 100;
    resize(std::max(px(outerW - kFrameWidthTwips), titleWidth), py(outerH - kFrameHeightTwips));
    btn->setGeometry((width() - px(kButtonWidthTwips)) / 2, py(outerH - 875), px(kButtonWidthTwips),
                     py(kButtonHeightTwips));
}

void fmSendOp::layOutTally() {
    btnOpt[0]->hide();
    btnOpt[1]->hide();
    tally_ = buildTally({items_, AnsStr, Sendcount, IsTerminate, st_.sys.clock->now()});
    if (IsTerminate) Sendcount = static_cast<int16_t>(std::clamp(tally_.sendCount, 0, 32767));
    QLabel* text = lbl[0];
    if (tally_.text.empty()) {
        text->hide();
        btn->setGeometry((width() - px(kButtonWidthTwips)) / 2, height() - py(kButtonHeightTwips) - py(120),
                         px(kButtonWidthTwips), py(kButtonHeightTwips));
        return;
    }
    QString shown = qs(tally_.text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text->setText(shown);
    text->setContentsMargins(px(kMarginLeftTwips), py(kMarginTopTwips), 0, 0);
    text->adjustSize();
    // A long tally scrolls inside a window that fits on the screen.
    area_ = new QScrollArea(this);
    area_->setObjectName(QStringLiteral("tallyArea"));
    area_->setFrameShape(QFrame::NoFrame);
    area_->setWidget(text);
    text->show();

    const int tppX = std::max(1, st_.sys.screen->twipsPerPixelX()), tppY = std::max(1, st_.sys.screen->twipsPerPixelY());
    const int outerW = std::max(text->width() * tppX + 240, 4725);
    const int outerH = text->height() * tppY + 1000;
    const int maxW = st_.sys.screen->widthTwips() - 240, maxH = st_.sys.screen->heightTwips() - 480;
    const int w = std::min(outerW, std::max(maxW, 4725)), h = std::min(outerH, std::max(maxH, 2000));
    resize(px(w - kFrameWidthTwips), py(h - kFrameHeightTwips));
    const int buttonTop = py(h - 875);
    area_->setGeometry(0, 0, width(), std::max(0, buttonTop - py(60)));
    btnOpt[0]->setGeometry(px(240), buttonTop, px(kButtonWidthTwips), py(kButtonHeightTwips));
    btnOpt[1]->setGeometry(px(1680), buttonTop, px(kButtonWidthTwips), py(kButtonHeightTwips));
    btn->setGeometry(px(3120), buttonTop, px(kButtonWidthTwips), py(kButtonHeightTwips));
    btnOpt[0]->show();
    btnOpt[1]->show();
}

void fmSendOp::okClicked() {
    if (!AnsSheet) {
        int choice = 0;
        for (size_t i = 0; i < opt.size() && choice == 0; ++i)
            if (!opt[i]->isHidden() && opt[i]->isChecked()) choice = static_cast<int>(i) + 1;
        unsigned boxes = 0;
        for (size_t k = 0; k < chk.size(); ++k)
            if (!chk[k]->isHidden() && chk[k]->isChecked()) boxes |= 1u << k;
        code_ = sheetAnswerCode(choice, boxes);
    }
    accept();
}

void fmSendOp::done(int r) {
    // The close box ends here too: the answer then is what OK last took (nothing: 0).
    if (ModalState && !written_) {
        written_ = true;
        // The receipt and the answer are written together, only now: until then the send stays
        // unreceived, so the sender's check cannot take it out of the log before the answer is in it.
        // A failed write (told by the log) leaves it unreceived, and the sheet comes again. A send its
        // sender took back meanwhile is no longer in the log: the answer goes nowhere, and the user
        // is told so rather than left believing it was sent.
        const ReceiptWrite w = writeReceipt(st_, SendID, SendFID, SendAt, 0, code_);
        if (w && !w.marked) st_.sys.prompter->ask("確認", kQuestionWithdrawnText, Icon::Information, Buttons::Ok);
    }
    QDialog::done(r);
}

// ---- openings ----

fmSendOp* fmSendOp::findReceived(const AppState& st, int16_t senderId, int16_t noteId, double sentAt) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* sheet = qobject_cast<fmSendOp*>(w);
        if (sheet && &sheet->st_ == &st && sheet->ModalState && !sheet->written_ && sheet->SendID == senderId && sheet->SendFID == noteId &&
            sheet->SendAt == sentAt)
            return sheet;
    }
    return nullptr;
}

fmSendOp* fmSendOp::openReceived(AppState& st, const LogRecord& entry, const NoteRecord& note) {
    if (fmSendOp* open = findReceived(st, entry.SenderId, entry.NoteId, entry.SentAt)) return open;
    auto* sheet = new fmSendOp(st, parseAnswerItems(note.Text));
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::finished, sheet, &QObject::deleteLater);
    sheet->setModal(false);
    sheet->setWindowTitle(qs(entry.SenderName + "さんからのアンケート"));
    sheet->SendFID = entry.NoteId;
    sheet->SendID = entry.SenderId;
    sheet->SendAt = entry.SentAt;
    sheet->ModalState = true;
    sheet->load();
    sheet->show();
    return sheet;
}

int16_t fmSendOp::preview(AppState& st, const std::string& noteText, QWidget* parent) {
    fmSendOp sheet(st, parseAnswerItems(noteText), parent);
    sheet.setWindowTitle(qs(st.localConfig.MemberName + "さんからのアンケート(テスト)"));
    sheet.ModalState = false;
    sheet.load();
    sheet.exec();
    const int16_t code = sheet.answerCode();
    st.sys.prompter->ask("回答例文字列", answerSheetText(code), Icon::Information, Buttons::Ok);
    return code;
}

void fmSendOp::showTally(AppState& st, const std::string& noteText, const std::string& answers, int sendCount,
                         bool countIsAnswers, QWidget* parent) {
    QtAnswerOutput qt;
    showTally(st, qt, noteText, answers, sendCount, countIsAnswers, parent);
}

void fmSendOp::showTally(AppState& st, AnswerOutput& output, const std::string& noteText, const std::string& answers,
                         int sendCount, bool countIsAnswers, QWidget* parent) {
    fmSendOp w(st, parseAnswerItems(noteText), output, parent);
    w.setWindowTitle(QStringLiteral("アンケート回答集計"));
    w.AnsSheet = true;
    w.ModalState = false;
    w.AnsStr = answers;
    w.Sendcount = static_cast<int16_t>(std::clamp(sendCount, 0, 32767));
    w.IsTerminate = countIsAnswers;
    w.load();
    w.exec();
}

// ---- output ----

void fmSendOp::showOutputError(const std::string& description) {
    st_.sys.prompter->ask("エラー", std::string(kOutputError) + "\r" + description, Icon::Warning, Buttons::Ok);
}

void fmSendOp::fileOutput() {
    OpenFileRequest request;
    request.fileName = QStringLiteral("ANSER.TXT");
    request.filter = QStringLiteral("全てのファイル(*.*)|*.*|テキストファイル(*.TXT)|*.TXT|");
    request.filterIndex = 2;
    const std::optional<QString> path = output().saveFile(this, request);
    if (!path) return;
    const FileError e = writeTallyFile(path->toStdString(), tally_.text);
    if (e) showOutputError(e.description);
}

void fmSendOp::printOut() {
    QPrinter printer;
    if (!output().choosePrinter(this, printer)) return;
    QString error;
    if (!printTo(printer, error)) showOutputError(error.toStdString());
}

bool fmSendOp::printTo(QPrinter& printer, QString& error) const {
    QPainter p;
    if (!p.begin(&printer)) {
        error = QStringLiteral("印刷を開始できませんでした");
        return false;
    }
    QFont font = this->font();
    font.setPointSize(10);
    p.setFont(font);
    const QFontMetrics fm(font, &printer);
    const int lineHeight = std::max(1, fm.lineSpacing());
    const int pageHeight = printer.height();
    QString text = qs(tally_.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    // A printer that makes the copies itself gets the text once; otherwise each copy is printed.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    bool ok = true;
    for (int c = 0; c < copies && ok; ++c) {
        if (c > 0) ok = printer.newPage();
        int y = 0;
        for (const QString& line : lines) {
            // What does not fit on a page goes on the next one.
            if (y > 0 && y + lineHeight > pageHeight) {
                ok = ok && printer.newPage();
                y = 0;
            }
            p.drawText(0, y + fm.ascent(), line);
            y += lineHeight;
        }
    }
    ok = p.end() && ok;
    if (!ok || printer.printerState() == QPrinter::Error) {
        error = QStringLiteral("印刷できませんでした");
        return false;
    }
    return true;
}

}  // namespace tw
