// The watchdog of the ui tests (support/qt/test_watchdog.h), tried on child runs of this program.
// Each child runs one probe test, which exists only when TW_WATCHDOG_PROBE is set: a test stuck on a
// message box inside a dialog, one stuck on a popup menu, one that waits long without any box, one
// blocked outside any event loop. The stuck ones must end failing, soon, and go on past the closed
// boxes; the long wait must pass.
#include "support/qt/test_watchdog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <utility>
#include <unistd.h>

namespace tw::test {
namespace {

QString q(const char* s) { return QString::fromUtf8(s); }

void say(const char* line) {
    std::printf("probe: %s\n", line);
    std::fflush(stdout);
}

// ---- the probes, run in the child ----

// A question nobody answers, asked from inside a dialog: the old way such a test hung until CTest's
// time-out (the code meant to answer failed an assertion, or the box came unexpectedly).
void stuckMessageBox() {
    QDialog dialog;
    dialog.setWindowTitle(q("環境設定"));
    QTimer::singleShot(0, &dialog, [&dialog] {
        QMessageBox box(QMessageBox::Question, q("確認"), q("変更を保存しますか"),
                        QMessageBox::Yes | QMessageBox::No, &dialog);
        box.exec();
        say("box returned");
    });
    dialog.exec();
    say("dialog returned");
}

void stuckPopupMenu() {
    QMenu menu;
    menu.addAction(q("貼り付け"));
    menu.addAction(q("削除"));
    menu.exec(QPoint(20, 20));
    say("menu returned");
}

// Legitimately long: a box answered at once, then a wait on a signal for twice the modal limit with
// an ordinary window open.
void longWaitWithoutABox() {
    QMessageBox box(QMessageBox::Information, q("確認"), q("送信しました"), QMessageBox::Ok);
    QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(box.exec(), QMessageBox::Ok);

    QWidget window;
    window.show();
    const double modal = TestWatchdog::modalLimit();
    QTimer later;
    later.setSingleShot(true);
    later.setTimerType(Qt::PreciseTimer);
    later.setInterval(static_cast<int>(modal * 2000));
    QSignalSpy spy(&later, &QTimer::timeout);
    QElapsedTimer waited;
    waited.start();
    later.start();
    EXPECT_TRUE(spy.wait(static_cast<int>(modal * 2000) + 60000));
    EXPECT_GE(waited.elapsed(), static_cast<qint64>(modal * 2000) - 50);
    say("wait over");
}

// Blocked outside any event loop: a read of a pipe nobody ever writes to.
void blockedOutsideTheEventLoop() {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    say("blocking");
    char c;
    (void)!read(fds[0], &c, 1);
    say("read returned");
}

class Probe : public ::testing::Test {
public:
    explicit Probe(std::function<void()> body) : body_(std::move(body)) {}
    void TestBody() override { body_(); }

private:
    std::function<void()> body_;
};

void registerProbe(const char* name, void (*body)()) {
    ::testing::RegisterTest("WatchdogProbe", name, nullptr, nullptr, __FILE__, __LINE__,
                            [body]() -> ::testing::Test* { return new Probe(body); });
}

// The probes exist only in the child runs, never in the test list.
const bool probesRegistered = [] {
    if (!qEnvironmentVariableIsSet("TW_WATCHDOG_PROBE")) return false;
    registerProbe("StuckMessageBox", stuckMessageBox);
    registerProbe("StuckPopupMenu", stuckPopupMenu);
    registerProbe("LongWaitWithoutABox", longWaitWithoutABox);
    registerProbe("BlockedOutsideTheEventLoop", blockedOutsideTheEventLoop);
    return true;
}();

// ---- the parent side ----

struct ChildRun {
    bool ended = false;
    int exitCode = -1;
    bool crashed = false;
    double seconds = 0;
    QString output;
};

// Runs one probe in a child of this program and waits for its end (a minute at most: a child that
// takes longer is the hang the watchdog exists to prevent, and is killed).
ChildRun runProbe(const char* probe, const QStringList& environment = {}) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TW_WATCHDOG_PROBE"), QStringLiteral("1"));
    env.remove(QStringLiteral("TW_TEST_MODAL_SECONDS"));
    env.remove(QStringLiteral("TW_TEST_LIMIT_SECONDS"));
    for (const QString& pair : environment) env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=WatchdogProbe.") + QString::fromLatin1(probe)});
    ChildRun run;
    run.ended = child.waitForFinished(60000);
    run.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    if (!run.ended) {
        child.kill();
        child.waitForFinished();
    }
    run.crashed = child.exitStatus() != QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.output = QString::fromUtf8(child.readAll());
    return run;
}

TEST(UiTestWatchdog, ProbesAreNotInTheTestList) {
    EXPECT_FALSE(probesRegistered);
}

TEST(UiTestWatchdog, AStuckMessageBoxFailsTheTestAndIsClosedAfterTenSeconds) {
    ASSERT_EQ(TestWatchdog::kModalSeconds, 10);
    const ChildRun run = runProbe("StuckMessageBox");
    ASSERT_TRUE(run.ended) << "the stuck test was not ended:\n" << run.output.toStdString();
    EXPECT_FALSE(run.crashed) << run.output.toStdString();
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_GE(run.seconds, 9.5) << "closed before the box had been open for 10 s";
    EXPECT_LE(run.seconds, 15.0) << "ended too late";
    EXPECT_TRUE(run.output.contains(q("Watchdog: QMessageBox \"確認\" text \"変更を保存しますか\" buttons [")))
        << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(q("] has been open for 10 s with nobody answering it"))) << run.output.toStdString();
    // Both boxes were closed and the test went on to its own end.
    const qsizetype box = run.output.indexOf(QStringLiteral("probe: box returned"));
    const qsizetype dialog = run.output.indexOf(QStringLiteral("probe: dialog returned"));
    EXPECT_GE(box, 0) << run.output.toStdString();
    EXPECT_GT(dialog, box) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("[  FAILED  ] WatchdogProbe.StuckMessageBox")))
        << run.output.toStdString();
}

TEST(UiTestWatchdog, AStuckPopupMenuFailsTheTestAndIsClosed) {
    const ChildRun run = runProbe("StuckPopupMenu", {QStringLiteral("TW_TEST_MODAL_SECONDS=1")});
    ASSERT_TRUE(run.ended) << "the stuck test was not ended:\n" << run.output.toStdString();
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_GE(run.seconds, 0.9);
    EXPECT_TRUE(run.output.contains(q("Watchdog: QMenu entries [貼り付け, 削除] has been open for 1 s")))
        << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("probe: menu returned"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("[  FAILED  ] WatchdogProbe.StuckPopupMenu")))
        << run.output.toStdString();
}

TEST(UiTestWatchdog, ALongWaitWithoutAnOpenBoxPasses) {
    const ChildRun run = runProbe("LongWaitWithoutABox", {QStringLiteral("TW_TEST_MODAL_SECONDS=1.5")});
    ASSERT_TRUE(run.ended) << run.output.toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_GE(run.seconds, 3.0) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("Watchdog:"))) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("[ WATCHDOG ]"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("probe: wait over"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << run.output.toStdString();
}

TEST(UiTestWatchdog, ATestOverItsTimeLimitEndsTheProgramFailing) {
    const ChildRun run = runProbe("BlockedOutsideTheEventLoop", {QStringLiteral("TW_TEST_LIMIT_SECONDS=2")});
    ASSERT_TRUE(run.ended) << "the blocked test was not ended:\n" << run.output.toStdString();
    EXPECT_FALSE(run.crashed) << run.output.toStdString();
    EXPECT_EQ(run.exitCode, 1) << run.output.toStdString();
    EXPECT_GE(run.seconds, 1.9);
    EXPECT_TRUE(run.output.contains(QStringLiteral("probe: blocking"))) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("probe: read returned"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(
        QStringLiteral("[ WATCHDOG ] WatchdogProbe.BlockedOutsideTheEventLoop is still running after 2 s")))
        << run.output.toStdString();
}

}  // namespace
}  // namespace tw::test
