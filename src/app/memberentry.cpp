#include "app/memberentry.h"

#include "app/groval.h"
#include "app/startup.h"
#include "platform/codepage.h"
#include "platform/prompter.h"

namespace tw {

namespace {

bool refuse(AppState& st, const std::string& oldName, const std::string& text) {
    st.sys.prompter->ask("エラー", text, Icon::Warning, Buttons::Ok);
    st.localConfig.MemberName = oldName;
    return false;
}

}  // namespace

bool changeMemberEntry(AppState& st, const std::string& oldName, const std::string& password) {
    const int16_t id = st.localConfig.MemberId;
    MemberListLock lock;
    if (lock.acquire(st, st.SharedPath) == MemberListLock::Result::Cancelled)
        return refuse(st, oldName, "設定変更はできませんでした");
    if (!AccessSharedFile(st, kModeRead, kKindShared)) return refuse(st, oldName, "設定変更はできませんでした");
    UserEntry* entry = nullptr;
    for (UserEntry& e : st.members) {
        if (e.MemberId == id) {
            entry = &e;
            break;
        }
    }
    if (!entry)
        return refuse(st, oldName, "共有設定ファイルに該当ID" + std::to_string(id) + "が存在しませんでした（変更不可）");
    entry->MemberName = st.localConfig.MemberName;
    entry->MemberPassword = ScramblePassword(utf8ToCp932(password));
    if (!AccessSharedFile(st, kModeWrite, kKindShared)) return refuse(st, oldName, "設定変更はできませんでした");
    return true;
}

}  // namespace tw
