// The reception timer on the hidden note-settings dialog: arming and stopping, and a real tick running
// the check.
#include "dialogs/qt/frmMain.h"

#include "model/datetime.h"
#include "platform/clock.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"

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

TEST(ReceptionTimer, ArmedOnlyWhenEnabledWithAnInterval) {
    tw::test::TestServices env;
    AppState st(env.services());
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

TEST(ReceptionTimer, TickRunsTheCheckWhenDue) {
    tw::test::TestServices env;
    TestClock& clock = env.clock;
    clock.set(makeDateTime(2000, 7, 17, 9, 0, 1));
    AppState st(env.services());
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
