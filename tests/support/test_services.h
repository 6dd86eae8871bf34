// The surroundings of one member in a test: a scripted prompter, a clock the test sets, a fixed
// screen of 1024 × 768 pixels at 15 twips, and no settings of older versions. Declare it before the
// AppState that is built from it.
#pragma once

#include "model/state.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"
#include "support/scripted_prompter.h"

namespace tw::test {

struct TestServices {
    ScriptedPrompter prompter;
    TestClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;

    // Busy files are not waited for: a test that wants the retry window sets it.
    Services services() {
        Services s{prompter, clock, screen, legacyStore};
        s.retrySeconds = 0;
        s.retryPauseMs = 0;
        return s;
    }
};

}  // namespace tw::test
