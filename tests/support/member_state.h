// A member "佐藤", number 1, with the design settings in a test folder: the state the note tests
// start from. Busy files are not waited for.
#pragma once

#include "model/records.h"
#include "model/state.h"

#include <string>

namespace tw::test {

inline void setUpNoteMember(AppState& st, const std::string& folder) {
    st.sys.retrySeconds = 0;
    st.sys.retryPauseMs = 0;
    st.SharedPath = folder;
    st.CurrentMemberId = 1;
    st.localConfig = defaultLocalConfig();
    st.localConfig.MemberName = "佐藤";
    st.localConfig.MemberId = 1;
}

}  // namespace tw::test
