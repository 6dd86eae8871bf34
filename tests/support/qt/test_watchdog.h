// The watchdog of the ui tests: a test never hangs until CTest's time-out.
//
// It is armed for each test by a GoogleTest listener and watches two things:
//  - A modal widget or popup (QMessageBox, QDialog, QMenu, ...) that stays open for modalSeconds
//    (10 s) while the test runs its event loop: the test is waiting for a box nobody answers (an
//    assertion inside the code meant to answer it, a box the test did not expect). The running test
//    fails with the box's description, and every open modal widget and popup is closed, so the test
//    goes on and ends. A test that runs long without such a box (waiting on a signal, say) is left
//    alone; the clock starts again whenever the topmost box changes or none is open.
//  - A test that runs longer than testSeconds (150 s) in all, for example blocked outside any event
//    loop: the program reports the test and ends with exit status 1.
// The limits can be changed for a run with the environment variables TW_TEST_MODAL_SECONDS and
// TW_TEST_LIMIT_SECONDS (seconds, fractions allowed).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace tw::test {

class TestWatchdog : public QObject, public ::testing::EmptyTestEventListener {
public:
    static constexpr double kModalSeconds = 10;
    static constexpr double kTestSeconds = 150;

    // The limits of this run, in seconds: from the environment, else the defaults above.
    static double modalLimit();
    static double testLimit();

    // Needs the QApplication.
    TestWatchdog();
    ~TestWatchdog() override;

    void OnTestStart(const ::testing::TestInfo& test) override;
    void OnTestEnd(const ::testing::TestInfo& test) override;

    double modalSeconds() const { return static_cast<double>(modalMs_) / 1000.0; }
    double testSeconds() const { return static_cast<double>(testMs_) / 1000.0; }

    // What the watchdog says about a widget it closes: class, title and text.
    static std::string describe(QWidget* w);

private:
    void look();
    void closeAll();
    void runTimeLimit();

    qint64 modalMs_;
    qint64 testMs_;

    // Main thread: the modal widget or popup on top and since when it is.
    QTimer tick_;
    QPointer<QWidget> top_;
    QElapsedTimer topSince_;
    bool fired_ = false;

    // The thread that ends the program when a test overruns its time.
    std::mutex m_;
    std::condition_variable cv_;
    std::string running_;   // the test now running, empty between tests
    std::chrono::steady_clock::time_point deadline_;
    bool stop_ = false;
    std::thread limit_;
};

}  // namespace tw::test
