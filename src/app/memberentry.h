// The change of this member's own entry in the member list from the environment dialog: a new name
// or password.
#pragma once

#include "model/state.h"

#include <string>

namespace tw {

// Writes st.localConfig's MemberName and `password` into the entry of st.localConfig.MemberId in
// GRPINLY.CFG. The member list is read and written again under the member-list lock, so that no
// other computer's join or change made meanwhile is lost. Shows its own messages ("設定変更はでき
// ませんでした", the missing entry); after a failure st.localConfig.MemberName is `oldName` again.
// Returns true when the entry was written.
bool changeMemberEntry(AppState& st, const std::string& oldName, const std::string& password);

}  // namespace tw
