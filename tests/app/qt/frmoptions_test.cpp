// The environment dialog on the offscreen platform: first-time setup, the OK check, the password box,
// the browse for the shared folder, and the member's own settings while the program runs.
#include "app/qt/frmOptions.h"

#include "app/groval.h"
#include "messaging/qt/doorbell.h"
#include "messaging/receptioncheck.h"
#include "notes/qt/receptiontimer.h"
#include "platform/autostart.h"
#include "platform/codepage.h"
#include "platform/qt/commondialogs.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/qt/controls.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::control;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

class AnsweredDialogs : public CommonDialogs {
public:
    std::optional<QString> answer;
    std::vector<OpenFileRequest> requests;
    std::optional<QColor> colour;
    std::optional<QFont> font;
    std::optional<QString> openFile(QWidget*, const OpenFileRequest& r) override {
        requests.push_back(r);
        return answer;
    }
    std::optional<QColor> chooseColour(QWidget*, const QColor&) override { return colour; }
    std::optional<QFont> chooseFont(QWidget*, const QFont&) override { return font; }
};

// The running program around the dialog during a move to another folder or after the last member
// was deleted.
class RecordingHost : public OptionsHost {
public:
    explicit RecordingHost(AppState& st) : st_(st) {}
    std::vector<std::string> calls;
    std::string pathAtRestart, workstationAtRestart;
    size_t notesAtRestart = 99;
    bool flagAtRestart = false;
    void closeAllNotes() override { calls.push_back("close"); }
    StartupResult restartInFolder() override {
        calls.push_back("restart");
        pathAtRestart = st_.SharedPath;
        notesAtRestart = st_.NoteTable.size();
        flagAtRestart = st_.pathChgFlag;
        AppState probe(st_.sys);
        ReadWorkstation(probe);
        workstationAtRestart = probe.SharedPath;
        st_.CurrentMemberId = 7;
        return StartupResult::Running;
    }
    void endProgram(int code) override { calls.push_back("end " + std::to_string(code)); }

private:
    AppState& st_;
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
    std::unique_ptr<ReceptionTimer> timer;
    std::unique_ptr<frmOptions> dlg;
    RecordingHost host{st};

    void SetUp() override {
        st.sys.programDir = programDir.str();
        st.sys.retrySeconds = 1;
        st.sys.retryPauseMs = 5;
        timer = std::make_unique<ReceptionTimer>(st);
        dlg = std::make_unique<frmOptions>(st, timer.get(), dialogs);
        dlg->setHost(&host);
    }
    void TearDown() override {
        dlg.reset();
        timer.reset();
    }

    // The dialog's controls, by the names the dialog gives them.
    QTabWidget* tbsOptions() { return control<QTabWidget>(*dlg, "tbsOptions"); }
    QWidget* picOptions(size_t i) { return control<QWidget>(*dlg, "picOptions", i); }
    QLineEdit* txtStr(size_t i) { return control<QLineEdit>(*dlg, "txtStr", i); }
    QPushButton* btnDir() { return control<QPushButton>(*dlg, "btnDir"); }
    QLabel* lblNID() { return control<QLabel>(*dlg, "lblNID"); }
    QLineEdit* txtInt(size_t i) { return control<QLineEdit>(*dlg, "txtInt", i); }
    QScrollBar* vsc(size_t i) { return control<QScrollBar>(*dlg, "vsc", i); }
    QRadioButton* optTmr(size_t i) { return control<QRadioButton>(*dlg, "optTmr", i); }
    QFrame* pic(size_t i) { return control<QFrame>(*dlg, "pic", i); }
    QLabel* lblT(size_t i) { return control<QLabel>(*dlg, "lblT", i); }
    QPushButton* btnCol(size_t i) { return control<QPushButton>(*dlg, "btnCol", i); }
    QLabel* lblFont(size_t i) { return control<QLabel>(*dlg, "lblFont", i); }
    QPushButton* btnFont(size_t i) { return control<QPushButton>(*dlg, "btnFont", i); }
    QRadioButton* optTxt(size_t i) { return control<QRadioButton>(*dlg, "optTxt", i); }
    QCheckBox* chk() { return control<QCheckBox>(*dlg, "chk"); }
    QTreeWidget* lsvNetU() { return control<QTreeWidget>(*dlg, "lsvNetU"); }
    QPushButton* btnNet(size_t i) { return control<QPushButton>(*dlg, "btnNet", i); }
    QComboBox* cmb1() { return control<QComboBox>(*dlg, "cmb1"); }
    QPushButton* cmdOK() { return control<QPushButton>(*dlg, "cmdOK"); }
    QCheckBox* chkDoorbell() { return control<QCheckBox>(*dlg, "chkDoorbell"); }
    QLabel* lblDoorbell() { return control<QLabel>(*dlg, "lblDoorbell"); }
    QPushButton* cmdCancel() { return control<QPushButton>(*dlg, "cmdCancel"); }

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
    EXPECT_EQ(txtStr(0)->text(), QString::fromStdString(programDir.str()));
    EXPECT_EQ(txtStr(0)->toolTip(), q("既にプログラムで使用して共有しようとする場合は同じ場所を指定します"));
    EXPECT_TRUE(txtStr(0)->isEnabled());
    EXPECT_FALSE(txtStr(2)->isEnabled());
    EXPECT_EQ(txtStr(2)->palette().color(QPalette::Base), dlg->palette().color(QPalette::Button));
    EXPECT_EQ(btnDir()->text(), q("参照(&L)"));
    EXPECT_EQ(cmdCancel()->text(), q("ｷｬﾝｾﾙ"));
    EXPECT_EQ(lblNID()->text(), QString());
    ASSERT_EQ(cmb1()->count(), 3);
    EXPECT_EQ(cmb1()->itemText(0), q("分単位"));
    EXPECT_EQ(cmb1()->itemText(1), q("時間単位"));
    EXPECT_EQ(cmb1()->itemText(2), q("秒単位"));
    EXPECT_EQ(tbsOptions()->tabText(0), q("一般"));
    EXPECT_EQ(tbsOptions()->tabToolTip(0), q("環境の設定"));
}

TEST_F(OptionsTest, OkNeedsPathAndName) {
    dlg->show();
    prompter.expect("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok, Answer::Ok);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(st.SettingsReady);
    EXPECT_EQ(st.SharedPath, "");

    txtStr(1)->setText(q("山田"));
    txtStr(0)->clear();
    prompter.expect("再入力", "「共有パス名」または「名前」が入力されていません", Icon::Warning, Buttons::Ok, Answer::Ok);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(OptionsTest, OkStoresTheSetup) {
    dlg->show();
    txtStr(0)->setText(QString::fromStdString(shared.str()));
    txtStr(1)->setText(q("山田"));
    cmb1()->setCurrentIndex(2);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);

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
    txtStr(0)->setText(QString::fromStdString(shared.str()));
    txtStr(1)->setText(q("山田"));
    QTest::mouseClick(cmdCancel(), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(st.SettingsReady);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.localConfig.MemberName, "");
}

TEST_F(OptionsTest, PasswordBoxTakesCapitalsDigitsAndBackspaceOnly) {
    running();
    dlg->show();
    QLineEdit* pw = txtStr(2);
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
    pw->clear();
    QTest::keyClicks(pw, "abC12#");
    EXPECT_EQ(pw->text(), "C12");

    // The keys swallowed are no secret: the line beside the box names the ones it takes.
    auto* chars = dlg->findChild<QLabel*>(QStringLiteral("lblPwChars"));
    ASSERT_NE(chars, nullptr);
    EXPECT_EQ(chars->text(), q("半角英大文字と数字のみ"));
    EXPECT_TRUE(chars->isVisible());
    const QRect box(pw->mapTo(dlg.get(), QPoint(0, 0)), pw->size());
    const QRect line(chars->mapTo(dlg.get(), QPoint(0, 0)), chars->size());
    EXPECT_GE(line.left(), box.right()) << "beside the box";
    EXPECT_TRUE(line.center().y() >= box.top() && line.center().y() <= box.bottom()) << "on the row of the box";
}

TEST_F(OptionsTest, BrowsePutsTheFolderOfTheChosenFileIntoThePathBox) {
    dlg->show();
    dialogs.answer = QStringLiteral("/srv/share/team/GRPINLY.CFG");
    QTest::mouseClick(btnDir(), Qt::LeftButton);
    EXPECT_EQ(txtStr(0)->text(), QStringLiteral("/srv/share/team"));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    const OpenFileRequest& r = dialogs.requests[0];
    EXPECT_EQ(r.fileName, QStringLiteral("GRPINLY.CFG"));
    EXPECT_EQ(r.filter, q("全てのファイル(*.*)|*.*|付箋共有ファイル(GRPINLY.CFG)|GRPINLY.CFG|"));
    EXPECT_EQ(r.filterIndex, 2);

    dialogs.answer = std::nullopt;   // Cancel changes nothing
    QTest::mouseClick(btnDir(), Qt::LeftButton);
    EXPECT_EQ(txtStr(0)->text(), QStringLiteral("/srv/share/team"));
}

TEST_F(OptionsTest, WhileRunningItShowsTheMembersSettings) {
    running();
    st.pathChgFlag = true;   // left from an earlier move to another folder
    st.members.erase(st.members.begin());   // 佐藤 joined after the start: only the folder knows him
    dlg->show();
    ASSERT_EQ(lsvNetU()->topLevelItemCount(), 2);
    EXPECT_EQ(lsvNetU()->topLevelItem(0)->text(0), q("佐藤"));
    EXPECT_EQ(txtStr(0)->text(), QString::fromStdString(shared.str()));
    EXPECT_FALSE(txtStr(0)->isEnabled());
    EXPECT_EQ(txtStr(1)->text(), q("鈴木"));
    EXPECT_EQ(txtStr(2)->text(), QStringLiteral("PW1"));
    EXPECT_EQ(lblNID()->text(), QStringLiteral("3"));
    EXPECT_EQ(cmb1()->currentIndex(), 1);
    EXPECT_EQ(btnDir()->text(), q("変更(&L)"));
    EXPECT_FALSE(st.pathChgFlag);
}

TEST_F(OptionsTest, OkWithoutChangesLeavesTheMemberListAlone) {
    running();
    std::string before = readBytes(shared.file("GRPINLY.CFG"));
    std::filesystem::last_write_time(shared.file("GRPINLY.CFG"), std::filesystem::file_time_type{});
    dlg->show();
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
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
    txtStr(1)->setText(q("鈴木一郎"));
    txtStr(2)->setText(QStringLiteral("NEW2"));
    QTest::mouseClick(cmdOK(), Qt::LeftButton);

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
    txtStr(1)->setText(q("別名"));
    prompter.expect("エラー", "共有設定ファイルに該当ID4が存在しませんでした（変更不可）", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
    EXPECT_EQ(st.localConfig.MemberName, "鈴木");
    EXPECT_EQ(st.localConfig.MemberId, 4);
}

TEST_F(OptionsTest, FourTabsWithTooltipsAndCtrlTab) {
    dlg->show();
    const char* captions[4] = {"一般", "色", "送受信", "文字"};
    const char* tips[4] = {"環境の設定", "付箋の色の設定", "ネットワーク関連の設定", "付箋紙の文字の設定"};
    ASSERT_EQ(tbsOptions()->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tbsOptions()->tabText(i), q(captions[i]));
        EXPECT_EQ(tbsOptions()->tabToolTip(i), q(tips[i]));
        EXPECT_EQ(tbsOptions()->tabBar()->tabData(i).toString(), QStringLiteral("Group%1").arg(i + 1));
        EXPECT_EQ(tbsOptions()->widget(i), picOptions(static_cast<size_t>(i)));
    }
    tbsOptions()->setCurrentIndex(2);
    for (int want : {3, 0, 1}) {
        QTest::keyClick(cmdOK(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(tbsOptions()->currentIndex(), want);
    }
}

TEST_F(OptionsTest, NumberBoxesSpinAndAUnitChangeEmptiesTheInterval) {
    dlg->show();
    EXPECT_EQ(txtInt(0)->text(), QStringLiteral("2")) << "design value";
    EXPECT_EQ(txtInt(4)->text(), QStringLiteral("5"));
    vsc(0)->triggerAction(QAbstractSlider::SliderSingleStepSub);   // the up arrow
    EXPECT_EQ(txtInt(0)->text(), QStringLiteral("3"));
    EXPECT_EQ(vsc(0)->value(), 0) << "back in the middle";
    vsc(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);   // the down arrow
    EXPECT_EQ(txtInt(0)->text(), QStringLiteral("2"));
    txtInt(1)->setText(QStringLiteral("720"));
    vsc(1)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(txtInt(1)->text(), QStringLiteral("720")) << "721 is out of range";

    // The line under the interval says what 0 does in the unit chosen.
    auto* zeroHint = dlg->findChild<QLabel*>(QStringLiteral("lblZeroHint"));
    ASSERT_NE(zeroHint, nullptr);
    EXPECT_EQ(zeroHint->text().toStdString(), zeroIntervalHint(0));
    cmb1()->setCurrentIndex(2);
    emit cmb1()->activated(2);
    EXPECT_EQ(zeroHint->text().toStdString(), zeroIntervalHint(2));
    EXPECT_EQ(txtInt(4)->text(), QString());
    vsc(4)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(txtInt(4)->text(), QStringLiteral("0")) << "a step on an empty box writes 0";
}

TEST_F(OptionsTest, ColoursFontsAndTheOtherSettingsGoIntoTheLocalSettings) {
    running();
    st.localConfig.TimerBase = 1;
    st.localConfig.DefaultTextSize = 2;
    st.localConfig.AutoSizeDefault = 1;
    st.localConfig.CautionLeadDays = 9;
    dlg->show();
    EXPECT_TRUE(optTmr(1)->isChecked());
    EXPECT_TRUE(optTxt(2)->isChecked());
    EXPECT_TRUE(chk()->isChecked());
    EXPECT_EQ(txtInt(0)->text(), QStringLiteral("9"));
    EXPECT_EQ(pic(0)->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0x80)) << "0x0080FFFF";
    EXPECT_EQ(lblFont(1)->font().family(), q("ＭＳ Ｐゴシック"));

    dialogs.colour = QColor(0x10, 0x20, 0x30);
    QTest::mouseClick(btnCol(0), Qt::LeftButton);
    dialogs.colour = QColor(0xAA, 0xBB, 0xCC);
    QTest::mouseClick(btnCol(9), Qt::LeftButton);
    dialogs.colour.reset();   // Cancel
    QTest::mouseClick(btnCol(1), Qt::LeftButton);
    QFont f(QStringLiteral("Serif"));
    f.setPointSizeF(20);
    f.setBold(true);
    dialogs.font = f;
    QTest::mouseClick(btnFont(2), Qt::LeftButton);
    EXPECT_EQ(pic(0)->palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(lblT(4)->palette().color(QPalette::WindowText), QColor(0xAA, 0xBB, 0xCC));
    EXPECT_EQ(lblFont(2)->font().family(), QStringLiteral("Serif"));
    optTmr(2)->setChecked(true);
    optTxt(0)->setChecked(true);
    chk()->setChecked(false);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);

    const LocalConfig& c = st.localConfig;
    EXPECT_EQ(c.BackColours[0], 0x00302010u);
    EXPECT_EQ(c.BackColours[1], 0x0000FFFFu) << "Cancel changes nothing";
    EXPECT_EQ(c.TextColours[4], 0x00CCBBAAu);
    EXPECT_EQ(c.TextColours[0], 0x80000012u) << "the system colour stays a system colour";
    EXPECT_EQ(c.Fonts[2].FontName, "Serif");
    EXPECT_EQ(c.Fonts[2].FontSize, 20);
    EXPECT_TRUE(c.Fonts[2].Bold);
    EXPECT_EQ(c.Fonts[0].FontName, "ＭＳ Ｐゴシック");
    EXPECT_EQ(c.TimerBase, 2);
    EXPECT_EQ(c.DefaultTextSize, 0);
    EXPECT_EQ(c.AutoSizeDefault, 0);
    EXPECT_EQ(c.CautionLeadDays, 9);
}

TEST_F(OptionsTest, DeleteTheSelectedMembersAfterTheQuestion) {
    running();
    dlg->show();
    QTreeWidget* list = lsvNetU();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(0), q("鈴木"));
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("3"));
    EXPECT_FALSE(btnNet(0)->isEnabled());
    list->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(btnNet(0)->isEnabled());
    EXPECT_TRUE(btnNet(1)->isEnabled());
    EXPECT_EQ(btnNet(0)->text(), q("削除(&D)"));
    EXPECT_EQ(btnNet(1)->text(), q("ｸﾘｱ(&C)"));

    const std::string tail = "ユーザを共有設定ファイルから削除します\r削除されたユーザはアクセスできなくなります。よろしいですか？";
    prompter.expect("確認", "選択された" + tail, Icon::Information, Buttons::YesNo, Answer::No);
    QTest::mouseClick(btnNet(0), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 2);

    prompter.expect("確認", "選択された" + tail, Icon::Information, Buttons::YesNo, Answer::Yes);
    QTest::mouseClick(btnNet(0), Qt::LeftButton);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), q("鈴木"));
    AppState other(st.sys);
    other.SharedPath = shared.str();
    ASSERT_TRUE(AccessSharedFile(other, kModeRead, kKindShared));
    ASSERT_EQ(other.members.size(), 1u);
    EXPECT_EQ(other.members[0].MemberId, 3);
    EXPECT_TRUE(host.calls.empty());

    list->topLevelItem(0)->setSelected(true);
    prompter.expect("確認", "全員の" + tail, Icon::Information, Buttons::YesNo, Answer::Yes);
    QTest::mouseClick(btnNet(1), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(shared.file("GRPINLY.CFG")));
    EXPECT_EQ(host.calls, std::vector<std::string>{"end 0"});
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(OptionsTest, MoveToAnotherFolderWhileRunning) {
    running();
    TempDir next;
    st.NoteTable.resize(2);
    st.undoCount = 1;
    dlg->show();
    ASSERT_TRUE(btnDir()->isEnabled());
    const std::string first = "共有パスを変更すると現在の付箋表示を終了し、変更した環境で「名前」を元に再設定を行います。"
                              "\r共有パスの変更を行いますか？";
    prompter.expect("確認", first, Icon::Information, Buttons::YesNo, Answer::No);
    QTest::mouseClick(btnDir(), Qt::LeftButton);
    EXPECT_TRUE(dialogs.requests.empty()) << "No ends before the file dialog";

    dialogs.answer = QString::fromStdString(next.file("GRPINLY.CFG"));
    txtStr(1)->setText(q("鈴木二郎"));
    prompter.expect("確認", first, Icon::Information, Buttons::YesNo, Answer::Yes);
    prompter.expect("確認",
                    "パス: " + shared.str() + "→" + next.str() + "\r名前: 鈴木→鈴木二郎\r変更してよろしいですか？",
                    Icon::Information, Buttons::OkCancel, Answer::Ok);
    QTest::mouseClick(btnDir(), Qt::LeftButton);

    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "restart"}));
    EXPECT_EQ(host.pathAtRestart, next.str());
    EXPECT_EQ(host.workstationAtRestart, next.str()) << "REG.CFG names the new folder before the start-up";
    EXPECT_EQ(host.notesAtRestart, 0u);
    EXPECT_TRUE(host.flagAtRestart);
    EXPECT_EQ(st.undoCount, 0);
    EXPECT_EQ(st.localConfig.MemberName, "鈴木二郎") << "the name the member is found by in the new folder";
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00003.FCG"))) << "the old folder keeps the settings";
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00003.FDT")));
    EXPECT_TRUE(dlg->isVisible()) << "the dialog stays open";
    EXPECT_EQ(txtStr(0)->text(), QString::fromStdString(next.str()));
    EXPECT_EQ(lblNID()->text(), QStringLiteral("7"));
    EXPECT_FALSE(timer->tmrLog()->isActive());
    EXPECT_TRUE(st.pathChgFlag);
}

// Every control of every tab shows its whole text inside the dialog; under Xvfb (TW_SCREENSHOT_DIR)
// each tab is also photographed from the screen.
// A doorbell whose port another program holds, so that it cannot work here.
struct BlockedDoorbell {
    explicit BlockedDoorbell(const std::string& configDir, const std::string& folder, int16_t member) {
        EXPECT_TRUE(squatter.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
        DoorbellSettings s = loadDoorbellSettings(configDir);
        s.port = squatter.localPort();
        bell = std::make_unique<Doorbell>(s, [] { return true; });
        bell->setFolder(folder, member);
    }
    QUdpSocket squatter;
    std::unique_ptr<Doorbell> bell;
};

TEST_F(OptionsTest, DoorbellSwitchAndWhyItCannotWork) {
    running();
    EXPECT_TRUE(chkDoorbell()->isHidden()) << "no switch without a doorbell";
    TempDir config;
    BlockedDoorbell blocked(config.str(), shared.str(), 3);
    dlg->setDoorbell(blocked.bell.get());
    dlg->show();
    tbsOptions()->setCurrentIndex(2);
    EXPECT_TRUE(chkDoorbell()->isVisible());
    EXPECT_TRUE(chkDoorbell()->isChecked());
    EXPECT_EQ(chkDoorbell()->text(), q("送受信をすぐに知らせ合う(&B)"));
    EXPECT_TRUE(lblDoorbell()->isVisible());
    EXPECT_EQ(lblDoorbell()->text(),
              q("ポート %1 を使えないため、送受信はすぐには届かず、定期的な確認で届きます。").arg(blocked.squatter.localPort()));

    QTest::mouseClick(chkDoorbell(), Qt::LeftButton);
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(blocked.bell->enabled());
    EXPECT_FALSE(loadDoorbellSettings(config.str()).enabled) << "kept in the member's own configuration";
    EXPECT_FALSE(std::filesystem::exists(shared.file("tackwisp.ini"))) << "never in the shared folder";

    dlg->show();
    tbsOptions()->setCurrentIndex(2);
    ASSERT_TRUE(chkDoorbell()->isVisible());
    EXPECT_FALSE(chkDoorbell()->isChecked());
    EXPECT_FALSE(lblDoorbell()->isVisible()) << "switched off, there is nothing to explain";
    // Cancel keeps what the bell is.
    QTest::mouseClick(chkDoorbell(), Qt::LeftButton);
    QTest::mouseClick(cmdCancel(), Qt::LeftButton);
    EXPECT_FALSE(blocked.bell->enabled());
    dlg->setDoorbell(nullptr);
}

TEST_F(OptionsTest, StartAtLogin) {
    QCheckBox* box = control<QCheckBox>(*dlg, "chkAutostart");
    EXPECT_TRUE(box->isHidden()) << "no switch where the program cannot start at login";
    TempDir home;
    const Autostart autostart(home.str());
    dlg->setAutostart(&autostart, "/opt/tackwisp/bin/tackwisp");

    // The first-time setup offers it switched on; the program writes it once the setup succeeded.
    dlg->show();
    EXPECT_FALSE(box->isHidden());
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text(), q("ログイン時に起動する(&A)"));
    txtStr(0)->setText(QString::fromStdString(shared.str()));
    txtStr(1)->setText(q("山田"));
    QTest::mouseClick(cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(autostart.enabled()) << "not before the setup succeeded";
    EXPECT_TRUE(dlg->takeSetupAutostart());
    EXPECT_FALSE(dlg->takeSetupAutostart()) << "asked once";

    // While the program runs the switch shows the entry and OK writes or removes it at once.
    running();
    for (const bool on : {true, false}) {
        dlg->show();
        EXPECT_EQ(box->isChecked(), autostart.enabled());
        // On its square: the box spans the page, and a click right of its caption is no click on it.
        if (box->isChecked() != on) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        ASSERT_EQ(box->isChecked(), on);
        QTest::mouseClick(cmdOK(), Qt::LeftButton);
        EXPECT_EQ(autostart.enabled(), on);
        EXPECT_FALSE(dlg->takeSetupAutostart());
    }
    dlg->setAutostart(nullptr, {});
}

TEST_F(OptionsTest, ScreensOfEveryTab) {
    running();
    // The network page with its doorbell switch and the remark under it.
    TempDir config;
    BlockedDoorbell blocked(config.str(), shared.str(), 3);
    dlg->setDoorbell(blocked.bell.get());
    // The general page with the start at login.
    const Autostart autostart(config.str());
    dlg->setAutostart(&autostart, "/opt/tackwisp/bin/tackwisp");
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    const char* names[4] = {"options_general", "options_colours", "options_network", "options_text"};
    for (int i = 0; i < 4; ++i) {
        tbsOptions()->setCurrentIndex(i);
        QApplication::processEvents();
        for (QWidget* c : dlg->findChildren<QWidget*>()) {
            if (!c->isVisible() || !(qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c))) continue;
            const QRect inDialog(c->mapTo(dlg.get(), QPoint(0, 0)), c->size());
            EXPECT_TRUE(dlg->rect().contains(inDialog)) << names[i] << " " << c->objectName().toStdString();
            const QString text = qobject_cast<QLabel*>(c) ? qobject_cast<QLabel*>(c)->text()
                                                          : qobject_cast<QAbstractButton*>(c)->text();
            EXPECT_GE(c->width(), c->sizeHint().width()) << names[i] << " " << text.toStdString();
        }
        const QString dir = qEnvironmentVariable("TW_SCREENSHOT_DIR");
        if (dir.isEmpty()) continue;
        QDir().mkpath(dir);
        QTest::qWait(200);
        const QRect f = dlg->frameGeometry();
        const QPixmap shot = dlg->screen()->grabWindow(0, f.x(), f.y(), f.width(), f.height());
        EXPECT_TRUE(shot.save(dir + "/" + names[i] + ".png")) << names[i];
    }
    dlg->setDoorbell(nullptr);
    dlg->setAutostart(nullptr, {});
}

TEST(OptionsPlacement, CentredInTwips) {
    EXPECT_EQ(frmOptions::placement(1024 * 15, 768 * 15, 15, 15), QRect(304, 205, 416, 358));
    EXPECT_EQ(frmOptions::placement(1920 * 12, 1080 * 12, 12, 12), QRect(700, 316, 520, 448));
}

}  // namespace
