// The note windows with the note-settings dialog and the network check: the settings menu with its
// refusals, the send page used as a user would, the refresh after a check, cancelling, blinking.
#include "app/groval.h"
#include "dialogs/qt/frmMain.h"
#include "dialogs/qt/sendpage.h"
#include "messaging/reception.h"
#include "messaging/sending.h"
#include "messaging/sharedlog.h"
#include "notes/qt/note_fixture.h"
#include "notes/qt/receptiontimer.h"
#include "support/qt/controls.h"
#include "support/workgroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace tw::test {
namespace {

// Runs `act` on the dialog once it is up as a modal window.
void whenModal(frmMain& d, std::function<void()> act) {
    auto* poll = new QTimer(&d);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, &d, [poll, &d, act = std::move(act)] {
        if (QApplication::activeModalWidget() != &d && !d.isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start();
}

void clickRow(QTreeWidget* list, int row) {
    const QRect r = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

class NoteTravelTest : public NoteWindowsFixture {
protected:
    void SetUp() override {
        NoteWindowsFixture::SetUp();
        for (int16_t id : {int16_t{1}, int16_t{2}, int16_t{3}}) {
            UserEntry u;
            u.MemberId = id;
            u.MemberName = id == 1 ? "佐藤" : id == 2 ? "鈴木" : "高橋";
            st.members.push_back(u);
        }
        dialog = std::make_unique<frmMain>(st);
        services.settingsDialog = dialog.get();
        makeWindows();
        reception.setNetworkHost(&notes->networkHost());
    }
    void TearDown() override {
        reception.setNetworkHost(nullptr);
        NoteWindowsFixture::TearDown();
        dialog.reset();
    }
    std::unique_ptr<frmMain> dialog;
};

TEST_F(NoteTravelTest, SendPageUsedAsAUserWould) {
    // 高橋 joined after the start: only the member list in the folder has him.
    st.sharedConfig.Signature = kProductName;
    st.sharedConfig.VersionMajor = kVersionMajor;
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
    st.members.pop_back();
    const int a = addNote("週報を出してください");
    addNote("もう一枚");
    frmPinly* w = open(a);
    open(1);
    reception.setTimerInterval(reception.onTimer());
    QString titleWhileOpen;
    whenModal(*dialog, [&] {
        titleWhileOpen = dialog->windowTitle();
        EXPECT_TRUE(reception.paused());
        EXPECT_FALSE(reception.tmrLog()->isActive()) << "no check while the dialog is open";
        EXPECT_EQ(dialog->currentPage(), frmMain::kSendPage);
        QTreeWidget* list = control<QTreeWidget>(*dialog, "lsvSend");
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), QString::fromUtf8("鈴木"));
        EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("3"));
        EXPECT_EQ(control<QLabel>(*dialog, "lblTotal0")->text(), QStringLiteral("2"));
        // Plain clicks add rows and take them out again.
        clickRow(list, 0);
        clickRow(list, 1);
        EXPECT_EQ(list->selectedItems().size(), 2);
        clickRow(list, 0);
        EXPECT_EQ(list->selectedItems().size(), 1);
        clickRow(list, 0);
        EXPECT_TRUE(control<QCheckBox>(*dialog, "chk", 0)->isEnabled()) << "two notes on the screen: auto-delete allowed";
        control<QCheckBox>(*dialog, "chk", 0)->click();
        EXPECT_FALSE(control<QCheckBox>(*dialog, "chk", 1)->isEnabled());
        control<QPushButton>(*dialog, "btn", 0)->click();
    });
    notes->travel().openSettingsPage(w, 1);
    EXPECT_EQ(titleWhileOpen, QString::fromUtf8("他の人へ送信"));
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("タックウィスプ"));
    EXPECT_TRUE(reception.tmrLog()->isActive());
    EXPECT_TRUE(note(a).IsSent);
    EXPECT_TRUE(note(a).AutoDelete);
    const std::optional<LogRecords> log = readWholeLog(st);
    ASSERT_TRUE(log);
    ASSERT_EQ(log->size(), 2u);
    EXPECT_EQ((*log)[1].RecipientName, "高橋");
    EXPECT_EQ(w->backColourValue(), st.localConfig.BackColours[4]) << "sent colours";
}

TEST_F(NoteTravelTest, SettingsMenuRefusalsAndConfirmations) {
    const int a = addNote("一枚だけ");
    frmPinly* w = open(a);
    prompter.expect("タックウィスプ", "最後の１枚の可能性がある付箋紙は期間設定できません", Icon::Information,
                    Buttons::Ok, Answer::Ok);
    notes->travel().openSettingsPage(w, 0);
    EXPECT_FALSE(note(a).HasPeriod);

    note(a).IsSent = true;
    prompter.expect("タックウィスプ", "送信データは期間設定できません\r「送信キャンセル」か「新規作成」を行って下さい",
                    Icon::Information, Buttons::Ok, Answer::Ok);
    notes->travel().openSettingsPage(w, 0);
    note(a).IsSent = false;

    // Sending a note with a period asks first; Cancel leaves period and note alone.
    note(a).HasPeriod = true;
    note(a).Period.StartAt = makeDateTime(2024, 5, 1, 0, 0, 0);
    note(a).Period.EndAt = makeDateTime(2024, 5, 30, 0, 0, 0);
    prompter.expect("確認", "期間設定値はクリアされます", Icon::None, Buttons::OkCancel, Answer::Cancel);
    notes->travel().openSettingsPage(w, 1);
    EXPECT_TRUE(note(a).HasPeriod);

    // OK clears it; the only note may not remove itself, and nobody is chosen: nothing is sent.
    prompter.expect("確認", "期間設定値はクリアされます", Icon::None, Buttons::OkCancel, Answer::Ok);
    whenModal(*dialog, [&] {
        EXPECT_FALSE(control<QCheckBox>(*dialog, "chk", 0)->isEnabled());
        EXPECT_FALSE(control<SendPage>(*dialog, "picSet1")->autoDeleteAllowed());
        control<QPushButton>(*dialog, "btn", 0)->click();
    });
    notes->travel().openSettingsPage(w, 1);
    EXPECT_FALSE(note(a).HasPeriod);
    EXPECT_FALSE(note(a).IsSent);
}

TEST_F(NoteTravelTest, EmptyMemberListIsTold) {
    st.members.clear();
    addNote("a");
    frmPinly* w = open(addNote("b"));
    open(0);
    prompter.expect("確認", "送信できる相手は登録されていません", Icon::Information, Buttons::Ok, Answer::Ok);
    whenModal(*dialog, [&] {
        EXPECT_EQ(control<QTreeWidget>(*dialog, "lsvSend")->topLevelItemCount(), 0);
        control<QPushButton>(*dialog, "btn", 1)->click();
    });
    notes->travel().openSettingsPage(w, 1);
}

TEST_F(NoteTravelTest, RefreshColoursHidesAndOpens) {
    const int sent = addNote("送った");
    const int closed = addNote("閉じられた");
    frmPinly* w = open(sent);
    open(closed)->close();   // the system close key: the window goes, the record stays
    flushDeletes();
    ASSERT_EQ(notes->windowOf(closed), nullptr);
    note(sent).IsSent = true;
    note(sent).AllReceived = true;
    note(sent).AutoDelete = true;
    note(sent).IsPeeled = true;
    notes->networkHost().refreshWindows();
    EXPECT_TRUE(w->lineSended().isVisible() || !w->isVisible());
    EXPECT_FALSE(w->isVisible()) << "sent with auto-delete and received by all: gone";
    ASSERT_NE(notes->windowOf(closed), nullptr) << "a note without a window gets one again";
    EXPECT_TRUE(notes->windowOf(closed)->isVisible());

    // A period that nears its end changes the colours at the next refresh.
    frmPinly* c = notes->windowOf(closed);
    note(closed).HasPeriod = true;
    note(closed).Period.StartAt = makeDateTime(2024, 5, 1, 0, 0, 0);
    note(closed).Period.EndAt = makeDateTime(2024, 5, 11, 0, 0, 0);
    notes->networkHost().refreshWindows();
    EXPECT_EQ(c->backColourValue(), st.localConfig.BackColours[1]);

    // A note hidden until its period starts comes back at the first refresh after the start.
    note(closed).Period.StartAt = makeDateTime(2024, 5, 10, 12, 30, 0);
    activate(c);
    EXPECT_FALSE(c->isVisible());
    notes->networkHost().refreshWindows();
    EXPECT_FALSE(c->isVisible());
    clock.set(makeDateTime(2024, 5, 10, 12, 31, 0));
    notes->networkHost().refreshWindows();
    EXPECT_TRUE(c->isVisible());
    EXPECT_FALSE(c->lineOutRange().isVisible());
}

TEST_F(NoteTravelTest, CancelTurnsTheNoteBackToNormal) {
    addNote("a");
    frmPinly* w = open(addNote("取り消し"));
    open(0);
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    ASSERT_EQ(sendNote(st, 1, {2, 3}, 0, false), SendResult::Sent);
    w->setColours(st.localConfig.BackColours[4], st.localConfig.TextColours[4]);
    notes->travel().cancelSend(w);
    EXPECT_FALSE(note(1).IsSent);
    EXPECT_EQ(w->backColourValue(), st.localConfig.BackColours[0]);
    EXPECT_FALSE(readSendRecords(st, 1, true));   // the log is empty again
}

TEST_F(NoteTravelTest, BlinkUntilAPressAndAlarmKinds) {
    services.blinkHalfPeriodMs = 20;
    reception.setNetworkHost(nullptr);
    makeWindows();
    reception.setNetworkHost(&notes->networkHost());
    frmPinly* w = open(addNote("時間です"));
    int hiddenSeen = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!w->isVisible()) ++hiddenSeen;
        if (hiddenSeen >= 2 && w->isVisible()) QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    });
    watch.start(5);
    notes->links().blink(0);
    watch.stop();
    EXPECT_GE(hiddenSeen, 2);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(st.blinkRunning);

    prompter.expect("エラー", "付箋ID:7が見つかりません", Icon::Warning, Buttons::Ok, Answer::Ok);
    notes->links().blink(7);

    // Blink on; choosing the box switches to it; choosing it again leaves none.
    note(0).set(kFlagTimerBlink, true);
    notes->travel().chooseAlarmKind(w, 0);
    EXPECT_TRUE(note(0).has(kFlagTimerDialog));
    EXPECT_FALSE(note(0).has(kFlagTimerBlink));
    notes->travel().chooseAlarmKind(w, 0);
    EXPECT_FALSE(note(0).has(kFlagTimerDialog));
    EXPECT_FALSE(note(0).has(kFlagTimerBlink));
}

// Member 2's program receives what member 1 (core calls in the same process) sent.
TEST(NetworkCheck, ReceivedNoteGetsItsWindow) {
    Workgroup g{{"佐藤", "鈴木"}};
    addNote(g[1], "届いたメモ", 12000, 14000);
    ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
    ASSERT_EQ(sendNote(g[1], 0, {2}, 0, false), SendResult::Sent);

    RecordingHooks hooks;
    NoteWindows notes(g[2], hooks);
    ReceptionTimer check(g[2]);
    check.setNetworkHost(&notes.networkHost());
    check.chkNetCom();
    ASSERT_EQ(g[2].NoteTable.size(), 1u);
    frmPinly* w = notes.windowOf(0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->caption(), "届いたメモ");
    EXPECT_TRUE(w->isVisible());
    // The copy was fitted to member 2's 1024 × 768 screen.
    EXPECT_LE(g[2].NoteTable[0].Top + g[2].NoteTable[0].Height, 768 * 15);
    check.setNetworkHost(nullptr);
}

}  // namespace
}  // namespace tw::test
