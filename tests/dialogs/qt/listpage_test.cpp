// The list page of the note-settings dialog with three members on one folder: the status of a Yes/No
// questionnaire, the whole log through the mode selector, deletes refused and done, and a recipient
// whose record was deleted never getting the note.
#include "app/groval.h"
#include "dialogs/qt/frmMain.h"
#include "dialogs/qt/listpage.h"
#include "messaging/reception.h"
#include "messaging/sending.h"
#include "messaging/sharedlog.h"
#include "support/qt/controls.h"
#include "support/workgroup.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace tw::test {
namespace {

struct NoWindows : ReceptionHost {
    void openNoteWindow(int) override {}
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override { return false; }
};

void send(AppState& st, int note, std::vector<int16_t> to, int16_t kind) {
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    ASSERT_EQ(sendNote(st, static_cast<int16_t>(note), to, kind, false), SendResult::Sent);
}

void select(ListPage& p, int row) {
    p.lsvLog->clearSelection();
    p.lsvLog->topLevelItem(row)->setSelected(true);
}

TEST(ListPage, StatusHistoryAndDeletes) {
    Workgroup g{{"佐藤", "鈴木", "高橋"}};
    NoWindows host;
    const int q = addNote(g[1], "会議に出ますか");
    send(g[1], q, {2, 3}, 1);
    g.prompter(2).expect("タックウィスプ(決議採択)", "佐藤さんからアンケートです\r会議に出ますか", Icon::None,
                         Buttons::YesNoCancel, Answer::Yes);
    networkCheck(g[2], host);
    send(g[2], addNote(g[2], "鈴木のメモ"), {1}, 0);

    frmMain d(g[1]);
    ListPage& p = *control<ListPage>(d, "picSet2");
    d.showPage(frmMain::kListPage);
    QPushButton* ok = control<QPushButton>(d, "btn0");   // "削除" on this page
    ASSERT_TRUE(d.setLogView(0, static_cast<int16_t>(q)));
    EXPECT_EQ(d.fid(), q);
    ASSERT_EQ(p.lsvLog->topLevelItemCount(), 2);
    EXPECT_EQ(p.lsvLog->headerItem()->text(6), QStringLiteral("答"));
    EXPECT_EQ(p.lsvLog->header()->sectionSize(0), qRound(17.5 * p.lsvLog->width() / 100.0));
    EXPECT_GE(p.lsvLog->header()->sectionSize(2), p.lsvLog->fontMetrics().horizontalAdvance(p.lsvLog->topLevelItem(0)->text(2)))
        << "dates are not cut off";
    EXPECT_EQ(p.lsvLog->topLevelItem(0)->text(6), QStringLiteral("y"));
    EXPECT_EQ(p.lblTotal[1]->text(), QStringLiteral("2"));
    EXPECT_FALSE(p.lblSyuke->isHidden());
    EXPECT_EQ(p.lblSyuke->text(), QStringLiteral("はい:1 いいえ:0 ｷｬﾝｾﾙ:0\n未回答:1"));
    EXPECT_TRUE(p.btnAns->isHidden());
    EXPECT_EQ(ok->text(), QStringLiteral("削除"));
    EXPECT_FALSE(ok->isEnabled());
    select(p, 1);
    EXPECT_TRUE(ok->isEnabled());
    // "削除" is no default button: Enter in the list deletes nothing.
    EXPECT_FALSE(ok->isDefault());
    d.show();
    QTest::keyClick(p.lsvLog, Qt::Key_Return);
    EXPECT_EQ(p.lsvLog->topLevelItemCount(), 2);

    // The whole log holds 鈴木's send too, which 佐藤 may not delete.
    emit p.cmb[0]->activated(1);
    EXPECT_EQ(d.mode(), 1);
    ASSERT_EQ(p.lsvLog->topLevelItemCount(), 3);
    EXPECT_TRUE(p.lblSyuke->isHidden());
    select(p, 2);
    g.prompter(1).expect("エラー", "送信者でないので削除できません", Icon::Warning, Buttons::Ok, Answer::Ok);
    ok->click();
    EXPECT_EQ(p.lsvLog->topLevelItemCount(), 3);

    // 高橋's record goes; he never gets the questionnaire.
    emit p.cmb[0]->activated(0);
    select(p, 1);
    ok->click();
    ASSERT_EQ(p.lsvLog->topLevelItemCount(), 1);
    EXPECT_EQ(networkCheck(g[3], host), 0);

    // The only row goes: the dialog closes and is prepared again out of sight.
    select(p, 0);
    g.prompter(1).expect("確認", "該当のログはありません", Icon::Information, Buttons::Ok, Answer::Ok);
    ok->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isEnabled());
}

}  // namespace
}  // namespace tw::test
