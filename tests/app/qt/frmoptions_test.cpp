// The environment dialog on the offscreen platform: first-time setup, the OK check, the password box,
// the browse for the shared folder, and the member's own settings while the program runs.
#include "app/qt/frmOptions.h"

#include "app/groval.h"
#include "dialogs/qt/frmMain.h"
#include "platform/codepage.h"
#include "platform/qt/commondialogs.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

class AnsweredDialogs : public CommonDialogs {
public:
    std::optional<QString> answer;
    std::vector<OpenFileRequest> requests;
    std::optional<QString> openFile(QWidget*, const OpenFileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class OptionsTest : public ::testing::Test {
protected:
    TempDir programDir, shared;
    ScriptedPrompter prompter;
    TestClock clock{36724.375};
    FixedScreen screen{1024 * 15, 768 * 15, 15};
    AnsweredDialogs dialogs;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
    std::unique_ptr<frmMain> timer;
    std::unique_ptr<frmOptions> dlg;

    void SetUp() override {
        st.sys.programDir = programDir.str();
        st.sys.retrySeconds = 1;
        st.sys.retryPauseMs = 5;
        timer = std::make_unique<frmMain>(st);
        dlg = std::make_unique<frmOptions>(st, timer.get(), dialogs);
    }
    void TearDown() override {
        dlg.reset();
        timer.reset();
    }

    // The program runs as member 3 "鈴木" with password "PW1" in `shared`.
    void running() {
        st.SettingsReady = true;
        st.SharedPath = shared.str();
        st.CurrentMemberId = 3;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = "鈴木";
        st.localConfig.MemberId = 3;
        st.localConfig.CheckUnit = 1;
        st.sharedConfig.Signature = "タックウィスプ";
        st.sharedConfig.VersionMajor = 1;
        UserEntry a, b;
        a.MemberName = "佐藤";
        a.MemberId = 1;
        b.MemberName = "鈴木";
        b.MemberId = 3;
        b.MemberPassword = ScramblePassword("PW1");
        st.members = {a, b};
        ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindShared));
    }
};

TEST_F(OptionsTest, FirstTimeSetupStartsFromTheDesignValues) {
    timer->setTimerInterval(timer->onTimer());
    ASSERT_TRUE(timer->tmrLog()->isActive());
    dlg->show();

    EXPECT_EQ(dlg->windowTitle(), q("環境設定"));
    EXPECT_EQ(dlg->geometry(), QRect(304, 205, 416, 358)) << "6240 x 5376 twips in the middle of 1024 x 768";
    EXPECT_FALSE(timer->tmrLog()->isActive()) << "the reception timer stops while the dialog is open";
    EXPECT_EQ(dlg->txtStr[0]->text(), QString::fromStdString(programDir.str()));
    EXPECT_EQ(dlg->txtStr[0]->toolTip(), q("既にプログラムで使用して共有しようとする場合は同じ場所を指定します"));
    EXPECT_TRUE(dlg->txtStr[0]->isEnabled());
    EXPECT_FALSE(dlg->txtStr[2]->isEnabled());
    EXPECT_EQ(dlg->txtStr[2]->palette().color(QPalette::Base), dlg->palette().color(QPalette::Button));
    EXPECT_EQ(dlg->btnDir->text(), q("参照(&L)"));
    EXPECT_EQ(dlg->cmdCancel->text(), q("ｷｬﾝｾﾙ"));
    EXPECT_EQ(dlg->lblNID->text(), QString());
    ASSERT_EQ(dlg->cmb1->count(), 3);
    EXPECT_EQ(dlg->cmb1->itemText(0), q("分単位"));
    EXPECT_EQ(dlg->cmb1->itemText(1), q("時間単位"));
    EXPECT_EQ(dlg->cmb1->itemText(2), q("秒単位"));
    EXPECT_EQ(dlg->tbsOptions->tabText(0), q("一般"));
    EXPECT_EQ(dlg->tbsOptions->tabToolTip(0), q("環境の設定"));
}

TEST_F(OptionsTest, OkNeedsPathAndName) {
    dlg->show();
    prompter.expect("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok, Answer::Ok);
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(st.SettingsReady);
    EXPECT_EQ(st.SharedPath, "");

    dlg->txtStr[1]->setText(q("山田"));
    dlg->txtStr[0]->clear();
    prompter.expect("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok, Answer::Ok);
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(OptionsTest, OkStoresTheSetup) {
    dlg->show();
    dlg->txtStr[0]->setText(QString::fromStdString(shared.str()));
    dlg->txtStr[1]->setText(q("山田"));
    dlg->cmb1->setCurrentIndex(2);
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);

    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(st.SettingsReady);
    EXPECT_EQ(st.SharedPath, shared.str());
    LocalConfig want = defaultLocalConfig();
    EXPECT_EQ(st.localConfig.MemberName, "山田");
    EXPECT_EQ(st.localConfig.MemberId, 0);
    EXPECT_EQ(st.localConfig.CheckUnit, 2);
    EXPECT_EQ(st.localConfig.CheckInterval, want.CheckInterval);
    EXPECT_EQ(st.localConfig.BackColours, want.BackColours);
    EXPECT_EQ(st.localConfig.Fonts[2].FontName, want.Fonts[2].FontName);
    EXPECT_EQ(dlg->nameText(), "山田");
    EXPECT_TRUE(std::filesystem::is_empty(shared.path())) << "the setup writes nothing into the folder";
    EXPECT_FALSE(timer->tmrLog()->isActive()) << "the start-up arms the timer once the notes are loaded";
}

TEST_F(OptionsTest, CancelStoresNothing) {
    dlg->show();
    dlg->txtStr[0]->setText(QString::fromStdString(shared.str()));
    dlg->txtStr[1]->setText(q("山田"));
    QTest::mouseClick(dlg->cmdCancel, Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(st.SettingsReady);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.localConfig.MemberName, "");
}

TEST_F(OptionsTest, PasswordBoxTakesCapitalsDigitsAndBackspaceOnly) {
    running();
    dlg->show();
    QLineEdit* pw = dlg->txtStr[2];
    ASSERT_TRUE(pw->isEnabled());
    pw->clear();
    pw->setFocus();

    QTest::keyClicks(pw, "a");
    EXPECT_EQ(pw->text(), "");
    QTest::keyClicks(pw, "A");
    QTest::keyClicks(pw, "7");
    EXPECT_EQ(pw->text(), "A7");
    QTest::keyClicks(pw, "b-. x");
    // "A" typed with Shift, as a keyboard sends it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QApplication::sendEvent(pw, &press);
    EXPECT_EQ(pw->text(), "A7A");
    QTest::keyClick(pw, Qt::Key_Backspace);
    EXPECT_EQ(pw->text(), "A7");
    EXPECT_EQ(pw->displayText(), "**");
    EXPECT_EQ(pw->echoMode(), QLineEdit::Password);
}

TEST_F(OptionsTest, BrowsePutsTheFolderOfTheChosenFileIntoThePathBox) {
    dlg->show();
    dialogs.answer = QStringLiteral("/srv/share/team/GRPINLY.CFG");
    QTest::mouseClick(dlg->btnDir, Qt::LeftButton);
    EXPECT_EQ(dlg->txtStr[0]->text(), QStringLiteral("/srv/share/team"));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    const OpenFileRequest& r = dialogs.requests[0];
    EXPECT_EQ(r.fileName, QStringLiteral("GRPINLY.CFG"));
    EXPECT_EQ(r.filter, q("全てのファイル(*.*)|*.*|付箋共有ファイル(GRPINLY.CFG)|GRPINLY.CFG|"));
    EXPECT_EQ(r.filterIndex, 2);

    dialogs.answer = std::nullopt;   // Cancel changes nothing
    QTest::mouseClick(dlg->btnDir, Qt::LeftButton);
    EXPECT_EQ(dlg->txtStr[0]->text(), QStringLiteral("/srv/share/team"));
}

TEST_F(OptionsTest, WhileRunningItShowsTheMembersSettings) {
    running();
    st.pathChgFlag = true;   // left from an earlier move to another folder
    dlg->show();
    EXPECT_EQ(dlg->txtStr[0]->text(), QString::fromStdString(shared.str()));
    EXPECT_FALSE(dlg->txtStr[0]->isEnabled());
    EXPECT_EQ(dlg->txtStr[1]->text(), q("鈴木"));
    EXPECT_EQ(dlg->txtStr[2]->text(), QStringLiteral("PW1"));
    EXPECT_EQ(dlg->lblNID->text(), QStringLiteral("3"));
    EXPECT_EQ(dlg->cmb1->currentIndex(), 1);
    EXPECT_EQ(dlg->btnDir->text(), q("変更(&L)"));
    EXPECT_FALSE(st.pathChgFlag);
}

TEST_F(OptionsTest, OkWithoutChangesLeavesTheMemberListAlone) {
    running();
    std::string before = readBytes(shared.file("GRPINLY.CFG"));
    std::filesystem::last_write_time(shared.file("GRPINLY.CFG"), std::filesystem::file_time_type{});
    dlg->show();
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(std::filesystem::last_write_time(shared.file("GRPINLY.CFG")), std::filesystem::file_time_type{});
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), before);
    EXPECT_FALSE(std::filesystem::exists(shared.file("GRPINLY.FLG")));
    EXPECT_TRUE(timer->tmrLog()->isActive()) << "closing re-arms the reception timer";
    EXPECT_EQ(timer->timerInterval(), 65535) << "hours";
}

TEST_F(OptionsTest, NewNameAndPasswordReachTheMemberList) {
    running();
    dlg->show();
    dlg->txtStr[1]->setText(q("鈴木一郎"));
    dlg->txtStr[2]->setText(QStringLiteral("NEW2"));
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);

    AppState other(st.sys);
    other.SharedPath = shared.str();
    ASSERT_TRUE(AccessSharedFile(other, kModeRead, kKindShared));
    ASSERT_EQ(other.members.size(), 2u);
    EXPECT_EQ(other.members[0].MemberName, "佐藤");
    EXPECT_EQ(other.members[1].MemberName, "鈴木一郎");
    EXPECT_EQ(other.members[1].MemberPassword, ScramblePassword("NEW2"));
    EXPECT_EQ(st.localConfig.MemberName, "鈴木一郎");
    EXPECT_EQ(st.CurrentPassword, "NEW2");
}

TEST_F(OptionsTest, RenameOfAMemberWhoIsNoLongerListedIsUndone) {
    running();
    st.CurrentMemberId = 4;   // lblNID shows 4, which the list does not have
    dlg->show();
    dlg->txtStr[1]->setText(q("別名"));
    prompter.expect("エラー", "共有設定ファイルに該当ID4が存在しませんでした（変更不可）", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    QTest::mouseClick(dlg->cmdOK, Qt::LeftButton);
    EXPECT_EQ(st.localConfig.MemberName, "鈴木");
    EXPECT_EQ(st.localConfig.MemberId, 4);
}

TEST(OptionsPlacement, CentredInTwips) {
    EXPECT_EQ(frmOptions::placement(1024 * 15, 768 * 15, 15, 15), QRect(304, 205, 416, 358));
    EXPECT_EQ(frmOptions::placement(1920 * 12, 1080 * 12, 12, 12), QRect(700, 316, 520, 448));
}

}  // namespace
