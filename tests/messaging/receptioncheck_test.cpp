// When the reception timer ticks, and when a tick runs the network check.
#include "messaging/receptioncheck.h"

#include "model/datetime.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

LocalConfig every(int16_t interval, int16_t unit) {
    LocalConfig c;
    c.CheckInterval = interval;
    c.CheckUnit = unit;
    return c;
}

TEST(ReceptionCheck, TickLengthPerUnit) {
    EXPECT_EQ(receptionTickLength(every(5, 0)), 60000);
    EXPECT_EQ(receptionTickLength(every(5, 1)), 65535);
    EXPECT_EQ(receptionTickLength(every(48, 2)), 48000);
    // Beyond what the dialog allows, from a damaged settings file: still a sane tick, never negative.
    EXPECT_EQ(receptionTickLength(every(32767, 2)), 32767000);
    EXPECT_EQ(receptionTickLength(every(-3, 2)), 0);
    EXPECT_EQ(receptionTickLength(every(5, 9)), 60000);
}

TEST(ReceptionCheck, DueAtTheIntervalNotBefore) {
    tw::test::TestServices env;
    AppState st(env.services());
    st.LastCheckTime = makeDateTime(2000, 7, 17, 9, 0, 0);
    st.localConfig = every(5, 0);
    EXPECT_FALSE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 9, 4, 59)));
    EXPECT_TRUE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 9, 5, 0)));
    st.localConfig = every(2, 1);
    EXPECT_FALSE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 10, 59, 59)));
    EXPECT_TRUE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 11, 0, 0)));
    st.localConfig = every(30, 2);
    EXPECT_FALSE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 9, 0, 29)));
    EXPECT_TRUE(receptionCheckDue(st, makeDateTime(2000, 7, 17, 9, 0, 30)));
}

// An interval of 0: in seconds the timer stands still and nothing is checked on its own; in minutes
// and hours it ticks about once a minute and every tick checks. The environment dialog says which.
TEST(ReceptionCheck, ZeroIntervalPerUnitAndWhatTheDialogSays) {
    tw::test::TestServices env;
    AppState st(env.services());
    st.LastCheckTime = makeDateTime(2000, 7, 17, 9, 0, 0);
    const struct {
        int16_t unit;
        int32_t tick;
        const char* hint;
    } cases[] = {
        {0, 60000, "0に設定すると約1分ごとに確認します"},
        {1, 65535, "0に設定すると約1分ごとに確認します"},
        {2, 0, "0に設定するとタイマー確認を行いません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        st.localConfig = every(0, c.unit);
        EXPECT_EQ(receptionTickLength(st.localConfig), c.tick);
        EXPECT_TRUE(receptionCheckDue(st, st.LastCheckTime)) << "a tick finds the check due at once";
        EXPECT_EQ(zeroIntervalHint(c.unit), c.hint);
    }
}

}  // namespace
