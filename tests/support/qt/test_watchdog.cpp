#include "support/qt/test_watchdog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace tw::test {

namespace {

double limit(const char* variable, double fallbackSeconds) {
    bool ok = false;
    const double s = qEnvironmentVariable(variable).toDouble(&ok);
    return ok && s > 0 ? s : fallbackSeconds;
}

// The widget a test would wait for: an open popup first (it takes all input), else the topmost
// modal widget.
QWidget* blocker() {
    if (QWidget* p = QApplication::activePopupWidget()) return p;
    return QApplication::activeModalWidget();
}

std::string testName(const ::testing::TestInfo& t) {
    return std::string(t.test_suite_name()) + "." + t.name();
}

}  // namespace

double TestWatchdog::modalLimit() { return limit("TW_TEST_MODAL_SECONDS", kModalSeconds); }
double TestWatchdog::testLimit() { return limit("TW_TEST_LIMIT_SECONDS", kTestSeconds); }

TestWatchdog::TestWatchdog()
    : modalMs_(static_cast<qint64>(modalLimit() * 1000)), testMs_(static_cast<qint64>(testLimit() * 1000)) {
    tick_.setInterval(100);
    connect(&tick_, &QTimer::timeout, this, &TestWatchdog::look);
    limit_ = std::thread([this] { runTimeLimit(); });
}

TestWatchdog::~TestWatchdog() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    limit_.join();
}

void TestWatchdog::OnTestStart(const ::testing::TestInfo& test) {
    top_.clear();
    fired_ = false;
    tick_.start();
    {
        std::lock_guard<std::mutex> lock(m_);
        running_ = testName(test);
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(testMs_);
    }
    cv_.notify_all();
}

void TestWatchdog::OnTestEnd(const ::testing::TestInfo&) {
    tick_.stop();
    top_.clear();
    {
        std::lock_guard<std::mutex> lock(m_);
        running_.clear();
    }
    cv_.notify_all();
}

std::string TestWatchdog::describe(QWidget* w) {
    QString s = QString::fromLatin1(w->metaObject()->className());
    if (!w->windowTitle().isEmpty()) s += QStringLiteral(" \"%1\"").arg(w->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
        s += QStringLiteral(" text \"%1\"").arg(box->text());
        QStringList buttons;
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        s += QStringLiteral(" buttons [%1]").arg(buttons.join(QStringLiteral(", ")));
    } else if (auto* menu = qobject_cast<QMenu*>(w)) {
        QStringList items;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) items << a->text();
        s += QStringLiteral(" entries [%1]").arg(items.join(QStringLiteral(", ")));
    }
    return s.toStdString();
}

// Runs on every tick of the event loop the test is in (its own, a modal box's, a wait's).
void TestWatchdog::look() {
    QWidget* w = blocker();
    if (!w) {
        top_.clear();
        return;
    }
    if (top_.data() != w) {
        top_ = w;
        topSince_.start();
    }
    if (fired_) {
        // Once a test was caught, whatever it opens after the closed box is closed at once.
        std::fprintf(stderr, "[ WATCHDOG ] closing %s as well\n", describe(w).c_str());
        closeAll();
        return;
    }
    if (topSince_.elapsed() < modalMs_) return;
    fired_ = true;
    ADD_FAILURE() << "Watchdog: " << describe(w) << " has been open for " << modalSeconds()
                  << " s with nobody answering it; the test is stuck waiting for it. Every open modal"
                     " widget and popup is closed now so that the test can end.";
    closeAll();
}

void TestWatchdog::closeAll() {
    // Each close takes one widget off the stack; a nested exec() returns once control is back in its
    // event loop. The bound keeps a widget that refuses to go from looping here.
    for (int i = 0; i < 50; ++i) {
        QWidget* w = blocker();
        if (!w) break;
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->done(QDialog::Rejected);
        else w->close();
        if (blocker() == w) w->hide();
    }
    top_.clear();
}

void TestWatchdog::runTimeLimit() {
    std::unique_lock<std::mutex> lock(m_);
    while (!stop_) {
        if (running_.empty()) {
            cv_.wait(lock);
            continue;
        }
        const std::string test = running_;
        if (cv_.wait_until(lock, deadline_) == std::cv_status::timeout && running_ == test &&
            std::chrono::steady_clock::now() >= deadline_) {
            std::fprintf(stderr,
                         "[ WATCHDOG ] %s is still running after %g s, longer than any test may take; "
                         "ending the test program.\n[  FAILED  ] %s\n",
                         test.c_str(), testSeconds(), test.c_str());
            std::fflush(stderr);
            std::fflush(stdout);
            std::_Exit(1);
        }
    }
}

}  // namespace tw::test
