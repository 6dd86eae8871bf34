// The note windows as the program runs them: opening at start-up and the binding to the records, the
// right-button gestures, peeling and undo through the shared menu, the end of the program, the
// closing rule and the out-of-period command.
#include "notes/qt/note_fixture.h"

#include "notes/mdpinly.h"
#include "platform/sharedfile.h"
#include "notes/notetable.h"

#include <QPointer>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::NoteWindowsFixture;
using tw::test::lbl;
using tw::test::lblID;
using tw::test::rch;

namespace {

const std::string kLastQuestion = "全ての付箋紙をはがすとタックウィスプは終了します";

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

class NoteWindowsTest : public NoteWindowsFixture {};

TEST_F(NoteWindowsTest, EmptyTableOpensTheFirstNoteAtTheTopRight) {
    notes->openAllNotes();
    ASSERT_EQ(st.NoteTable.size(), 1u);
    frmPinly* w = notes->windowOf(0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(lblID(*w)->text(), "1");
    EXPECT_EQ(lbl(*w)->text(), "タックウィスプ");
    EXPECT_EQ(w->geometry(), QRect(881, 0, 143, 30));   // 13215 / 15, 2145 x 450 twips
    EXPECT_EQ(w->twipsGeometry(), (TwipsRect{13215, 0, 2145, 450}));
    EXPECT_EQ(note(0).Left, 13215);
    EXPECT_EQ(note(0).Width, 2145);
}

TEST_F(NoteWindowsTest, PeeledAndNotStartedRecordsGetNoWindowAndIndicesBind) {
    addNote("一枚目");
    addNote("二枚目", 4000, 4000);
    addNote("三枚目", 6000, 6000);
    note(0).NoteId = 7;
    note(1).HasPeriod = true;
    note(1).Period.StartAt = addMinutes(clock.now(), 1);
    note(2).IsPeeled = true;
    notes->openAllNotes();
    ASSERT_EQ(notes->windows().size(), 1u);
    frmPinly* w = notes->windowOf(0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(lblID(*w)->text(), "1");
    EXPECT_EQ(NoteWindows::recordOf(w), 0);
    EXPECT_EQ(note(0).NoteId, 0);
    EXPECT_EQ(notes->windowOf(1), nullptr);
    EXPECT_EQ(notes->windowOf(2), nullptr);
}

TEST_F(NoteWindowsTest, TheWindowOfARecordFollowsOpeningClosingAndCloseAll) {
    for (int i = 0; i < 4; ++i) addNote("付箋" + std::to_string(i), 1000 + 2500 * i, 1000);
    std::vector<frmPinly*> ws;
    for (int i = 0; i < 4; ++i) ws.push_back(open(i));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(notes->windowOf(i), ws[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(NoteWindows::recordOf(ws[static_cast<size_t>(i)]), i) << i;
        EXPECT_EQ(lblID(*ws[static_cast<size_t>(i)])->text(), QString::number(i + 1)) << i;
    }
    EXPECT_EQ(notes->windowOf(-1), nullptr);
    EXPECT_EQ(notes->windowOf(4), nullptr);
    EXPECT_EQ(notes->windowOf(1000), nullptr);
    EXPECT_EQ(NoteWindows::recordOf(nullptr), -1);
    // The binding is the index the window was given, whatever its hidden label says.
    lblID(*ws[2])->setText("1");
    EXPECT_EQ(NoteWindows::recordOf(ws[2]), 2);
    EXPECT_EQ(notes->windowOf(0), ws[0]);

    ws[1]->close();
    flushDeletes();
    EXPECT_EQ(notes->windowOf(1), nullptr);
    EXPECT_EQ(notes->windowOf(0), ws[0]);
    EXPECT_EQ(notes->windowOf(2), ws[2]);
    EXPECT_EQ(notes->openNotes(), (std::vector<int>{0, 2, 3}));
    frmPinly* again = open(1);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(notes->windowOf(1), again);
    EXPECT_EQ(notes->openNoteWindow(1), again) << "a record has at most one window";

    // A note appended later is found at its own index.
    const int late = notes->createNote(-1, 3000, 3000);
    ASSERT_EQ(late, 4);
    ASSERT_NE(notes->windowOf(late), nullptr);
    EXPECT_EQ(NoteWindows::recordOf(notes->windowOf(late)), late);

    notes->closeAll();
    for (int i = 0; i <= late; ++i) EXPECT_EQ(notes->windowOf(i), nullptr) << i;
    flushDeletes();
    frmPinly* reopened = open(3);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(notes->windowOf(3), reopened);
    EXPECT_EQ(notes->windowOf(2), nullptr);
}

TEST_F(NoteWindowsTest, AnUnboundWindowHasNoRecord) {
    frmPinly loose(st, *notes, *notes, *notes);
    EXPECT_EQ(NoteWindows::recordOf(&loose), -1);
    EXPECT_EQ(loose.note(), nullptr);
    EXPECT_EQ(lblID(loose)->text(), "Label1");
}

TEST_F(NoteWindowsTest, ColoursComeFromTheColourClass) {
    st.localConfig.BackColours = {0x0080FFFF, 0x0000FFFF, 0x000000FF, 0x0000FF00, 0x00FFFF00};
    st.localConfig.TextColours = {0x00000000, 0x00000001, 0x00000002, 0x00010203, 0x00000004};
    int i = addNote("受信");
    note(i).IsReceived = true;
    frmPinly* w = open(i);
    EXPECT_EQ(w->palette().color(QPalette::Window), QColor(0, 0xFF, 0));
    EXPECT_EQ(w->palette().color(QPalette::WindowText), QColor(3, 2, 1));
    EXPECT_EQ(lbl(*w)->palette().color(QPalette::WindowText), QColor(3, 2, 1));
}

TEST_F(NoteWindowsTest, SentNoteReceivedByAllThatRemovesItselfStaysHidden) {
    int a = addNote("見える");
    int gone = addNote("消える");
    note(gone).IsSent = note(gone).AllReceived = note(gone).AutoDelete = true;
    notes->openAllNotes();
    frmPinly* w = notes->windowOf(gone);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(note(gone).IsPeeled);
    EXPECT_TRUE(w->lineSended().isVisible());
    EXPECT_FALSE(w->lineOutRange().isVisible());
    EXPECT_TRUE(notes->windowOf(a)->isVisible());
    EXPECT_EQ(st.undoCount, 0);
}

TEST_F(NoteWindowsTest, ShiftDuplicatesCtrlCreatesCtrlAltPeels) {
    int a = addNote("元の付箋");
    int b = addNote("もう一枚", 6000, 6000);
    frmPinly* w = open(a);
    open(b);

    rightClick(w, Qt::ShiftModifier);
    ASSERT_EQ(st.NoteTable.size(), 3u);
    EXPECT_EQ(note(2).Text, "元の付箋");
    EXPECT_EQ(note(2).Top, 1725);    // 1500 + 225
    EXPECT_EQ(note(2).Left, 2572);   // 1500 + 1072.5, halves to even
    ASSERT_NE(notes->windowOf(2), nullptr);
    EXPECT_TRUE(notes->windowOf(2)->isVisible());
    EXPECT_EQ(notes->windowOf(2)->twipsGeometry(), (TwipsRect{2572, 1725, 2145, 450}));

    rightClick(w, Qt::ControlModifier);
    ASSERT_EQ(st.NoteTable.size(), 4u);
    EXPECT_EQ(note(3).Text, "");
    EXPECT_EQ(lblID(*notes->windowOf(3))->text(), "4");

    rightClick(w, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(note(a).IsPeeled);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(undoIndex(st, 0), a);
    EXPECT_TRUE(popups.empty());
}

TEST_F(NoteWindowsTest, AltAloneAndNoModifierOpenTheMenu) {
    frmPinly* w = open(addNote("a"));
    rightClick(w, Qt::AltModifier);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popupWindow, w);
    EXPECT_EQ(popups[0], w->mapToGlobal(QPoint(20, 10)));
    rightClick(w, Qt::NoModifier, {40, 12});
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1], w->mapToGlobal(QPoint(40, 12)));
    EXPECT_EQ(st.NoteTable.size(), 1u);
    EXPECT_FALSE(note(0).IsPeeled);
}

TEST_F(NoteWindowsTest, SixPeelsShowTheLastFiveInTheMenuNewestFirst) {
    std::vector<frmPinly*> ws;
    for (int i = 0; i < 7; ++i) ws.push_back(open(addNote("付箋その" + std::to_string(i), 1000 + 500 * i, 1000)));
    frmPinly* last = ws[6];
    EXPECT_FALSE(menuFor(last).mnuUnDelPinly->menuAction()->isVisible());

    for (int i = 0; i < 6; ++i) rightClick(ws[static_cast<size_t>(i)], Qt::ControlModifier | Qt::AltModifier);
    NoteMenu& m = menuFor(last);
    EXPECT_TRUE(m.mnuUnDelPinly->menuAction()->isVisible());
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_TRUE(m.mnuUndel[k]->isVisible()) << k;
        EXPECT_EQ(m.mnuUndel[k]->text().toStdString(), "付箋その" + std::to_string(5 - k)) << k;
    }

    // Undo of slot 2 brings back note 3; the older ones move up.
    m.mnuUndel[2]->trigger();
    EXPECT_TRUE(ws[3]->isVisible());
    EXPECT_FALSE(note(3).IsPeeled);
    EXPECT_EQ(st.undoCount, 4);
    menuFor(last);
    EXPECT_EQ(m.mnuUndel[2]->text(), "付箋その2");
    EXPECT_EQ(m.mnuUndel[3]->text(), "付箋その1");
    EXPECT_FALSE(m.mnuUndel[4]->isVisible());
    // The first peeled note is out of reach and stays peeled.
    EXPECT_TRUE(note(0).IsPeeled);
    EXPECT_FALSE(ws[0]->isVisible());
}

TEST_F(NoteWindowsTest, PeelingTheOnlyNoteCancelKeepsItOkWritesAndEnds) {
    int a = addNote("最後の一枚");
    frmPinly* w = open(a);
    prompter.expect("終了", kLastQuestion, Icon::None, Buttons::OkCancel, Answer::Cancel);
    menuFor(w).mnuDelPinly->trigger();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_TRUE(hooks.ends.empty());

    reception.setTimerInterval(reception.onTimer());
    hooks.timer = &reception;
    prompter.expect("終了", kLastQuestion, Icon::None, Buttons::OkCancel, Answer::Ok);
    rightClick(w, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(note(a).IsPeeled);
    EXPECT_EQ(hooks.timerOnAtEnd, std::vector<bool>{false}) << "the reception timer stops before the end";
    EXPECT_FALSE(reception.tmrLog()->isActive());
    ASSERT_EQ(hooks.ends, std::vector<int>{0});
    ByteWriter fcg;
    encode(fcg, st.localConfig);
    EXPECT_EQ(slurp(shared.file("ID00001.FCG")), fcg.data());
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00001.FDT")));
    EXPECT_EQ(slurp(shared.file("ID00001.FDT")), "");
}

TEST_F(NoteWindowsTest, RefusedPeelWithOnlyAnOutOfPeriodNoteBeside) {
    int a = addNote("今の");
    int later = addNote("先の", 6000, 6000);
    note(later).HasPeriod = true;
    note(later).Period.StartAt = addDays(clock.now(), 1);
    st.ShowOutOfPeriod = true;
    frmPinly* w = open(a);
    frmPinly* v = open(later);
    prompter.expect("確認",
                    "期間未到達付箋紙または送信後削除する付箋紙が残っているのではがせません\r"
                    "１枚以上の期間外でない付箋紙を残すか、全てはがすことはできます。",
                    Icon::Information, Buttons::Ok, Answer::Ok);
    menuFor(w).mnuDelPinly->trigger();
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_TRUE(w->isVisible());
    menuFor(v).mnuDelPinly->trigger();
    EXPECT_TRUE(note(later).IsPeeled);
    EXPECT_FALSE(v->isVisible());
}

TEST_F(NoteWindowsTest, ExitWhileEditingWritesTheEditedText) {
    int a = addNote("前");
    addNote("そのまま", 6000, 6000);
    frmPinly* w = open(a);
    open(1);
    w->beginEditing();
    rch(*w)->setPlainText("後\n二行");
    reception.setTimerInterval(reception.onTimer());
    hooks.timer = &reception;
    // Not through a right click: that would reach the edit box, which has a menu of its own.
    notes->menu().mnuAllExit->trigger();
    EXPECT_TRUE(st.exiting);
    EXPECT_EQ(hooks.timerOnAtEnd, std::vector<bool>{false}) << "the reception timer stops before the end";
    EXPECT_FALSE(reception.tmrLog()->isActive());
    ASSERT_EQ(hooks.ends, std::vector<int>{0});

    AppState again{st.sys};
    again.SharedPath = st.SharedPath;
    again.CurrentMemberId = 1;
    ASSERT_TRUE(AccessSharedFile(again, kModeRead, kKindNotes));
    ASSERT_EQ(again.NoteTable.size(), 2u);
    EXPECT_EQ(again.NoteTable[0].Text, "後\r\n二行");
    EXPECT_EQ(again.NoteTable[1].Text, "そのまま");

    // A second request to end (the session ending as well) writes nothing more.
    notes->exitProgram();
    EXPECT_EQ(hooks.ends.size(), 1u);
}

TEST_F(NoteWindowsTest, AnEndThatCannotWriteAsksForEachFileAndEndsWithAFailure) {
    open(addNote("a"));
    st.SharedPath = shared.file("消えたフォルダ");
    const std::string why = makeError(kErrPathNotFound).description;
    // This computer has no data folder either (st.sys.userDataDir is empty).
    for (const std::string label : {"ローカル設定", "付箋紙データ"}) {
        prompter.expect("エラー",
                        label + "ファイルにアクセスできません\r" + why +
                            "\r再試行しますか？キャンセルすると、内容をこのコンピュータに残します。",
                        Icon::Warning, Buttons::RetryCancel, Answer::Cancel);
        prompter.expect("エラー", label + "の内容をこのコンピュータにも残せませんでした\r" + why, Icon::Warning,
                        Buttons::Ok, Answer::Ok);
    }
    notes->exitProgram();
    ASSERT_EQ(hooks.ends, std::vector<int>{1});
}

TEST_F(NoteWindowsTest, AnOrdinaryCloseTakesOnlyThatWindowAway) {
    int a = addNote("閉じる");
    int b = addNote("残る", 6000, 6000);
    QPointer<frmPinly> w = open(a);
    open(b);
    w->close();
    flushDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(notes->windowOf(a), nullptr);
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_TRUE(hooks.ends.empty());
    EXPECT_EQ(st.NoteTable.size(), 2u);
    // The next refresh gives it a window again.
    frmPinly* again = open(a);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(lblID(*again)->text(), "1");
}

TEST_F(NoteWindowsTest, OutOfPeriodNotesShownWithTheirMarkAndHiddenAgain) {
    int a = addNote("今");
    int later = addNote("一分後", 6000, 6000);
    note(later).HasPeriod = true;
    note(later).Period.StartAt = addMinutes(clock.now(), 1);
    notes->openAllNotes();
    frmPinly* w = notes->windowOf(a);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(notes->windowOf(later), nullptr);
    EXPECT_EQ(menuFor(w).mnuOutRange->text(), "期間外付箋の表示(&O)");

    menuFor(w).mnuOutRange->trigger();
    EXPECT_TRUE(st.ShowOutOfPeriod);
    frmPinly* v = notes->windowOf(later);
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(v->lineOutRange().isVisible());
    EXPECT_FALSE(v->lineSended().isVisible());
    EXPECT_FALSE(w->lineOutRange().isVisible());
    EXPECT_EQ(menuFor(w).mnuOutRange->text(), "期間外付箋の非表示(&O)");
    EXPECT_EQ(menuFor(v).mnuOutRange->text(), "期間外付箋の非表示(&O)");

    menuFor(v).mnuOutRange->trigger();
    EXPECT_FALSE(st.ShowOutOfPeriod);
    EXPECT_EQ(notes->windowOf(later), nullptr);
    EXPECT_EQ(menuFor(w).mnuOutRange->text(), "期間外付箋の表示(&O)");
}

TEST_F(NoteWindowsTest, AlwaysInFrontNotesOpenOnTop) {
    int a = addNote("手前");
    note(a).set(kFlagAlwaysFront, true);
    int b = addNote("普通", 6000, 6000);
    EXPECT_TRUE(open(a)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(open(b)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(notes->windowOf(a)->isVisible());
}

TEST_F(NoteWindowsTest, CloseAllLeavesNoWindowAndKeepsTheRecords) {
    addNote("a");
    addNote("b", 6000, 6000);
    notes->openAllNotes();
    ASSERT_EQ(notes->windows().size(), 2u);
    notes->closeAll();
    EXPECT_TRUE(notes->windows().empty());
    flushDeletes();
    EXPECT_EQ(st.NoteTable.size(), 2u);
    EXPECT_FALSE(note(0).IsPeeled);
}

// "右を揃える(自動サイズ調整)": every note of the column, the reference too, takes the size its text
// needs; the right edges line up with the reference's, which keeps its right edge.
TEST_F(NoteWindowsTest, RightAlignmentSizedToTheTextFitsEveryNote) {
    const int ref = addNote("基準", 6000, 1500, 3000, 450);
    const int big = addNote("一行目のテキストはとても長い\n二行目\n三行目\n四行目", 7000, 6000, 1500, 450);
    const int far = addNote("遠い", 200, 200, 500, 450);
    frmPinly* w = open(ref);
    open(big);
    open(far);
    menuFor(w).mnuSortP[5]->trigger();
    EXPECT_LT(note(ref).Width, 3000);
    EXPECT_EQ(note(ref).Left + note(ref).Width, 9000);
    EXPECT_EQ(note(ref).Top, 1500);
    EXPECT_GT(note(big).Width, 1500);
    EXPECT_GT(note(big).Height, 4 * 200);
    EXPECT_EQ(note(big).Left + note(big).Width, 9000);
    EXPECT_EQ(note(big).Top, 1500 + note(ref).Height + 20);
    EXPECT_EQ(notes->windowOf(big)->twipsGeometry(),
              (TwipsRect{note(big).Left, note(big).Top, note(big).Width, note(big).Height}));
    EXPECT_EQ(note(far).Width, 500);
}
