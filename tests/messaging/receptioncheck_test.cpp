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
    EXPECT_EQ(receptionTickLength(every(0, 0)), 60000);
    EXPECT_EQ(receptionTickLength(every(5, 1)), 65535);
    EXPECT_EQ(receptionTickLength(every(48, 2)), 48000);
    EXPECT_EQ(receptionTickLength(every(0, 2)), 0);
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
    st.localConfig = every(0, 0);
    EXPECT_TRUE(receptionCheckDue(st, st.LastCheckTime)) << "interval 0 checks at every tick";
}

}  // namespace
