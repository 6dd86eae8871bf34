// A member "佐藤", number 1, with the design settings in a test folder: the state the note tests
// start from. Busy files are not waited for.
#pragma once

#include "app/records.h"
#include "app/state.h"

#include <string>

namespace tw::test {

inline void setUpNoteMember(AppState& st, Prompter& prompter, Clock& clock, Screen& screen, const std::string& folder) {
    st.sys.prompter = &prompter;
    st.sys.clock = &clock;
    st.sys.screen = &screen;
    st.sys.retrySeconds = 0;
    st.sys.retryPauseMs = 0;
    st.SharedPath = folder;
    st.CurrentMemberId = 1;
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = "佐藤";
    st.localConfig.MemberId = 1;
}

}  // namespace tw::test
