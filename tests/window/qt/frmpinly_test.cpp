// The note window on the offscreen platform: its context menu, cursor zones, dragging and clamping,
// the resize and focus handlers, and editing in place with dropped files.
#include "notes/qt/note_fixture.h"

#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include <functional>

using namespace tw;
using tw::test::NoteWindowsFixture;

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
        "mnuHyperText0 Shell0",
        "mnuHyperText1 Shell1",
        "mnuHyperText2 Shell2",
        "mnuHyperText3 Shell3",
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
    listMenu(w->mnu1, "", got);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(w->mnu1->title(), "メニュー１");
    EXPECT_EQ(w->mnu2->title(), "メニュー２");
    EXPECT_TRUE(w->mnu2->actions().isEmpty());
}

TEST_F(NoteWindowTest, DesignVisibilityAndTheCommandsThatExist) {
    frmPinly* w = open(addNote("メモ"));
    for (int k = 0; k < 5; ++k) EXPECT_EQ(w->mnuUndel[k]->isVisible(), k == 0) << k;
    for (int i = 0; i < 13; ++i) EXPECT_EQ(w->mnuFstyleItem[i]->isVisible(), i < 2) << i;
    for (QAction* a : w->mnuHyperText) {
        EXPECT_FALSE(a->isVisible());
        EXPECT_FALSE(a->isEnabled());
    }
    const QStringList enabled = {"mnuPinlyNew", "mnuPinlyCopy", "mnuDelPinly", "mnuUndel0", "mnuUndel1", "mnuUndel2",
                                 "mnuUndel3",   "mnuUndel4",    "mnuOutRange", "mnuVersion", "mnuAllExit"};
    for (QAction* a : w->mnu1->findChildren<QAction*>()) {
        // Hidden entries cannot be triggered at all; they are checked once they show.
        if (a->isSeparator() || a->menu() || a->objectName().isEmpty() || !a->isVisible()) continue;
        EXPECT_EQ(a->isEnabled(), enabled.contains(a->objectName())) << a->objectName().toStdString();
    }
    EXPECT_FALSE(w->mnuTmrKind->menuAction()->isEnabled());
    w->mnuUndel[4]->setVisible(true);
    EXPECT_TRUE(w->mnuUndel[4]->isEnabled());
    EXPECT_FALSE(w->lblID->isVisible());
    EXPECT_FALSE(w->rch->isVisible());
    EXPECT_TRUE(w->lbl->isVisible());
}

TEST_F(NoteWindowTest, EnvironmentSettingsOnlyWhenTheProgramCanShowThem) {
    frmPinly* before = open(addNote("a"));
    EXPECT_FALSE(before->mnuSetConfig->isEnabled());
    hooks.environmentReady = true;
    frmPinly* w = open(addNote("b", 5000, 5000));
    ASSERT_TRUE(w->mnuSetConfig->isEnabled());
    w->mnuSetConfig->trigger();
    EXPECT_EQ(hooks.environmentDialogs, 1);
}

TEST_F(NoteWindowTest, VersionShowsTheAboutBox) {
    frmPinly* w = open(addNote("a"));
    prompter.expect("バージョン情報", "タックウィスプ Version 1.71 R08", Icon::Information, Buttons::Ok, Answer::Ok);
    w->mnuVersion->trigger();
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
        EXPECT_EQ(w->lbl->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
    }
}

TEST_F(NoteWindowTest, LockedNoteKeepsItsCursorAndDoesNotDrag) {
    int i = addNote("", 1500, 1500, 100, 100);
    note(i).set(kFlagLocked, true);
    frmPinly* w = open(i);
    QWindow* h = w->windowHandle();
    QTest::mouseMove(h, {3, 3});
    EXPECT_EQ(w->hitCode(), kHitNowhere);
    EXPECT_EQ(w->lbl->cursor().shape(), Qt::ArrowCursor);
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
    EXPECT_EQ(w->lbl->geometry(), w->rect());
    EXPECT_EQ(w->img->size(), w->size());
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
    for (int k = 0; k < 13; ++k) EXPECT_EQ(w->mnuFstyleItem[k]->isChecked(), k == 1) << k;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(w->mnuFont[k]->isChecked(), k == 2) << k;
    EXPECT_TRUE(w->mnuTextAutoSize->isChecked());
    EXPECT_TRUE(w->mnuTmrMsg[0]->isChecked());
    EXPECT_FALSE(w->mnuTmrMsg[1]->isChecked());
    EXPECT_TRUE(w->mnuLock->isChecked());
    EXPECT_FALSE(w->mnuZorder[0]->isChecked());
    EXPECT_TRUE(w->mnuZorder[1]->isChecked());
    EXPECT_EQ(w->mnuReverse->text(), "表返し(&R)");
    EXPECT_TRUE(w->menuState().cancelSendEnabled);
    EXPECT_FALSE(w->menuState().periodEnabled);
    EXPECT_TRUE(w->menuState().receptionListEnabled);
    // Entries whose commands do not exist yet stay disabled whatever the state says.
    EXPECT_FALSE(w->mnuCancelSend->isEnabled());

    r.ShapeIndex = 0;
    r.TextSize = 0;
    r.Flags = kFlagTimerBlink | kFlagAlwaysFront;
    r.IsSent = false;
    activate(w);
    EXPECT_TRUE(w->mnuFstyleItem[0]->isChecked());
    EXPECT_FALSE(w->mnuFstyleItem[1]->isChecked());
    EXPECT_TRUE(w->mnuFont[0]->isChecked());
    EXPECT_FALSE(w->mnuFont[2]->isChecked());
    EXPECT_FALSE(w->mnuTextAutoSize->isChecked());
    EXPECT_FALSE(w->mnuTmrMsg[0]->isChecked());
    EXPECT_TRUE(w->mnuTmrMsg[1]->isChecked());
    EXPECT_FALSE(w->mnuLock->isChecked());
    EXPECT_TRUE(w->mnuZorder[0]->isChecked());
    EXPECT_FALSE(w->mnuZorder[1]->isChecked());
    EXPECT_EQ(w->mnuReverse->text(), "裏返し(&R)");
    EXPECT_TRUE(w->menuState().periodEnabled);
    EXPECT_TRUE(w->menuState().sendEnabled);
    EXPECT_FALSE(w->menuState().cancelSendEnabled);
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
    EXPECT_TRUE(w->rch->isVisible());
    EXPECT_FALSE(w->lbl->isVisible());
    EXPECT_EQ(w->rch->geometry(), w->lbl->geometry());
    EXPECT_EQ(w->rch->toPlainText(), "一行目\n二行目");
    QTest::keyClick(w->rch, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w->rch, "!");
    QTest::keyClick(w->rch, Qt::Key_Return);
    QTest::keyClicks(w->rch, "abc");
    QTest::keyClick(w->rch, Qt::Key_Escape);
    EXPECT_FALSE(w->isEditing());
    EXPECT_FALSE(w->rch->isVisible());
    EXPECT_TRUE(w->lbl->isVisible());
    EXPECT_EQ(note(i).Text, "一行目\r\n二行目!\r\nabc");
    EXPECT_EQ(w->lbl->text(), "一行目\n二行目!\nabc");
    EXPECT_EQ(w->lineSended->geometry(), w->rect());
}

TEST_F(NoteWindowTest, FirstNoteTextIsSelectedSoThatTypingReplacesIt) {
    int i = addNote("タックウィスプ");
    frmPinly* w = open(i);
    w->beginEditing();
    EXPECT_EQ(w->rch->textCursor().selectedText(), "タックウィスプ");
    QTest::keyClicks(w->rch, "abc");
    w->endEditing(true);
    EXPECT_EQ(note(i).Text, "abc");

    // Any other text is not selected.
    int j = addNote("タックウィスプ ");
    frmPinly* v = open(j);
    v->beginEditing();
    EXPECT_EQ(v->rch->textCursor().selectedText(), "");
}

TEST_F(NoteWindowTest, EditingEndsOnFocusLossAndOnDoubleClickButNotForItsOwnMenu) {
    int i = addNote("x");
    frmPinly* w = open(i);
    w->beginEditing();
    QTest::keyClicks(w->rch, "y");
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(w->rch, &popup);
    EXPECT_TRUE(w->isEditing());
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w->rch, &away);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(note(i).Text, "yx");

    w->beginEditing();
    QTest::keyClicks(w->rch, "z");
    QTest::mouseDClick(w->rch->viewport(), Qt::LeftButton);
    EXPECT_FALSE(w->isEditing());
    EXPECT_EQ(note(i).Text, "zyx");
}

TEST_F(NoteWindowTest, DoubleClickOnTheBackSideOrWhileBlinkingDoesNothing) {
    int i = addNote("秘密");
    note(i).set(kFlagReversed, true);
    frmPinly* w = open(i);
    EXPECT_EQ(w->lbl->text(), "裏側");
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
    EXPECT_FALSE(w->isEditing());
    EXPECT_FALSE(w->rch->isVisible());

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
        QCoreApplication::sendEvent(w->rch->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->rch->viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/srv/共有/a.txt"), QUrl::fromLocalFile("/srv/b.doc")});
    EXPECT_TRUE(dropOn(files));
    EXPECT_EQ(w->rch->toPlainText(), "\n/srv/共有/a.txt\n/srv/b.doc");

    // Text is not taken.
    QMimeData text;
    text.setText("貼り付け");
    EXPECT_FALSE(dropOn(text));

    QTest::keyClick(w->rch, Qt::Key_Escape);
    EXPECT_EQ(note(i).Text, "\r\n/srv/共有/a.txt\r\n/srv/b.doc");
}
