// Moving the settings of older versions into the workstation file, and the start-up checks that may
// offer to reset this computer's environment.
#include "app/legacy.h"

#include "app/groval.h"
#include "platform/prompter.h"
#include "platform/settingsstore.h"

#include <cstdlib>

namespace tw {

namespace {

const std::string kCheckTitle = kProductName + " (確認)";

Answer ask(AppState& st, const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    return st.sys.prompter->ask(title, text, icon, buttons);
}

// "LID" holds the member number as text. Anything that is not a whole number of the 16-bit range
// (after surrounding blanks) counts as no number at all.
int16_t parseLegacyId(const std::string& text) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return 0;
    size_t e = text.find_last_not_of(" \t");
    std::string s = text.substr(b, e - b + 1);
    size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (i == s.size() || s.size() - i > 6) return 0;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return 0;
    long v = std::strtol(s.c_str(), nullptr, 10);
    if (v < -32768 || v > 32767) return 0;
    return static_cast<int16_t>(v);
}

}  // namespace

FileError migrateLegacySettings(AppState& st, SharedFile& workstation) {
    SettingsStore& store = *st.sys.legacyStore;
    st.SharedPath = store.value(kLegacyApp, kLegacySection, kLegacyPathValue);
    st.CurrentMemberId = parseLegacyId(store.value(kLegacyApp, kLegacySection, kLegacyIdValue));
    if (st.SharedPath.empty() && st.CurrentMemberId == 0) return {};

    UserEntry rec;
    rec.MemberName = st.SharedPath;
    rec.MemberId = st.CurrentMemberId;
    ByteWriter w;
    encode(w, rec);
    if (FileError e = workstation.replaceContent(w.data())) return e;

    Answer a = ask(st, kProductName + " 確認",
                   "旧バージョンの情報がレジストリに記録されています" + std::string("\r") +
                       "旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します",
                   Icon::None, Buttons::OkCancel);
    if (a == Answer::Ok) store.deleteSection(kLegacyApp, kLegacySection);
    return {};
}

bool memberExists(const AppState& st, int16_t memberId) {
    if (memberId < 1) return false;
    for (const UserEntry& u : st.members)
        if (u.MemberId == memberId) return true;
    return false;
}

bool localSettingsMissing(const LocalConfig& cfg) { return cfg.Fonts[0].FontName.empty(); }

CheckResult checkMemberExists(AppState& st) {
    if (memberExists(st, st.CurrentMemberId)) return CheckResult::Continue;
    ask(st, kCheckTitle, "あなたのID: " + std::to_string(st.CurrentMemberId) + "は共有設定ファイルから削除されています",
        Icon::Warning, Buttons::Ok);
    return askEnvironmentReset(st);
}

CheckResult checkLocalSettings(AppState& st) {
    if (!localSettingsMissing(st.localConfig)) return CheckResult::Continue;
    ask(st, kCheckTitle,
        "あなたのローカル環境設定ファイル" + memberFileName(st.CurrentMemberId, kKindLocal) + "\r" +
            "は削除された可能性があります",
        Icon::Warning, Buttons::Ok);
    return askEnvironmentReset(st);
}

CheckResult askEnvironmentReset(AppState& st) {
    Answer a = ask(st, "警告", "環境をリセットしますか？" + std::string("\r") + "リセットを行うと設定は初期化されます。",
                   Icon::None, Buttons::OkCancel);
    if (a != Answer::Ok) return CheckResult::Continue;
    st.SharedPath.clear();
    st.CurrentMemberId = 0;
    WriteWorkstation(st);
    return CheckResult::EndProcess;
}

}  // namespace tw
