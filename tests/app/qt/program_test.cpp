// The whole program on the offscreen platform: first start with the setup dialog, notes created,
// edited and moved, the end of the program, and a second start that finds everything again; the end
// on a termination signal and on the platform's quit request.
#include "app/qt/program.h"

#include "app/groval.h"
#include "app/recovery.h"
#include "app/qt/frmOptions.h"
#include "notes/qt/receptiontimer.h"
#include "notes/qt/notewindows.h"
#include "platform/autostart.h"
#include "platform/qt/commondialogs.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "platform/sharedfile.h"
#include "platform/system.h"
#include "support/qt/controls.h"
#include "support/qt/note_controls.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "window/qt/frmPinly.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <csignal>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::control;
using tw::test::rch;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

const std::string kWelcome = "タックウィスプをご使用頂きありがとうございます。\r"
                             "まず始めに「使用する方の名前」と「データパス」その他の設定を行います";

class NoLegacy : public SettingsStore {
public:
    std::string value(const std::string&, const std::string&, const std::string&) override { return ""; }
    void deleteSection(const std::string&, const std::string&) override {}
};

class NoDialogs : public CommonDialogs {
public:
    std::optional<QString> openFile(QWidget*, const OpenFileRequest&) override { return std::nullopt; }
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string encoded(const std::vector<NoteRecord>& notes) {
    ByteWriter w;
    for (const NoteRecord& n : notes) encode(w, n);
    return w.data();
}

class ProgramTest : public ::testing::Test {
protected:
    // A program folder as installed: the shape files lie beside the program.
    ProgramTest() {
        for (const auto& f : std::filesystem::directory_iterator(TW_SHAPES_DIR))
            if (f.path().filename().string().rfind("FSTYLE.", 0) == 0)
                std::filesystem::copy_file(f.path(), programDir.path() / f.path().filename());
    }

    TempDir programDir, shared, dataDir, autostartHome;
    bool acceptProposal = false;
    ScriptedPrompter prompter;
    TestClock clock{36724.375};
    FixedScreen screen{1024 * 15, 768 * 15, 15};
    NoLegacy legacy;
    NoDialogs dialogs;
    std::vector<int> quits;

    std::unique_ptr<Program> make(bool watchSystemQuit = false, std::function<void(int)> endAtOnce = {}) {
        ProgramSetup s;
        s.prompter = &prompter;
        s.screen = &screen;
        s.clock = &clock;
        s.legacyStore = &legacy;
        s.dialogs = &dialogs;
        s.programDir = programDir.str();
        s.exeName = "tackwisp";
        s.userConfigDir = "";   // never the real user's settings
        s.userDataDir = dataDir.str();
        s.anotherCopyRuns = [] { return false; };
        s.quit = [this](int code) { quits.push_back(code); };
        s.watchSystemQuit = watchSystemQuit;
        // A process that ends at once would end the test: a test that asks for it gives its own.
        s.endAtOnce = endAtOnce ? std::move(endAtOnce) : [](int) { ADD_FAILURE() << "the process would end here"; };
        s.autostartHome = autostartHome.str();   // never the real user's login start
        s.acceptSetupProposal = acceptProposal;
        s.doorbell = DoorbellSettings{};
        s.doorbell->enabled = false;   // no datagrams and no watch: the checks are the test's own
        auto p = std::make_unique<Program>(std::move(s));
        p->state().sys.retrySeconds = 1;
        p->state().sys.retryPauseMs = 5;
        return p;
    }

    // The user fills in the setup dialog once it is up and presses OK.
    void answerSetupDialog(const std::string& name) {
        QTimer::singleShot(0, [this, name] {
            auto* dlg = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
            if (!dlg) {
                ADD_FAILURE() << "the setup dialog is not up";
                QApplication::activeModalWidget()->close();
                return;
            }
            control<QLineEdit>(*dlg, "txtStr", 0)->setText(QString::fromStdString(shared.str()));
            control<QLineEdit>(*dlg, "txtStr", 1)->setText(QString::fromStdString(name));
            QTest::mouseClick(control<QPushButton>(*dlg, "cmdOK"), Qt::LeftButton);
        });
    }

    // First start: the welcome box, the setup dialog, member 1 with the first note.
    std::unique_ptr<Program> firstStart() {
        prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok);
        answerSetupDialog("山田");
        auto p = make();
        EXPECT_EQ(p->start(), StartupResult::Running);
        return p;
    }

    static void edit(frmPinly* w, const QString& text) {
        QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, {70, 15});
        ASSERT_TRUE(w->isEditing());
        rch(*w)->selectAll();
        rch(*w)->insertPlainText(text);
        QTest::keyClick(rch(*w), Qt::Key_Escape);
        ASSERT_FALSE(w->isEditing());
    }

    static void drag(frmPinly* w, QPoint by) {
        QWindow* h = w->windowHandle();
        const QPoint from(70, 15);   // inside, away from the resize borders
        QTest::mouseMove(h, from);
        QTest::mousePress(h, Qt::LeftButton, {}, from);
        QTest::mouseMove(h, from + by);
        // The window has followed the cursor: it is over the same point of the window again.
        QTest::mouseRelease(h, Qt::LeftButton, {}, from);
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(ProgramTest, NotesSurviveTheEndAndTheNextStart) {
    auto p = firstStart();
    AppState& st = p->state();
    ASSERT_EQ(st.CurrentMemberId, 1);
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "タックウィスプ");
    EXPECT_EQ(st.NoteTable[0].Left, 1024 * 15 - 2145);
    EXPECT_EQ(st.NoteTable[0].Top, 0);
    EXPECT_TRUE(p->receptionTimer().tmrLog()->isActive()) << "the reception timer runs after the start-up";

    frmPinly* first = p->notes().windowOf(0);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    edit(first, QString::fromUtf8("買い物リスト\n牛乳"));
    drag(first, QPoint(-300, 100));
    EXPECT_EQ(st.NoteTable[0].Left, 1024 * 15 - 2145 - 4500);
    EXPECT_EQ(st.NoteTable[0].Top, 1500);

    p->notes().newNote(first);
    ASSERT_EQ(st.NoteTable.size(), 2u);
    frmPinly* second = p->notes().windowOf(1);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(second));
    edit(second, QString::fromUtf8("電話する"));
    drag(second, QPoint(-200, 200));

    const std::vector<NoteRecord> atEnd = st.NoteTable;
    EXPECT_EQ(atEnd[0].Text, "買い物リスト\r\n牛乳");
    EXPECT_EQ(atEnd[1].Text, "電話する");

    p->exitProgram();
    EXPECT_EQ(quits, std::vector<int>{0});
    EXPECT_TRUE(p->ended());
    EXPECT_FALSE(p->receptionTimer().tmrLog()->isActive());
    EXPECT_FALSE(first->isVisible());
    p.reset();
    flushDeletes();

    // The note file holds exactly the notes as they were at the end.
    const std::string fdt = readBytes(shared.file("ID00001.FDT"));
    const std::string fcg = readBytes(shared.file("ID00001.FCG"));
    EXPECT_EQ(fdt, encoded(atEnd));

    // Second start: no setup, the same notes in the same places.
    auto again = make();
    ASSERT_EQ(again->start(), StartupResult::Running);
    AppState& st2 = again->state();
    EXPECT_EQ(encoded(st2.NoteTable), fdt);
    EXPECT_EQ(st2.localConfig.MemberName, "山田");
    for (size_t i = 0; i < atEnd.size(); ++i) {
        frmPinly* w = again->notes().windowOf(static_cast<int>(i));
        ASSERT_NE(w, nullptr) << i;
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->twipsGeometry(), (TwipsRect{atEnd[i].Left, atEnd[i].Top, atEnd[i].Width, atEnd[i].Height}));
        EXPECT_EQ(w->caption(), atEnd[i].Text);
    }
    again->exitProgram();
    again.reset();
    flushDeletes();
    EXPECT_EQ(readBytes(shared.file("ID00001.FDT")), fdt) << "nothing changed, nothing moved";
    EXPECT_EQ(readBytes(shared.file("ID00001.FCG")), fcg);
    EXPECT_EQ(quits, (std::vector<int>{0, 0}));
}

TEST_F(ProgramTest, EditsReachTheFilesWithinSecondsWithoutAnyEnd) {
    // A process that dies without its end (a lost display, a kill) loses seconds of work at most.
    auto p = firstStart();
    p->setAutoSaveInterval(50);
    frmPinly* first = p->notes().windowOf(0);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    edit(first, QString::fromUtf8("消えては困るメモ"));
    drag(first, QPoint(-100, 50));
    const std::string want = encoded(p->state().NoteTable);
    EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(shared.file("ID00001.FDT")) == want; }, 5000))
        << "the edit and the move are in the note file while the program still runs";
    EXPECT_TRUE(quits.empty());
    p->exitProgram();
}

#ifndef _WIN32
// The program was stopped (a computer put to sleep) for longer than a dead holder is waited for, and
// meanwhile the member was started on another computer, which cleared the lock of the run mark and
// wrote its own. Whatever comes first on waking (the automatic save of an edit, a network check, the
// end) finds that out before anything is written: the shared folder keeps what the other computer
// has, this program's notes are kept on this computer, the user is told, and the program ends.
TEST_F(ProgramTest, AMemberStartedElsewhereWhileTheProgramWasStoppedGetsNothingWrittenOver) {
    const std::vector<std::pair<const char*, std::function<void(Program&)>>> wakings = {
        {"the automatic save", [](Program& p) { p.setAutoSaveInterval(20); }},
        {"a network check", [](Program& p) { p.chkNetCom(); }},
        {"the end", [](Program& p) { p.exitProgram(); }},
    };
    for (const auto& [what, waking] : wakings) {
        SCOPED_TRACE(what);
        // Each waking on a computer set up anew.
        for (const TempDir* d : {&shared, &dataDir})
            for (const auto& e : std::filesystem::directory_iterator(d->path())) std::filesystem::remove_all(e.path());
        std::filesystem::remove(programDir.file("REG.CFG"));
        quits.clear();
        auto p = firstStart();
        p->state().NoteTable[0].Text = "止まる前に書いた";
        const std::string mark = shared.file("ID00001.RUN");
        for (const auto& e : std::filesystem::directory_iterator(mark + ".~lock")) std::filesystem::remove(e.path());
        std::ofstream(mark, std::ios::binary | std::ios::trunc) << "pc-b\r\n42\r\n";
        std::map<std::string, std::string> before;
        for (const auto& e : std::filesystem::directory_iterator(shared.path()))
            if (e.is_regular_file()) before[e.path().string()] = readBytes(e.path().string());
        const std::string kept = recoveryFolder(p->state());
        prompter.expect("タックウィスプ",
                        "このメンバー(ID: 1 山田)は、このプログラムが止まっている間にコンピュータ「pc-b」で起動されました。\r"
                        "そちらの付箋紙を上書きしないよう、共有フォルダには保存せずに終了します。\r"
                        "このコンピュータでの内容は\r" + kept + "\rに残しました。次回の起動時に元に戻すことができます。",
                        Icon::Warning, Buttons::Ok, Answer::Ok);

        waking(*p);
        EXPECT_TRUE(QTest::qWaitFor([&] { return p->ended(); }, 5000));
        EXPECT_EQ(quits, std::vector<int>{0});
        std::map<std::string, std::string> after;
        for (const auto& e : std::filesystem::directory_iterator(shared.path()))
            if (e.is_regular_file()) after[e.path().string()] = readBytes(e.path().string());
        EXPECT_EQ(after, before);
        EXPECT_EQ(readBytes(joinPath(kept, "ID00001.FDT")), encoded(p->state().NoteTable));
        p.reset();
        flushDeletes();
    }
}
#endif

TEST_F(ProgramTest, CancelledSetupEndsBeforeTheEventLoop) {
    prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok);
    prompter.expect("タックウィスプ", "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        QTest::mouseClick(control<QPushButton>(*dlg, "cmdCancel"), Qt::LeftButton);
    });
    auto p = make();
    EXPECT_EQ(p->start(), StartupResult::Ended);
    EXPECT_TRUE(p->ended());
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(p->notes().windows().empty());
}

#ifndef _WIN32
TEST_F(ProgramTest, TerminationSignalSavesLikeTheExitCommand) {
    auto p = firstStart();
    p->exitProgram();   // the files of a new member are written at his first end
    p.reset();
    quits.clear();
    auto q = make(true);
    ASSERT_EQ(q->start(), StartupResult::Running);
    q->state().NoteTable[0].Text = "シグナルの前に書いた";
    ASSERT_EQ(std::raise(SIGTERM), 0);
    for (int i = 0; i < 50 && !q->ended(); ++i) QTest::qWait(20);
    EXPECT_TRUE(q->ended());
    EXPECT_EQ(quits, std::vector<int>{0});
    AppState check(q->state().sys);
    check.SharedPath = shared.str();
    check.CurrentMemberId = 1;
    ASSERT_TRUE(AccessSharedFile(check, kModeRead, kKindNotes));
    ASSERT_EQ(check.NoteTable.size(), 1u);
    EXPECT_EQ(check.NoteTable[0].Text, "シグナルの前に書いた");
    q.reset();
    flushDeletes();
}
#endif

TEST_F(ProgramTest, PlatformQuitRequestSavesToo) {
    auto p = firstStart();
    p->exitProgram();
    p.reset();
    quits.clear();
    auto q = make(true);
    ASSERT_EQ(q->start(), StartupResult::Running);
    q->state().NoteTable[0].Text = "終了要求";
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    QCoreApplication::processEvents();
    EXPECT_TRUE(q->ended());
    EXPECT_EQ(quits, std::vector<int>{0});
    std::string fdt = readBytes(shared.file("ID00001.FDT"));
    EXPECT_NE(fdt.find("\x8f\x49\x97\xb9\x97\x76\x8b\x81"), std::string::npos) << "the text in CP932";
    q.reset();
    flushDeletes();
}

// One person trying the program: the setup proposes a folder of the user's own and the login name,
// and OK as it stands gives a member with a note, and the start at login.
TEST_F(ProgramTest, FirstStartProposesAFolderOfOnesOwnAndTheLoginName) {
    prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok);
    QString folder, name;
    bool loginStartOffered = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<frmOptions*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        folder = control<QLineEdit>(*dlg, "txtStr", 0)->text();
        name = control<QLineEdit>(*dlg, "txtStr", 1)->text();
        loginStartOffered = !control<QCheckBox>(*dlg, "chkAutostart")->isHidden() &&
                            control<QCheckBox>(*dlg, "chkAutostart")->isChecked();
        QTest::mouseClick(control<QPushButton>(*dlg, "cmdOK"), Qt::LeftButton);
    });
    auto p = make();
    ASSERT_EQ(p->start(), StartupResult::Running);
    const std::string proposed = joinPath(dataDir.str(), "shared");
    EXPECT_EQ(folder.toStdString(), proposed);
    EXPECT_EQ(name.toStdString(), loginName());
    EXPECT_TRUE(loginStartOffered);
    EXPECT_TRUE(std::filesystem::exists(joinPath(proposed, "ID00001.FDT"))) << "the folder was made and joined";
    EXPECT_TRUE(Autostart(autostartHome.str()).enabled()) << "written once the setup succeeded";
    p.reset();
    flushDeletes();
}

// ./run on a virtual display: nobody answers, so the proposal is taken as it stands, without a box.
TEST_F(ProgramTest, WhereNobodyAnswersTheProposalIsTakenAsItStands) {
    acceptProposal = true;
    auto p = make();
    ASSERT_EQ(p->start(), StartupResult::Running);
    EXPECT_TRUE(std::filesystem::exists(joinPath(joinPath(dataDir.str(), "shared"), "ID00001.FDT")));
    EXPECT_EQ(p->state().localConfig.MemberName, loginName());
    EXPECT_FALSE(p->state().NoteTable.empty()) << "a note to show";
    EXPECT_FALSE(Autostart(autostartHome.str()).enabled()) << "nobody chose a start at login";
    p.reset();
    flushDeletes();
}

TEST_F(ProgramTest, QuitDuringTheStartUpEndsTheProcessAtOnce) {
    prompter.expect("セットアップ初期設定", kWelcome, Icon::Information, Buttons::Ok, Answer::Ok);
    std::vector<int> endedAtOnce;
    auto p = make(true, [&](int code) { endedAtOnce.push_back(code); });
    Program* raw = p.get();
    QTimer::singleShot(0, [&endedAtOnce, raw] {
        // The quit arrives while the setup dialog is open and nobody answers it: the process ends
        // there (the test's end only records it, and then closes the dialog for it).
        raw->requestQuit();
        EXPECT_EQ(endedAtOnce, std::vector<int>{0});
        if (QWidget* dlg = QApplication::activeModalWidget()) dlg->close();
    });
    // Only the test's own end goes on: the dialog it closed ends the start-up as a cancel does.
    prompter.expect("タックウィスプ", "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(p->start(), StartupResult::Ended);
    EXPECT_FALSE(std::filesystem::exists(shared.file("ID00001.FDT"))) << "nothing was written";
    p.reset();
    flushDeletes();
}

}  // namespace
