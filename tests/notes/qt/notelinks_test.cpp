// The link entries of the menu, the information box, the firing on the reception tick (a received
// note's timed link asks first), the tooltip and the help document.
#include "dialogs/qt/frmMain.h"
#include "notes/links.h"
#include "notes/qt/note_fixture.h"
#include "support/recording_shell.h"

#include <QTextBrowser>

#include <fstream>

namespace tw::test {
namespace {

class NoteLinksTest : public NoteWindowsFixture {
protected:
    void SetUp() override {
        NoteWindowsFixture::SetUp();
        services.shell = &shell;
        makeWindows();
    }
    static QStringList shownLinks(NoteMenu& m) {
        QStringList out;
        for (QAction* a : m.mnuHyperText) {
            EXPECT_EQ(a->isVisible(), a->isEnabled());
            if (a->isVisible()) out << a->text();
        }
        return out;
    }
    RecordingShell shell;
};

TEST_F(NoteLinksTest, TheMenuOffersTheTextsLinksAndFollowsAnEdit) {
    frmPinly* w = open(addNote("http://a.test/?x=1&y=2\r\nC:\\x\\y.txt\r\n普通の行\r\nhttp://b.test 12:30"));
    NoteMenu& m = menuFor(w);
    EXPECT_EQ(shownLinks(m), (QStringList{"http://a.test/?x=1&&y=2", "C:\\x\\y.txt"}));
    EXPECT_FALSE(m.mnuTmrKind->menuAction()->isVisible());   // a timed link is no note alarm
    m.mnuHyperText[0]->trigger();
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://a.test/?x=1&y=2"});
    prompter.expect("確認", "ファイル: C:\\x\\y.txtは見つかりません", Icon::Information, Buttons::Ok, Answer::Ok);
    m.mnuHyperText[1]->trigger();
    EXPECT_EQ(shell.opened.size(), 1u);

    // Editing ends: the text is read anew at once.
    w->beginEditing();
    ASSERT_TRUE(hasControl<NoteEdit>(*w, "rch"));
    rch(*w)->setPlainText("会議 13:00");
    ASSERT_TRUE(w->endEditing(true));
    EXPECT_TRUE(w->links().empty());
    EXPECT_TRUE(hasNoteAlarm(st, w->record()));
    NoteMenu& again = menuFor(w);
    EXPECT_TRUE(shownLinks(again).isEmpty());
    EXPECT_TRUE(again.mnuTmrKind->menuAction()->isVisible());
    EXPECT_TRUE(again.mnuTmrKind->menuAction()->isEnabled());
}

TEST_F(NoteLinksTest, InformationBoxListsLinksAndTimers) {
    const int n = addNote("\\\\srv\\share\\a.doc\r\n昼 12:30");
    note(n).CreatedAt = makeDateTime(2024, 5, 10, 9, 0, 0);
    note(n).set(kFlagTimerBlink, true);
    frmPinly* w = open(n);
    NoteMenu& m = menuFor(w);
    prompter.expect("情報",
                    "付箋ID: 0\r作成: 2024/05/10 9:00:00\r 期間:無 送信:無\r 送信後受信:無\r 受信確認後削除:無\r 受信:無"
                    "\r Shell(1):\\\\srv\\share\\a.doc\r タイマ: 24/05/10 12:30 ブリンク表示 未",
                    Icon::Information, Buttons::Ok, Answer::Ok);
    m.mnuFInfo->trigger();
}

TEST_F(NoteLinksTest, TheTickFiresDueTimersAndAReceivedLinkAsksFirst) {
    const int own = addNote("打合せ 12:30");
    note(own).set(kFlagTimerDialog, true);
    const int received = addNote("\\\\server\\tool.exe 12:30\r\nhttp://c.test 12:30");
    note(received).IsReceived = true;
    shell.files.insert("\\\\server\\tool.exe");
    menuFor(open(own));
    NoteMenu& m = menuFor(open(received));
    EXPECT_FALSE(m.mnuTmrKind->menuAction()->isVisible());
    ASSERT_EQ(st.TimerTable.size(), 3u);

    clock.set(makeDateTime(2024, 5, 10, 12, 30, 1));
    prompter.expect("タックウィスプ(確認タイマー)", "打合せ 12:30", Icon::Information, Buttons::Ok, Answer::Ok);
    prompter.expect("確認", "\\\\server\\tool.exeを開きますか？", Icon::Information, Buttons::YesNo, Answer::No);
    prompter.expect("確認", "http://c.testを開きますか？", Icon::Information, Buttons::YesNo, Answer::Yes);
    notes->networkHost().fireDueTimers();
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://c.test"});
    notes->networkHost().fireDueTimers();   // nothing fires twice
    EXPECT_TRUE(prompter.done());
}

TEST_F(NoteLinksTest, TooltipOfTheTextLabel) {
    const int n = addNote("受け取った");
    note(n).IsReceived = true;
    note(n).Partner = {"鈴木", makeDate(2024, 5, 9)};
    frmPinly* w = open(n);
    EXPECT_EQ(lbl(*w)->toolTip().toStdString(), "送信者: 鈴木 送信日時2024/05/09");
    note(n).IsReceived = false;
    activate(w);
    EXPECT_TRUE(lbl(*w)->toolTip().isEmpty());
}

TEST_F(NoteLinksTest, HelpDocumentBesideTheProgramAndTheSupportPage) {
    TempDir programDir;
    st.sys.programDir = programDir.str();
    st.sys.exeName = "tackwisp";
    frmPinly* w = open(addNote("a"));
    menuFor(w).mnuHelpView->trigger();
    ASSERT_NE(notes->links().helpWindow(), nullptr);
    auto* browser = notes->links().helpWindow()->findChild<QTextBrowser*>("txtHelp");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains("が見つかりません"));

    std::ofstream(programDir.str() + "/tackwisp.html") << "<html><body><h1>使い方</h1><a name=\"contents\"></a></body></html>";
    menuFor(w).mnuHelpView->trigger();
    EXPECT_TRUE(notes->links().helpWindow()->isVisible());
    EXPECT_EQ(browser->toPlainText().trimmed(), "使い方");

    menuFor(w).mnuWebAct->trigger();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], programDir.str() + "/tackwisp-support.html");
    notes->links().helpWindow()->close();
}

}  // namespace
}  // namespace tw::test
