// The answer sheet and the tally window: the sheet's rows and its answer code, a questionnaire
// answered by two members and tallied by its sender from the note's menu, the tally written to a
// text file and printed to a PDF (read back with pdftotext) through an output the test answers, and
// the look of both windows.
#include "app/groval.h"
#include "dialogs/qt/frmMain.h"
#include "messaging/reception.h"
#include "messaging/sending.h"
#include "messaging/sharedlog.h"
#include "model/datetime.h"
#include "notes/qt/note_fixture.h"
#include "platform/codepage.h"
#include "questionnaire/qt/answeroutput.h"
#include "questionnaire/qt/fmSendOp.h"
#include "support/temp_dir.h"
#include "support/workgroup.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <fstream>
#include <functional>
#include <iterator>

namespace tw::test {
namespace {

const char* const kTrip = "旅行先アンケート\r\n1. 京都\r\n2. 沖縄\r\n3. 北海道\r\n希望\r\n1) 温泉\r\n2) 観光";
const std::string kTripAnswers = "鈴木 Pic:2 1:On  高橋 Pic:2  田中 1) Check 2:On  小林 不明 ";

// Runs `act` on the next modal window once it is up.
void onNextModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, act = std::move(act)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(w);
    });
    poll->start(10);
}

std::vector<fmSendOp*> openSheets() {
    std::vector<fmSendOp*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<fmSendOp*>(w); s && s->isVisible()) out.push_back(s);
    return out;
}

LogRecord sendTo(AppState& st, int16_t recipient) {
    for (const LogRecord& r : readWholeLog(st).value_or(LogRecords{}))
        if (r.RecipientId == recipient) return r;
    ADD_FAILURE() << "no record to " << recipient;
    return {};
}

struct ScriptedOutput : AnswerOutput {
    std::optional<QString> file;
    QString pdf;
    int copies = 1;
    OpenFileRequest asked;
    std::optional<QString> saveFile(QWidget*, const OpenFileRequest& r) override {
        asked = r;
        return file;
    }
    bool choosePrinter(QWidget*, QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setCopyCount(copies);
        return !pdf.isEmpty();
    }
};

class Questionnaire : public ::testing::Test {
protected:
    void TearDown() override {
        for (fmSendOp* s : openSheets()) delete s;
    }
    // The note windows of a member, whose answer tally puts its text out through `output`.
    NoteWindowServices withOutput() {
        NoteWindowServices s;
        s.answerOutput = &output;
        return s;
    }
    Workgroup g{{"佐藤", "鈴木", "高橋"}};
    RecordingHooks hooks;
    ScriptedOutput output;
};

TEST_F(Questionnaire, SheetRowsAndAnswerCode) {
    std::string text = "質問です\r\n1. はい\r\n2. いいえ\r\n1) 理由あり\r\n2) 後で";
    for (int i = 3; i <= 16; ++i) text += "\r\n" + std::to_string(i <= 15 ? i : 1) + ". 案" + std::to_string(i);
    fmSendOp sheet(g[2], parseAnswerItems(text));
    sheet.load();
    EXPECT_EQ(sheet.opt[1]->text(), QStringLiteral("2."));
    EXPECT_EQ(sheet.chk[1]->text(), QStringLiteral("2)"));
    EXPECT_FALSE(sheet.opt[14]->isHidden());
    EXPECT_FALSE(sheet.chk[1]->isHidden());
    EXPECT_TRUE(sheet.chk[2]->isHidden());
    EXPECT_TRUE(sheet.btnOpt[0]->isHidden());
    // Rows every 260 twips; a text line at the left, an item beside its button; a 16th choice is a label.
    const QPoint origin = sheet.lbl[0]->geometry().topLeft();
    EXPECT_EQ(sheet.lbl[3]->y() - origin.y(), 3 * 260 / 15);
    EXPECT_EQ(sheet.lbl[3]->x(), sheet.chk[0]->geometry().right() + 1 + 1);
    EXPECT_EQ(sheet.chk[0]->x() - origin.x(), 120 / 15);
    EXPECT_EQ(sheet.lbl[18]->text(), QStringLiteral("案16"));
    EXPECT_EQ(sheet.lbl[18]->x(), origin.x());
    sheet.opt[1]->click();
    sheet.chk[1]->click();
    sheet.btn->click();
    EXPECT_EQ(sheet.answerCode(), 4 * 2 + 64 * 2);
}

TEST_F(Questionnaire, AnsweredByTwoTalliedByTheSender) {
    const int q = addNote(g[1], kTrip);
    ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
    ASSERT_EQ(sendNote(g[1], static_cast<int16_t>(q), {2, 3}, 2, false), SendResult::Sent);
    NoteWindows w1(g[1], hooks, withOutput()), w2(g[2], hooks), w3(g[3], hooks);

    networkCheck(g[2], w2.networkHost());
    networkCheck(g[2], w2.networkHost());   // the open sheet is not opened twice
    const LogRecord to2 = sendTo(g[1], 2);
    EXPECT_EQ(to2.ReceivedAt, 0) << "unreceived until answered";
    fmSendOp* sheet2 = fmSendOp::findReceived(g[2], 1, static_cast<int16_t>(q), to2.SentAt);
    ASSERT_NE(sheet2, nullptr);
    EXPECT_EQ(openSheets().size(), 1u);
    EXPECT_EQ(sheet2->windowTitle(), QStringLiteral("佐藤さんからのアンケート"));
    EXPECT_FALSE(sheet2->isModal());
    sheet2->opt[1]->click();
    sheet2->chk[0]->click();
    sheet2->btn->click();
    EXPECT_EQ(sendTo(g[1], 2).AnswerCode, 72);

    networkCheck(g[3], w3.networkHost());
    ASSERT_EQ(openSheets().size(), 1u);
    openSheets()[0]->close();   // the close box: received without an answer
    EXPECT_NE(sendTo(g[1], 3).ReceivedAt, 0);

    frmPinly* win = w1.openNoteWindow(q);
    w1.menu().takeStateOf(*win);
    EXPECT_FALSE(w1.menu().mnuAnktAnsX->isVisible()) << "not yet followed to the end";
    followSentNotes(g[1]);
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerName, "鈴木 Pic:2 1:On  高橋 ");
    w1.menu().takeStateOf(*win);
    ASSERT_TRUE(w1.menu().mnuAnktAnsX->isVisible());
    QString title, text;
    onNextModal([&](QWidget* w) {
        title = w->windowTitle();
        text = w->findChild<QLabel*>(QStringLiteral("lbl0"))->text();
        // The file output asks the output the note windows were given (cancelled: nothing written).
        w->findChild<QPushButton*>(QStringLiteral("btnOpt0"))->click();
        w->close();
    });
    w1.menu().mnuAnktAnsX->trigger();
    EXPECT_EQ(title, QStringLiteral("アンケート回答集計"));
    EXPECT_EQ(output.asked.fileName, QStringLiteral("ANSER.TXT"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("送信: 2人　受信: 2人　回答率: 100％　 "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n沖縄 (100％) 1人\n 鈴木\n北海道 (0％) 0人\n\n")) &&
                text.contains(QStringLiteral("\n温泉 (100％) 1人\n 鈴木\n")))
        << text.toStdString();
}

// While the sheet is open its sender takes the send back (the cancel, or the peel, which deletes every
// send record of the note): the answer finds no send and the recipient is told so.
TEST_F(Questionnaire, AnswerToAQuestionTakenBackIsRefused) {
    for (const bool peel : {false, true}) {
        const auto q = static_cast<int16_t>(addNote(g[1], kTrip));
        ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
        ASSERT_EQ(sendNote(g[1], q, {2}, 2, false), SendResult::Sent);
        NoteWindows w2(g[2], hooks);
        networkCheck(g[2], w2.networkHost());
        ASSERT_EQ(openSheets().size(), 1u);
        if (peel)
            ASSERT_TRUE(deleteAllSends(g[1], q));
        else
            ASSERT_EQ(cancelSend(g[1], q), CancelResult::Cancelled);
        g.prompter(2).expect("確認", "この質問は取り消されました。回答は送信されませんでした。", Icon::Information,
                             Buttons::Ok, Answer::Ok);
        openSheets()[0]->opt[0]->click();
        openSheets()[0]->btn->click();
        EXPECT_TRUE(g.prompter(2).done()) << peel;
        EXPECT_TRUE(openSheets().empty());
    }
}

// The tally of the trip questionnaire, written to ANSER.TXT and printed twice to a PDF.
TEST_F(Questionnaire, TallyToAFileAndToPaper) {
    TempDir dir;
    g.setTime(makeDateTime(2024, 5, 10, 9, 5, 0));
    fmSendOp t(g[1], parseAnswerItems(kTrip), output);
    t.AnsSheet = true;
    t.AnsStr = kTripAnswers;
    t.Sendcount = 6;
    t.load();
    EXPECT_FALSE(t.btnOpt[1]->isHidden());
    const std::string header = "送信: 6人　受信: 4人　回答率: 66.6666666666667％　 2024/05/10 9:05:00現在\r\n";
    ASSERT_EQ(t.tallyText().substr(0, header.size()), header);

    output.file = QString::fromStdString(dir.file("ANSER.TXT"));
    t.btnOpt[0]->click();
    EXPECT_EQ(output.asked.fileName, QStringLiteral("ANSER.TXT"));
    EXPECT_EQ(output.asked.filter, QStringLiteral("全てのファイル(*.*)|*.*|テキストファイル(*.TXT)|*.TXT|"));
    EXPECT_EQ(output.asked.filterIndex, 2);
    std::ifstream in(dir.file("ANSER.TXT"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), utf8ToCp932(t.tallyText()));

    output.file = QString::fromStdString(dir.file("gone/ANSER.TXT"));
    g.prompter(1).expect("エラー", "ファイル出力または印刷中にエラーが発生しました\r" + makeError(kErrPathNotFound).description,
                         Icon::Warning, Buttons::Ok, Answer::Ok);
    t.btnOpt[0]->click();
    output.pdf = QString::fromStdString(dir.file("gone/tally.pdf"));
    g.prompter(1).expect("エラー", "ファイル出力または印刷中にエラーが発生しました\r印刷を開始できませんでした",
                         Icon::Warning, Buttons::Ok, Answer::Ok);
    t.btnOpt[1]->click();

    output.pdf = QString::fromStdString(dir.file("tally.pdf"));
    output.copies = 2;
    t.btnOpt[1]->click();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {output.pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000)) << "pdftotext (Debian poppler-utils) is needed";
    // The PDF's glyphs may read back as their compatibility forms (a Kangxi radical for 人).
    const auto plain = [](const QString& s) { return s.normalized(QString::NormalizationForm_KC); };
    const QString printed = plain(QString::fromUtf8(text.readAllStandardOutput()));
    EXPECT_EQ(printed.count(plain(QStringLiteral("回答率: 66.6666666666667％"))), 2) << "two copies";
    for (const char* line : {"【旅行先アンケート】", "沖縄 (100％) 2人", "鈴木 高橋", "温泉 (66.6666666666667％) 2人",
                             "観光 (33.3333333333333％) 1人", "2024/05/10 9:05:00現在"})
        EXPECT_TRUE(printed.contains(plain(QString::fromUtf8(line)))) << line << "\n" << printed.toStdString();
    const QString artifacts = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
    QDir().mkpath(artifacts);
    QProcess png;
    png.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                                           QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                           QStringLiteral("1"), QStringLiteral("-singlefile"), output.pdf,
                                           artifacts + QStringLiteral("/tally_print")});
    ASSERT_TRUE(png.waitForFinished(30000));
    EXPECT_TRUE(QFile::exists(artifacts + QStringLiteral("/tally_print.png")));
}

// Every shown control lies inside its window and shows its whole text; with TW_SCREENSHOT_DIR set
// (the screen test under Xvfb) the windows are also photographed from the screen.
void expectNothingClipped(QWidget& w) {
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (!c->isVisible() || !(qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c))) continue;
        if (qobject_cast<QLabel*>(c) && c->parentWidget() != &w) continue;   // the tally scrolls
        EXPECT_TRUE(w.rect().contains(c->geometry())) << c->objectName().toStdString();
        EXPECT_GE(c->width(), c->sizeHint().width()) << c->objectName().toStdString();
    }
}

void photograph(QWidget& w, const QString& name) {
    const QString dir = qEnvironmentVariable("TW_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    QTest::qWait(200);
    const QPixmap shot = w.screen()->grabWindow(0, w.frameGeometry().x(), w.frameGeometry().y(),
                                                w.frameGeometry().width(), w.frameGeometry().height());
    EXPECT_TRUE(shot.save(dir + "/" + name + ".png")) << name.toStdString();
}

// The tally's text file is named in Qt's save dialog (the one that asks before replacing a file).
TEST(AnswerOutputDialogs, TheTallyFileComesFromASaveDialog) {
    const bool nativeOff = QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    TempDir dir;
    const QString folder = QDir(QString::fromStdString(dir.str())).canonicalPath();
    const OpenFileRequest request{QStringLiteral("名前を付けて保存"), QStringLiteral("集計.txt"),
                                  QStringLiteral("テキスト ファイル (*.txt)|*.txt|"), 1, folder};
    QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
    QString title;
    onNextModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        if (!d) {
            ADD_FAILURE() << "no file dialog";
            w->close();
            return;
        }
        accept = d->acceptMode();
        title = d->windowTitle();
        static_cast<QDialog*>(d)->accept();  // QFileDialog's own accept() is protected
    });
    QtAnswerOutput qt;
    EXPECT_EQ(qt.saveFile(nullptr, request), folder + QStringLiteral("/集計.txt"));
    EXPECT_EQ(accept, QFileDialog::AcceptSave);
    EXPECT_EQ(title, request.title);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, nativeOff);
}

TEST_F(Questionnaire, ScreensOfSheetAndTally) {
    fmSendOp sheet(g[2], parseAnswerItems(kTrip));
    sheet.setWindowTitle(QStringLiteral("佐藤さんからのアンケート"));
    sheet.load();
    sheet.move(40, 40);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    expectNothingClipped(sheet);
    EXPECT_GE(sheet.width(), sheet.fontMetrics().horizontalAdvance(sheet.windowTitle()) + 100) << "the title is cut";
    photograph(sheet, QStringLiteral("answer_sheet"));

    fmSendOp tally(g[1], parseAnswerItems(kTrip), output);
    tally.setWindowTitle(QStringLiteral("アンケート回答集計"));
    tally.AnsSheet = true;
    tally.AnsStr = kTripAnswers;
    tally.Sendcount = 6;
    tally.load();
    tally.move(40, 300);
    tally.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tally));
    expectNothingClipped(tally);
    photograph(tally, QStringLiteral("answer_tally"));
}

}  // namespace
}  // namespace tw::test
