// The reception timer on the hidden note-settings dialog: tick lengths per unit, arming and stopping,
// when a check is due, and a real tick running the check.
#include "dialogs/qt/frmMain.h"

#include "app/datetime.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tw;
using tw::test::TestClock;

namespace {

LocalConfig every(int16_t interval, int16_t unit) {
    LocalConfig c;
    c.CheckInterval = interval;
    c.CheckUnit = unit;
    return c;
}

TEST(ReceptionTimer, TickLengthPerUnit) {
    EXPECT_EQ(frmMain::tickLength(every(5, 0)), 60000);
    EXPECT_EQ(frmMain::tickLength(every(0, 0)), 60000);
    EXPECT_EQ(frmMain::tickLength(every(5, 1)), 65535);
    EXPECT_EQ(frmMain::tickLength(every(48, 2)), 48000);
    EXPECT_EQ(frmMain::tickLength(every(0, 2)), 0);
    // Beyond what the dialog allows, from a damaged settings file: still a sane tick, never negative.
    EXPECT_EQ(frmMain::tickLength(every(32767, 2)), 32767000);
    EXPECT_EQ(frmMain::tickLength(every(-3, 2)), 0);
    EXPECT_EQ(frmMain::tickLength(every(5, 9)), 60000);
}

TEST(ReceptionTimer, ArmedOnlyWhenEnabledWithAnInterval) {
    AppState st;
    st.localConfig = every(5, 0);
    frmMain f(st);
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("タックウィスプ"));
    EXPECT_FALSE(f.isVisible());

    f.setTimerInterval(1000);
    EXPECT_FALSE(f.tmrLog()->isActive()) << "an interval alone does not enable the timer";
    f.setTimerInterval(f.onTimer());
    EXPECT_TRUE(f.tmrLog()->isActive());
    EXPECT_EQ(f.tmrLog()->interval(), 60000);

    f.offTimer();
    EXPECT_FALSE(f.tmrLog()->isActive());
    EXPECT_EQ(f.timerInterval(), 0);

    st.localConfig = every(0, 2);   // seconds, 0: no timer check at all
    f.setTimerInterval(f.onTimer());
    EXPECT_TRUE(f.timerEnabled());
    EXPECT_FALSE(f.tmrLog()->isActive()) << "interval 0 never ticks";
}

TEST(ReceptionTimer, CheckDueAtTheIntervalNotBefore) {
    AppState st;
    st.LastCheckTime = makeDateTime(2000, 7, 17, 9, 0, 0);
    st.localConfig = every(5, 0);
    EXPECT_FALSE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 9, 4, 59)));
    EXPECT_TRUE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 9, 5, 0)));
    st.localConfig = every(2, 1);
    EXPECT_FALSE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 10, 59, 59)));
    EXPECT_TRUE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 11, 0, 0)));
    st.localConfig = every(30, 2);
    EXPECT_FALSE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 9, 0, 29)));
    EXPECT_TRUE(frmMain::checkDue(st, makeDateTime(2000, 7, 17, 9, 0, 30)));
    st.localConfig = every(0, 0);
    EXPECT_TRUE(frmMain::checkDue(st, st.LastCheckTime)) << "interval 0 checks at every tick";
}

TEST(ReceptionTimer, TickRunsTheCheckWhenDue) {
    AppState st;
    TestClock clock(makeDateTime(2000, 7, 17, 9, 0, 1));
    st.sys.clock = &clock;
    st.LastCheckTime = makeDateTime(2000, 7, 17, 9, 0, 0);
    st.localConfig = every(1, 2);
    frmMain f(st);
    QSignalSpy checks(&f, &frmMain::checked);
    f.setTimerInterval(f.onTimer());
    ASSERT_TRUE(checks.wait(5000));
    EXPECT_EQ(st.LastCheckTime, clock.now());
    EXPECT_TRUE(f.tmrLog()->isActive()) << "re-armed after the check";
    EXPECT_EQ(f.tmrLog()->interval(), 1000);

    // Not yet due: the tick passes without a check.
    st.localConfig = every(30, 2);
    checks.clear();
    EXPECT_FALSE(checks.wait(1500));
}

}  // namespace
