// Whether the reception timer ticks: arming, stopping, and pauses that nest and re-arm at their end.
#include "notes/receptionarming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tw;

namespace {

TEST(ReceptionArming, TicksOnlyWhenEnabledWithAnInterval) {
    ReceptionArming a;
    EXPECT_EQ(a.running(), 0);
    a.setInterval(1000);
    EXPECT_EQ(a.running(), 0) << "an interval alone does not enable it";
    a.enable();
    EXPECT_EQ(a.running(), 1000);
    a.setInterval(-5);
    EXPECT_EQ(a.interval(), 0);
    EXPECT_EQ(a.running(), 0) << "interval 0 never ticks";
    a.setInterval(60000);
    a.disable();
    EXPECT_FALSE(a.enabled());
    EXPECT_EQ(a.interval(), 0);
    EXPECT_EQ(a.running(), 0);
}

// One step done to the arming, and whether the timer runs afterwards. "resume" also records whether
// the caller is told to re-arm.
struct Step {
    std::string what;
    int32_t runningAfter;
    bool rearm = false;   // for "resume" only
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

TEST(ReceptionArming, PausesHoldItAndTheLastOneReArms) {
    // "runningAfter" of a resume is what runs before the caller re-arms.
    const std::vector<Case> cases = {
        {"a pause of a running timer",
         {{"arm", 1000}, {"pause", 0}, {"resume", 1000, true}}},
        {"nested pauses re-arm only at the outer end",
         {{"arm", 1000}, {"pause", 0}, {"pause", 0}, {"resume", 0, false}, {"resume", 1000, true}}},
        {"arming while paused waits for the end",
         {{"arm", 1000}, {"pause", 0}, {"arm", 0}, {"resume", 1000, true}}},
        {"stopped while paused stays stopped",
         {{"arm", 1000}, {"pause", 0}, {"off", 0}, {"resume", 0, false}}},
        {"stopped, then armed again while paused",
         {{"arm", 1000}, {"pause", 0}, {"pause", 0}, {"off", 0}, {"resume", 0, false}, {"arm", 0}, {"resume", 1000, true}}},
        {"stopped before the pause: its end arms it",
         {{"arm", 1000}, {"off", 0}, {"pause", 0}, {"resume", 0, true}}},
        {"a stop in an earlier pause does not hold the next one",
         {{"arm", 1000}, {"pause", 0}, {"off", 0}, {"resume", 0, false}, {"pause", 0}, {"resume", 0, true}}},
        {"a resume without a pause tells nothing to do",
         {{"arm", 1000}, {"resume", 1000, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReceptionArming a;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            SCOPED_TRACE("step " + std::to_string(i) + " " + s.what);
            if (s.what == "arm") {
                a.enable();
                a.setInterval(1000);
            } else if (s.what == "off") {
                a.disable();
            } else if (s.what == "pause") {
                a.pause();
                EXPECT_TRUE(a.paused());
            } else {
                EXPECT_EQ(a.resume(), s.rearm);
            }
            EXPECT_EQ(a.running(), s.runningAfter);
        }
        EXPECT_FALSE(a.paused());
    }
}

}  // namespace
