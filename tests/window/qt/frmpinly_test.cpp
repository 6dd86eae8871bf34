// The note window on the offscreen platform: the context menu all windows share, cursor zones,
// dragging and clamping, the resize and focus handlers, the diagonal marks, and editing in place with
// dropped files.
#include "notes/qt/note_fixture.h"

#include "notes/mdpinly.h"
#include "notes/notetable.h"
#include "platform/codepage.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>
#include <functional>

using namespace tw;
using tw::test::NoteWindowsFixture;
using tw::test::hasControl;
using tw::test::img;
using tw::test::lbl;
using tw::test::lblID;
using tw::test::rch;

namespace {

// Every entry of a menu, depth-first, as "name caption" (submenus end in " >", separators are "-"),
// indented by two spaces per level.
void listMenu(const QMenu* m, const QString& indent, QStringList& out) {
    for (QAction* a : m->actions()) {
        if (a->isSeparator()) {
            out << indent + a->objectName() + " -";
        } else if (a->menu()) {
            out << indent + a->objectName() + " " + a->text() + " >";
            listMenu(a->menu(), indent + "  ", out);
        } else {
            out << indent + a->objectName() + " " + a->text();
        }
    }
}

}  // namespace

class NoteWindowTest : public NoteWindowsFixture {};

TEST_F(NoteWindowTest, ContextMenuHasEveryEntryInItsOrder) {
    frmPinly* w = open(addNote("メモ"));
    ASSERT_NE(w, nullptr);
    NoteMenu& m = menuFor(w);
    const QStringList expected = {
        "mnuPinlyDegine 作成(&D) >",
        "  mnuPinlyNew 新規(&N)",
        "  mnuPinlyCopy 複製(&D)",
        "mnuDelPinly はがす(&R)",
        "mnuUnDelPinly 戻す(&U) >",
        "  mnuUndel0 Undo0",
        "  mnuUndel1 Undo1",
        "  mnuUndel2 Undo2",
        "  mnuUndel3 Undo3",
        "  mnuUndel4 Undo4",
        "mnuOutRange 期間外付箋の表示(&O)",
        "mnuFInfo 情報(&I)",
        "mnuFAttrib 形状(&A) >",
        "  mnuFstyleItem0 通常(&N)",
        "  mnuFstyleItem1 円型(&C)",
        "  mnuFstyleItem2 星型(&S)",
        "  mnuFstyleItem3 ハート型(&H)",
        "  mnuFstyleItem4 4",
        "  mnuFstyleItem5 5",
        "  mnuFstyleItem6 6",
        "  mnuFstyleItem7 7",
        "  mnuFstyleItem8 8",
        "  mnuFstyleItem9 9",
        "  mnuFstyleItem10 10",
        "  mnuFstyleItem11 11",
        "  mnuFstyleItem12 12",
        "mnuTextFont 文字(&T) >",
        "  mnuFont0 小(&S)",
        "  mnuFont1 中(&M)",
        "  mnuFont2 大(&L)",
        "  mnuSeparater0 -",
        "  mnuTextAutoSize サイズ自動調整",
        "mnuOption オプション(&N) >",
        "  mnuSort 整列(&S) >",
        "    mnuSortP0 左を揃える",
        "    mnuSortP1 右を揃える",
        "    mnuSortP2 上を揃える",
        "    mnuSortP3 下を揃える",
        "    mnuSortP4 左を揃える(幅を統一)",
        "    mnuSortP5 右を揃える(自動サイズ調整)",
        "    mnuSeparater6 -",
        "    mnuAllSortP0 全て右を揃える",
        "    mnuAllSortP1 全て左を揃える(幅を統一)",
        "  mnuLock ロック(&L)",
        "  mnuZorder0 常に手前に表示(&F)",
        "  mnuZorder1 常に後ろに表示(&B)",
        "  mnuReverse 裏返し(&R)",
        "  mnuThrough 透明(&T)",
        "mnuSeparater1 -",
        "mnuSetmForm0 期間の設定(&W)",
        "mnuSetmForm1 伝言を送信(&S)",
        "mnuSetmForm2 受信状況一覧(&V)",
        "mnuSetmForm3 送受信履歴一覧(&L)",
        "mnuSetmForm4 背景の設定(&B)",
        "mnuAnktAnsX アンケート回答集計(&Z)",
        "mnuCancelSend 送信キャンセル(&C)",
        "mnuSeparater5 -",
        "mnuTmrKind タイマー種類(&K) >",
        "  mnuTmrMsg0 ダイアログ表示(&D)",
        "  mnuTmrMsg1 ブリンク表示(&B)",
        // "Shell0".."Shell3" at design; the opening takes the note's links (none here).
        "mnuHyperText0 ",
        "mnuHyperText1 ",
        "mnuHyperText2 ",
        "mnuHyperText3 ",
        "mnuSeparater2 -",
        "mnuSetConfig 環境設定(&G)",
        "mnuHelp ヘルプ(&H) >",
        "  mnuHelpView ヘルプ(&H)",
        "  mnuWebAct ＷＥＢサポート(&W)",
        "  mnuSepareter3 -",
        "  mnuVersion バージョン(&V)",
        "mnuSepareter4 -",
        "mnuAllExit タックウィスプを終了(&X)",
    };
    QStringList got;
    listMenu(m.mnu1, "", got);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(m.mnu1->objectName(), "mnu1");
    EXPECT_EQ(m.mnu1->title(), "メニュー１");
    EXPECT_EQ(m.mnu2->objectName(), "mnu2");
    EXPECT_EQ(m.mnu2->title(), "メニュー２");
    EXPECT_TRUE(m.mnu2->actions().isEmpty());
}

// The help that ships beside the program names every menu entry by the caption the program gives it
// (without its "(&X)"), the captions an entry changes to and the shapes of the shipped shape files.
// Undo and link entries take the notes' own texts: they have no caption to name.
TEST_F(NoteWindowTest, TheHelpNamesTheMenuCaptions) {
    // A copy of what the build put beside the program: reading a shape file leaves its lock folder.
    tw::test::TempDir programDir;
    const QDir built(QCoreApplication::applicationDirPath());
    for (const QString& f : built.entryList({"tackwisp.html", "FSTYLE.*"}, QDir::Files))
        ASSERT_TRUE(QFile::copy(built.filePath(f), QString::fromStdString(programDir.str()) + "/" + f));
    st.sys.programDir = programDir.str();
    st.sys.exeName = "tackwisp";
    notes->loadShapeCatalogue();
    frmPinly* w = open(addNote("メモ"));
    NoteMenu& m = menuFor(w);
    m.mnuHelpView->trigger();
    ASSERT_NE(notes->links().helpWindow(), nullptr);
    const QString help = notes->links().helpWindow()->findChild<QTextBrowser*>("txtHelp")->toPlainText();
    notes->links().helpWindow()->close();
    ASSERT_TRUE(help.startsWith("タックウィスプ ヘルプ")) << help.left(200).toStdString();

    QStringList captions = {NoteMenu::outOfPeriodCaption(true), QString::fromStdString(kObverseCaption)};
    for (QAction* a : m.mnu1->findChildren<QAction*>()) {
        const auto in = [a](const auto& entries) { return std::ranges::find(entries, a) != entries.end(); };
        if (a->isSeparator() || a == m.mnu1->menuAction() || in(m.mnuUndel) || in(m.mnuHyperText)) continue;
        if (in(m.mnuFstyleItem) && !a->isVisible()) continue;   // no shape file of that number
        captions << a->text();
    }
    EXPECT_TRUE(m.mnuFstyleItem[6]->isVisible()) << "the shapes shipped beside the program are offered";
    for (QString c : captions) {
        c.remove(QRegularExpression("\\(&.\\)$"));
        EXPECT_TRUE(help.contains(c)) << c.toStdString();
    }
}

TEST_F(NoteWindowTest, OneMenuServesEveryWindowAndNoWindowCarriesOne) {
    frmPinly* a = open(addNote("一"));
    frmPinly* b = open(addNote("二", 5000, 5000));
    NoteMenu* forA = &menuFor(a);
    NoteMenu* forB = &menuFor(b);
    EXPECT_EQ(forA, forB);
    EXPECT_EQ(popups.size(), 2u);
    for (frmPinly* w : {a, b}) {
        EXPECT_TRUE(w->findChildren<QMenu*>().isEmpty());
        EXPECT_TRUE(w->findChildren<QAction*>().isEmpty());
    }
    // The menu is built once: the same entries, whichever window opens it.
    QAction* entry = forA->mnuPinlyNew;
    menuFor(a);
    EXPECT_EQ(notes->menu().mnuPinlyNew, entry);
    EXPECT_EQ(notes->menu().mnu1->findChildren<QAction*>().size(), forB->mnu1->findChildren<QAction*>().size());
}

TEST_F(NoteWindowTest, TheMenuActsOnTheWindowThatOpenedIt) {
    int a = addNote("上の付箋", 1500, 1500);
    int b = addNote("下の付箋", 6000, 6000, 3000, 900);
    int c = addNote("三枚目", 9000, 1500);
    frmPinly* wa = open(a);
    frmPinly* wb = open(b);
    frmPinly* wc = open(c);

    menuFor(wb).mnuPinlyCopy->trigger();
    ASSERT_EQ(st.NoteTable.size(), 4u);
    EXPECT_EQ(note(3).Text, "下の付箋");
    EXPECT_EQ(note(3).Width, 3000);
    EXPECT_EQ((TopLeft{note(3).Top, note(3).Left}), newNotePosition(wb->twipsGeometry()));

    menuFor(wa).mnuPinlyNew->trigger();
    ASSERT_EQ(st.NoteTable.size(), 5u);
    EXPECT_EQ(note(4).Text, "");
    EXPECT_EQ((TopLeft{note(4).Top, note(4).Left}), newNotePosition(wa->twipsGeometry()));

    menuFor(wc).mnuDelPinly->trigger();
    EXPECT_TRUE(note(c).IsPeeled);
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_FALSE(note(b).IsPeeled);
    EXPECT_FALSE(wc->isVisible());
    EXPECT_TRUE(wa->isVisible());
    EXPECT_TRUE(wb->isVisible());

    // Once the window it was opened for is gone, the commands on a note do nothing.
    QPointer<frmPinly> gone = wa;
    NoteMenu& m = menuFor(wa);
    wa->close();
    flushDeletes();
    ASSERT_TRUE(gone.isNull());
    EXPECT_EQ(m.target(), nullptr);
    m.mnuPinlyCopy->trigger();
    m.mnuDelPinly->trigger();
    EXPECT_EQ(st.NoteTable.size(), 5u);
    EXPECT_FALSE(note(a).IsPeeled);
}

TEST_F(NoteWindowTest, DesignVisibilityAndTheCommandsThatExist) {
    frmPinly* w = open(addNote("メモ"));
    NoteMenu& m = menuFor(w);
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(m.mnuUndel[k]->isVisible(), k == 0) << k;
    for (size_t i = 0; i < 13; ++i) EXPECT_EQ(m.mnuFstyleItem[i]->isVisible(), i < 2) << i;
    for (QAction* a : m.mnuHyperText) {
        EXPECT_FALSE(a->isVisible());
        EXPECT_FALSE(a->isEnabled());
    }
    const QStringList enabled = {"mnuPinlyNew", "mnuPinlyCopy", "mnuDelPinly", "mnuUndel0", "mnuUndel1", "mnuUndel2",
                                 "mnuUndel3",   "mnuUndel4",    "mnuOutRange", "mnuVersion", "mnuAllExit",
                                 "mnuSetmForm0", "mnuSetmForm1", "mnuSetmForm3", "mnuSetmForm4", "mnuTmrMsg0", "mnuTmrMsg1",
                                 "mnuFstyleItem0", "mnuFstyleItem1", "mnuFont0", "mnuFont1", "mnuFont2",
                                 "mnuTextAutoSize", "mnuLock", "mnuZorder0", "mnuZorder1", "mnuReverse",
                                 "mnuThrough", "mnuSortP0", "mnuSortP1", "mnuSortP2", "mnuSortP3", "mnuSortP4",
                                 "mnuSortP5", "mnuAllSortP0", "mnuAllSortP1", "mnuFInfo", "mnuHelpView", "mnuWebAct"};
    for (QAction* a : m.mnu1->findChildren<QAction*>()) {
        // Hidden entries cannot be triggered at all; they are checked once they show.
        if (a->isSeparator() || a->menu() || a->objectName().isEmpty() || !a->isVisible()) continue;
        EXPECT_EQ(a->isEnabled(), enabled.contains(a->objectName())) << a->objectName().toStdString();
    }
    EXPECT_FALSE(m.mnuTmrKind->menuAction()->isVisible());   // no armed note alarm
    m.mnuUndel[4]->setVisible(true);
    EXPECT_TRUE(m.mnuUndel[4]->isEnabled());
    EXPECT_FALSE(lblID(*w)->isVisible());
    EXPECT_TRUE(lbl(*w)->isVisible());
    // The edit box and the picture exist only once they are needed.
    EXPECT_FALSE(hasControl<NoteEdit>(*w, "rch"));
    EXPECT_FALSE(hasControl<NoteLabel>(*w, "img"));
    EXPECT_TRUE(w->findChildren<NoteEdit*>().isEmpty());
}

TEST_F(NoteWindowTest, EnvironmentSettingsOnlyWhileTheProgramCanShowThem) {
    frmPinly* w = open(addNote("a"));
    EXPECT_FALSE(menuFor(w).mnuSetConfig->isEnabled());
    menuFor(w).mnuSetConfig->trigger();
    EXPECT_EQ(hooks.environmentDialogs, 0);

    hooks.environmentReady = true;
    NoteMenu& m = menuFor(w);
    ASSERT_TRUE(m.mnuSetConfig->isEnabled());
    m.mnuSetConfig->trigger();
    EXPECT_EQ(hooks.environmentDialogs, 1);

    hooks.environmentReady = false;
    EXPECT_FALSE(menuFor(w).mnuSetConfig->isEnabled());
    m.mnuSetConfig->trigger();
    EXPECT_EQ(hooks.environmentDialogs, 1);
}

TEST_F(NoteWindowTest, VersionShowsTheAboutBox) {
    frmPinly* w = open(addNote("a"));
    prompter.expect("バージョン情報", "タックウィスプ Version 1.71 R08", Icon::Information, Buttons::Ok, Answer::Ok);
    menuFor(w).mnuVersion->trigger();
}

TEST_F(NoteWindowTest, CursorZonesFollowTheMouse) {
    // 2145 x 450 twips = 143 x 30 pixels; 15 twips per pixel.
    frmPinly* w = open(addNote("メモ"));
    QWindow* h = w->windowHandle();
    const struct {
        QPoint at;
        int16_t hit;
        Qt::CursorShape shape;
    } cases[] = {
        {{5, 15}, kHitLeft, Qt::SizeHorCursor},        // 75 twips
        {{6, 15}, kHitCaption, Qt::ArrowCursor},       // 90 twips
        {{142, 15}, kHitRight, Qt::SizeHorCursor},     // 2130 > 2065
        {{137, 15}, kHitCaption, Qt::ArrowCursor},     // 2055
        {{70, 1}, kHitTop, Qt::SizeVerCursor},
        {{70, 29}, kHitBottom, Qt::SizeVerCursor},     // 435 > 370
        {{1, 1}, kHitTopLeft, Qt::SizeFDiagCursor},
        {{141, 28}, kHitBottomRight, Qt::SizeFDiagCursor},
        {{141, 1}, kHitTopRight, Qt::SizeBDiagCursor},
        {{1, 28}, kHitBottomLeft, Qt::SizeBDiagCursor},
    };
    for (const auto& c : cases) {
        QTest::mouseMove(h, c.at);
        EXPECT_EQ(w->hitCode(), c.hit) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(lbl(*w)->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
    }
}

TEST_F(NoteWindowTest, LockedNoteKeepsItsCursorAndDoesNotDrag) {
    int i = addNote("", 1500, 1500, 100, 100);
    note(i).set(kFlagLocked, true);
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {3, 3});
    EXPECT_EQ(w->hitCode(), kHitNowhere);
    EXPECT_EQ(lbl(*w)->cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(h, Qt::LeftButton, {}, {3, 3});
    QTest::mouseRelease(h, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(note(i).Width, 100);
    EXPECT_EQ(note(i).Height, 100);
}

TEST_F(NoteWindowTest, DraggingATinyNoteLeavesItAtTheMinimumSize) {
    int i = addNote("", 1500, 1500, 100, 100);
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {3, 3});
    QTest::mousePress(h, Qt::LeftButton, {}, {3, 3});
    QTest::mouseRelease(h, Qt::LeftButton, {}, {3, 3});
    EXPECT_EQ(note(i).Width, 160);
    EXPECT_EQ(note(i).Height, 160);
    EXPECT_EQ(note(i).Left, 1500);
    EXPECT_EQ(note(i).Top, 1500);
    EXPECT_EQ(w->size(), QSize(11, 11));
    EXPECT_EQ(w->twipsGeometry(), (TwipsRect{1500, 1500, 160, 160}));
}

TEST_F(NoteWindowTest, DraggingPastTheBottomPullsTheNoteBackOnScreen) {
    int i = addNote("下へ", 3000, 10005);   // 200, 667 pixels
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {70, 15});
    ASSERT_EQ(w->hitCode(), kHitCaption);
    QTest::mousePress(h, Qt::LeftButton, {}, {70, 15});
    QTest::mouseMove(h, {70, 115});   // 100 pixels down: the top would be 11505
    EXPECT_EQ(w->geometry().top(), 767);
    QTest::mouseRelease(h, Qt::LeftButton, {}, {70, 115});
    EXPECT_EQ(note(i).Top, kScreenH - 450);
    EXPECT_EQ(note(i).Left, 3000);
    EXPECT_EQ(note(i).Width, 2145);
    EXPECT_EQ(note(i).Height, 450);
    EXPECT_EQ(w->geometry().top(), 738);   // 11070 / 15
}

// A window manager taking the window into its frame can leave Qt believing the window stands at 0,0
// while the screen shows it at its place. A press, whose place in the window and on the screen both
// come from the window system, puts the window and its record where the screen shows it.
TEST_F(NoteWindowTest, APressPutsTheWindowWhereTheScreenShowsIt) {
    int i = addNote("ずれ", 1500, 3000);   // 100, 200 pixels
    frmPinly* w = open(i);
    w->move(0, 0);   // what Qt was left believing
    ASSERT_EQ(note(i).Left, 0);
    w->onPress(Qt::RightButton, {10, 20}, {110, 220});
    EXPECT_EQ(w->geometry().topLeft(), QPoint(100, 200));
    EXPECT_EQ(note(i).Left, 1500);
    EXPECT_EQ(note(i).Top, 3000);
}

TEST_F(NoteWindowTest, ResizingFromTheRightEdgeStoresTheNewWidth) {
    int i = addNote("幅", 1500, 1500);
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {142, 15});
    ASSERT_EQ(w->hitCode(), kHitRight);
    QTest::mousePress(h, Qt::LeftButton, {}, {142, 15});
    QTest::mouseMove(h, {182, 15});
    QTest::mouseRelease(h, Qt::LeftButton, {}, {182, 15});
    EXPECT_EQ(note(i).Width, 183 * 15);
    EXPECT_EQ(note(i).Height, 450);
    EXPECT_EQ(note(i).Left, 1500);
}

TEST_F(NoteWindowTest, APressDuringBlinkingOnlyStopsIt) {
    int i = addNote("", 1500, 1500, 100, 100);
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {3, 3});
    st.blinkRunning = true;
    QTest::mousePress(h, Qt::LeftButton, {}, {3, 3});
    QTest::mouseRelease(h, Qt::LeftButton, {}, {3, 3});
    EXPECT_FALSE(st.blinkRunning);
    EXPECT_EQ(note(i).Width, 100);   // no drag, so no clamping either
}

TEST_F(NoteWindowTest, ResizeHandlerStoresTheGeometryWithoutClamping) {
    int i = addNote("a", 1500, 1500);
    frmPinly* w = open(i);
    w->resize(5, 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(note(i).Width, 75);
    EXPECT_EQ(note(i).Height, 60);
    EXPECT_EQ(lbl(*w)->geometry(), w->rect());
    EXPECT_FALSE(hasControl<NoteLabel>(*w, "img"));

    // A picture lies stretched under the text and follows the size of the window.
    QPixmap picture(8, 8);
    picture.fill(Qt::red);
    w->setPicture(picture);
    ASSERT_TRUE(hasControl<NoteLabel>(*w, "img"));
    EXPECT_TRUE(img(*w)->isVisible());
    EXPECT_EQ(img(*w)->size(), w->size());
    EXPECT_LT(w->children().indexOf(img(*w)), w->children().indexOf(lbl(*w))) << "the picture is under the text";
    w->resize(40, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(note(i).Width, 600);
    EXPECT_EQ(img(*w)->size(), QSize(40, 20));
    EXPECT_EQ(lbl(*w)->geometry(), w->rect());
    w->setPicture(QPixmap());
    EXPECT_FALSE(img(*w)->isVisible());
}

TEST_F(NoteWindowTest, FocusTakesCheckMarksAndEnablingFromTheRecord) {
    int i = addNote("印");
    NoteRecord& r = note(i);
    r.ShapeIndex = 1;
    r.TextSize = 2;
    r.Flags = kFlagAutoSize | kFlagTimerDialog | kFlagLocked | kFlagAlwaysBack | kFlagReversed;
    r.IsSent = true;
    frmPinly* w = open(i);
    activate(w);
    EXPECT_TRUE(w->hasMenuState());
    NoteMenu& m = menuFor(w);
    for (size_t k = 0; k < 13; ++k) EXPECT_EQ(m.mnuFstyleItem[k]->isChecked(), k == 1) << k;
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(m.mnuFont[k]->isChecked(), k == 2) << k;
    EXPECT_TRUE(m.mnuTextAutoSize->isChecked());
    EXPECT_TRUE(m.mnuTmrMsg[0]->isChecked());
    EXPECT_FALSE(m.mnuTmrMsg[1]->isChecked());
    EXPECT_TRUE(m.mnuLock->isChecked());
    EXPECT_FALSE(m.mnuZorder[0]->isChecked());
    EXPECT_TRUE(m.mnuZorder[1]->isChecked());
    EXPECT_EQ(m.mnuReverse->text(), "表返し(&R)");
    EXPECT_TRUE(w->menuState().cancelSendEnabled);
    EXPECT_FALSE(w->menuState().periodEnabled);
    EXPECT_TRUE(w->menuState().receptionListEnabled);
    EXPECT_TRUE(m.mnuCancelSend->isEnabled());
    EXPECT_TRUE(m.mnuSetmForm[2]->isEnabled()) << "the status list of a sent note";

    r.ShapeIndex = 0;
    r.TextSize = 0;
    r.Flags = kFlagTimerBlink | kFlagAlwaysFront;
    r.IsSent = false;
    // The menu shows the state of the last focus, not the record of the moment.
    menuFor(w);
    EXPECT_TRUE(m.mnuFstyleItem[1]->isChecked());
    EXPECT_EQ(m.mnuReverse->text(), "表返し(&R)");
    activate(w);
    menuFor(w);
    EXPECT_TRUE(m.mnuFstyleItem[0]->isChecked());
    EXPECT_FALSE(m.mnuFstyleItem[1]->isChecked());
    EXPECT_TRUE(m.mnuFont[0]->isChecked());
    EXPECT_FALSE(m.mnuFont[2]->isChecked());
    EXPECT_FALSE(m.mnuTextAutoSize->isChecked());
    EXPECT_FALSE(m.mnuTmrMsg[0]->isChecked());
    EXPECT_TRUE(m.mnuTmrMsg[1]->isChecked());
    EXPECT_FALSE(m.mnuLock->isChecked());
    EXPECT_TRUE(m.mnuZorder[0]->isChecked());
    EXPECT_FALSE(m.mnuZorder[1]->isChecked());
    EXPECT_EQ(m.mnuReverse->text(), "裏返し(&R)");
    EXPECT_TRUE(w->menuState().periodEnabled);
    EXPECT_TRUE(w->menuState().sendEnabled);
    EXPECT_FALSE(w->menuState().cancelSendEnabled);
}

TEST_F(NoteWindowTest, TheSharedMenuShowsTheStateOfTheWindowThatOpensIt) {
    int a = addNote("甲");
    note(a).ShapeIndex = 1;
    note(a).TextSize = 1;
    note(a).Flags = kFlagLocked | kFlagReversed | kFlagTimerBlink;
    int b = addNote("乙", 5000, 5000);
    note(b).Flags = kFlagAlwaysFront | kFlagAutoSize;
    frmPinly* wa = open(a);
    frmPinly* wb = open(b);
    activate(wa);
    activate(wb);
    struct Expected {
        frmPinly* w;
        int shape, font;
        bool locked, front, autoSize, blink;
        const char* reverse;
    };
    const Expected cases[] = {
        {wa, 1, 1, true, false, false, true, "表返し(&R)"},
        {wb, 0, 0, false, true, true, false, "裏返し(&R)"},
        {wa, 1, 1, true, false, false, true, "表返し(&R)"},
    };
    for (const Expected& c : cases) {
        NoteMenu& m = menuFor(c.w);
        const std::string who = NoteWindows::recordOf(c.w) == a ? "a" : "b";
        for (size_t k = 0; k < 13; ++k)
            EXPECT_EQ(m.mnuFstyleItem[k]->isChecked(), static_cast<int>(k) == c.shape) << who << k;
        for (size_t k = 0; k < 3; ++k) EXPECT_EQ(m.mnuFont[k]->isChecked(), static_cast<int>(k) == c.font) << who << k;
        EXPECT_EQ(m.mnuLock->isChecked(), c.locked) << who;
        EXPECT_EQ(m.mnuZorder[0]->isChecked(), c.front) << who;
        EXPECT_EQ(m.mnuTextAutoSize->isChecked(), c.autoSize) << who;
        EXPECT_EQ(m.mnuTmrMsg[1]->isChecked(), c.blink) << who;
        EXPECT_EQ(m.mnuReverse->text(), c.reverse) << who;
    }
}

TEST_F(NoteWindowTest, AWindowThatNeverHadTheFocusShowsTheMenuAsDesigned) {
    int shown = addNote("見える");
    note(shown).ShapeIndex = 1;
    note(shown).Flags = kFlagLocked | kFlagReversed;
    int hidden = addNote("消える", 5000, 5000);
    note(hidden).IsSent = note(hidden).AllReceived = note(hidden).AutoDelete = true;
    frmPinly* w = open(shown);
    activate(w);
    menuFor(w);
    frmPinly* never = notes->openNoteWindow(hidden);
    ASSERT_NE(never, nullptr);
    ASSERT_FALSE(never->isVisible());
    EXPECT_FALSE(never->hasMenuState());
    notes->popupMenu(*never, QPoint(1, 1));
    NoteMenu& m = notes->menu();
    EXPECT_EQ(m.target(), never);
    for (QAction* a : m.mnu1->findChildren<QAction*>())
        EXPECT_FALSE(a->isChecked()) << a->objectName().toStdString();
    EXPECT_EQ(m.mnuReverse->text(), "裏返し(&R)");
}

TEST_F(NoteWindowTest, FocusHidesANoteThatHasNotStartedUnlessShown) {
    int i = addNote("後で");
    note(i).HasPeriod = true;
    note(i).Period.StartAt = addMinutes(clock.now(), 1);
    st.ShowOutOfPeriod = true;
    frmPinly* w = open(i);
    ASSERT_TRUE(w->isVisible());
    activate(w);
    EXPECT_TRUE(w->isVisible());
    st.ShowOutOfPeriod = false;
    activate(w);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(notes->windowOf(i), w);   // hidden, not closed
}

TEST_F(NoteWindowTest, FocusWhileExitingClosesTheWindow) {
    int i = addNote("a");
    QPointer<frmPinly> w = open(i);
    st.exiting = true;
    activate(w);
    EXPECT_EQ(notes->windowOf(i), nullptr);
    flushDeletes();
    EXPECT_TRUE(w.isNull());
}

TEST_F(NoteWindowTest, EscapeKeepsTheEditedText) {
    int i = addNote("一行目\r\n二行目");
    frmPinly* w = open(i);
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    ASSERT_TRUE(hasControl<NoteEdit>(*w, "rch"));
    EXPECT_TRUE(rch(*w)->isVisible());
    EXPECT_FALSE(lbl(*w)->isVisible());
    EXPECT_EQ(rch(*w)->geometry(), lbl(*w)->geometry());
    EXPECT_EQ(rch(*w)->toPlainText(), "一行目\n二行目");
    QTest::keyClick(rch(*w), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(rch(*w), "!");
    QTest::keyClick(rch(*w), Qt::Key_Return);
    QTest::keyClicks(rch(*w), "abc");
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_FALSE(w->isEditing());
    EXPECT_FALSE(hasControl<NoteEdit>(*w, "rch")) << "the edit box goes with the end of editing";
    EXPECT_TRUE(lbl(*w)->isVisible());
    EXPECT_EQ(note(i).Text, "一行目\r\n二行目!\r\nabc");
    EXPECT_EQ(lbl(*w)->text(), "一行目\n二行目!\nabc");
    flushDeletes();
    EXPECT_TRUE(w->findChildren<NoteEdit*>().isEmpty());
}

TEST_F(NoteWindowTest, AnOverlongEditIsRefusedAndStaysInTheEditBox) {
    int i = addNote("短い");
    frmPinly* w = open(i);
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    const QString pasted = QString(16384, QChar(0x3042));   // 32768 bytes in the file's code page
    rch(*w)->setPlainText(pasted);
    const std::string refusal = editedTextRefusal(pasted.toStdString());
    ASSERT_FALSE(refusal.empty());
    prompter.expect("確認", refusal, Icon::Information, Buttons::Ok, Answer::Ok);
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_TRUE(w->isEditing()) << "editing goes on";
    ASSERT_TRUE(hasControl<NoteEdit>(*w, "rch"));
    EXPECT_EQ(rch(*w)->toPlainText(), pasted) << "nothing is cut";
    EXPECT_EQ(note(i).Text, "短い");

    // Shortened by one character it fits and is kept.
    rch(*w)->setPlainText(pasted.left(16383));
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(utf8ToCp932(note(i).Text).size(), 32766u);

    // When the end of the program ends an over-long edit, the note keeps the text it had.
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    rch(*w)->setPlainText(pasted);
    prompter.expect("確認", refusal, Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_TRUE(w->endEditing(true));
    EXPECT_EQ(utf8ToCp932(note(i).Text).size(), 32766u);
}

TEST_F(NoteWindowTest, AnEditThatChangedNothingKeepsTheBytesOfTheFile) {
    // Bytes that are no character and a lone line feed, as another program wrote them.
    const std::string fromFile = cp932ToUtf8(std::string("A\x81 B\nC", 6));
    int i = addNote(fromFile);
    frmPinly* w = open(i);
    EXPECT_EQ(lbl(*w)->text(), "A? B\nC");
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    ASSERT_TRUE(w->isEditing());
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_EQ(utf8ToCp932(note(i).Text), std::string("A\x81 B\nC", 6));
}

TEST_F(NoteWindowTest, TheMarksAreDrawnAcrossTheNoteAndUnderTheEditBox) {
    // 1500 x 1500 twips: 100 x 100 pixels, so the marks are the two exact pixel diagonals.
    const struct {
        bool sent, outRange;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    int n = 0;
    for (const auto& c : cases) {
        const int i = addNote("", 1500 + 1600 * n++, 1500, 1500, 1500);
        frmPinly* w = open(i);
        EXPECT_STREQ(w->lineSended().objectName(), "lineSended");
        EXPECT_STREQ(w->lineOutRange().objectName(), "lineOutRange");
        w->setLineSended(c.sent);
        w->setLineOutRange(c.outRange);
        const std::string name = std::string(c.sent ? "sent" : "-") + "/" + (c.outRange ? "out of period" : "-");
        auto isBlack = [](const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::black); };
        // Before and after an editing round; while editing the edit box covers the marks.
        for (int round = 0; round < 2; ++round) {
            const QImage shot = w->grab().toImage();
            ASSERT_EQ(shot.size(), QSize(100, 100));
            ASSERT_FALSE(isBlack(shot, 50, 80)) << "the note's background";
            for (int k : {10, 25, 60, 85}) {
                EXPECT_EQ(isBlack(shot, k, k), c.sent) << name << " round " << round << " at " << k;
                EXPECT_EQ(isBlack(shot, 99 - k, k), c.outRange) << name << " round " << round << " at " << k;
            }
            w->beginEditing();
            ASSERT_TRUE(w->isEditing());
            const QImage editing = w->grab().toImage();
            for (int k : {25, 60, 85}) {
                EXPECT_FALSE(isBlack(editing, k, k)) << name << " at " << k;
                EXPECT_FALSE(isBlack(editing, 99 - k, k)) << name << " at " << k;
            }
            w->endEditing(true);
        }
    }
}

TEST_F(NoteWindowTest, FirstNoteTextIsSelectedSoThatTypingReplacesIt) {
    int i = addNote("タックウィスプ");
    frmPinly* w = open(i);
    w->beginEditing();
    EXPECT_EQ(rch(*w)->textCursor().selectedText(), "タックウィスプ");
    QTest::keyClicks(rch(*w), "abc");
    w->endEditing(true);
    EXPECT_EQ(note(i).Text, "abc");

    // Any other text is not selected.
    int j = addNote("タックウィスプ ");
    frmPinly* v = open(j);
    v->beginEditing();
    EXPECT_EQ(rch(*v)->textCursor().selectedText(), "");
}

TEST_F(NoteWindowTest, EditingEndsOnFocusLossAndOnDoubleClickButNotForItsOwnMenu) {
    int i = addNote("x");
    frmPinly* w = open(i);
    w->beginEditing();
    QTest::keyClicks(rch(*w), "y");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(rch(*w), &popup);
    EXPECT_TRUE(w->isEditing());
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(rch(*w), &away);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(note(i).Text, "yx");

    w->beginEditing();
    QTest::keyClicks(rch(*w), "z");
    QTest::mouseDClick(rch(*w)->viewport(), Qt::LeftButton);
    // A double click sent to a widget leaves QTest's button down; it comes up as it would for real,
    // or every later test's mouse would move with the button held.
    QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(note(i).Text, "zyx");
}

TEST_F(NoteWindowTest, EachEditingRoundHasAnEditBoxOfItsOwn) {
    int i = addNote("一");
    frmPinly* w = open(i);
    w->beginEditing();
    QPointer<NoteEdit> first = rch(*w);
    ASSERT_FALSE(first.isNull());
    QTest::keyClicks(rch(*w), "a");
    // Ended by the program, not by the box: the box still has the focus when the next round starts.
    w->endEditing(true);
    EXPECT_EQ(note(i).Text, "a一");
    w->beginEditing();
    ASSERT_TRUE(w->isEditing()) << "the box of the round before must not end this one";
    ASSERT_TRUE(hasControl<NoteEdit>(*w, "rch"));
    EXPECT_NE(rch(*w), first.data());
    EXPECT_TRUE(rch(*w)->isVisible());
    EXPECT_EQ(rch(*w)->toPlainText(), "a一");
    QTest::keyClicks(rch(*w), "b");
    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(note(i).Text, "ba一");
    flushDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(w->findChildren<NoteEdit*>().isEmpty());
}

TEST_F(NoteWindowTest, DoubleClickOnTheBackSideOrWhileBlinkingDoesNothing) {
    int i = addNote("秘密");
    note(i).set(kFlagReversed, true);
    frmPinly* w = open(i);
    EXPECT_EQ(lbl(*w)->text(), "裏側");
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    EXPECT_FALSE(w->isEditing());
    EXPECT_FALSE(hasControl<NoteEdit>(*w, "rch"));

    int j = addNote("点滅", 5000, 5000);
    frmPinly* v = open(j);
    st.blinkRunning = true;
    v->beginEditing();
    EXPECT_FALSE(v->isEditing());
}

TEST_F(NoteWindowTest, TwoDroppedFilesAppendTwoLines) {
    int i = addNote("");
    frmPinly* w = open(i);
    w->beginEditing();
    // A drop arrives after the drag entered the edit box, as from a file manager.
    auto dropOn = [&](QMimeData& data) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(rch(*w)->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(rch(*w)->viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/srv/共有/a.txt"), QUrl::fromLocalFile("/srv/b.doc")});
    EXPECT_TRUE(dropOn(files));
    EXPECT_EQ(rch(*w)->toPlainText(), "\n/srv/共有/a.txt\n/srv/b.doc");

    // Text is not taken.
    QMimeData text;
    text.setText("貼り付け");
    EXPECT_FALSE(dropOn(text));

    QTest::keyClick(rch(*w), Qt::Key_Escape);
    EXPECT_EQ(note(i).Text, "\r\n/srv/共有/a.txt\r\n/srv/b.doc");
}
