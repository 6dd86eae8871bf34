#include "app/options.h"

#include "app/groval.h"
#include "app/startup.h"
#include "model/twips.h"
#include "platform/prompter.h"

#include <algorithm>

namespace tw {

namespace {

// A whole number 0..32767 written with digits only; nothing otherwise.
std::optional<int> parseBox(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int v = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        v = v * 10 + (ch - '0');
    }
    return v;
}

int16_t boxValue(const std::string& text) {
    const std::optional<int> v = parseBox(text);
    return v ? static_cast<int16_t>(std::min(*v, 32767)) : int16_t{0};
}

const char* const kChangeRefused = "設定変更はできませんでした";

}  // namespace

int numberBoxMaximum(int box, int unit) {
    switch (box) {
    case 0:
    case 2: return 90;    // days
    case 1:
    case 3: return 720;   // minutes
    default: return unit == 2 ? 48 : 59;
    }
}

bool numberBoxValid(int box, const std::string& text, int unit) {
    const std::optional<int> v = parseBox(text);
    return v && *v <= numberBoxMaximum(box, unit);
}

std::optional<std::string> spinStep(int box, const std::string& text, int unit, int delta) {
    if (text.empty()) return std::string("0");
    const std::optional<int> v = parseBox(text);
    if (!v) return std::nullopt;
    const int next = *v + delta;
    if (next < 0 || next > numberBoxMaximum(box, unit)) return std::nullopt;
    return std::to_string(next);
}

void storeOptions(LocalConfig& cfg, const OptionsControls& c, bool keepName) {
    if (!keepName) cfg.MemberName = c.name;
    const std::optional<int> id = parseBox(c.memberIdText);
    cfg.MemberId = id && *id <= 32767 ? static_cast<int16_t>(*id) : int16_t{0};
    cfg.CautionLeadDays = boxValue(c.numbers[0]);
    cfg.CautionLeadMinutes = boxValue(c.numbers[1]);
    cfg.WarningLeadDays = boxValue(c.numbers[2]);
    cfg.WarningLeadMinutes = boxValue(c.numbers[3]);
    cfg.CheckInterval = boxValue(c.numbers[4]);
    cfg.CheckUnit = static_cast<int16_t>(std::clamp(c.checkUnit, 0, 2));
    cfg.BackColours = c.backColours;
    cfg.TextColours = c.textColours;
    for (size_t i = 0; i < 3; ++i) {
        FontPreset& f = cfg.Fonts[i];
        f.FontName = c.fonts[i].name;
        f.FontSize = clampInt16(c.fonts[i].points);
        f.Bold = c.fonts[i].bold;
        f.Italic = c.fonts[i].italic;
    }
    cfg.TimerBase = static_cast<int16_t>(std::clamp(c.timerBase, 0, 2));
    cfg.DefaultTextSize = static_cast<int16_t>(std::clamp(c.defaultTextSize, 0, 2));
    cfg.AutoSizeDefault = c.autoSize ? 1 : 0;
}

// ---- the member list ----

namespace {

MemberDelete refused(AppState& st) {
    st.sys.prompter->ask("エラー", kChangeRefused, Icon::Warning, Buttons::Ok);
    return MemberDelete::Failed;
}

bool removeSharedSettings(AppState& st) {
    const std::string path = sharedFilePath(st, kKindShared);
    BusyWait busy;
    const FileError e = retryWhileBusy(st, busy, kBusyQuestion, [&] { return removeFile(path); });
    if (e && e.number != kErrFileNotFound) {
        st.sys.prompter->ask("エラー", "共有設定ファイルにアクセスできません\r" + e.description, Icon::Warning,
                             Buttons::Ok);
        return false;
    }
    st.members.clear();
    return true;
}

}  // namespace

MemberDelete deleteMembers(AppState& st, const std::vector<int16_t>& ids) {
    // The list is read and written under the lock: a member who joined since it was shown stays.
    MemberListLock lock;
    if (lock.acquire(st, st.SharedPath) == MemberListLock::Result::Cancelled) return refused(st);
    if (accessSharedFileOnce(st, kModeRead, kKindShared) != AccessOutcome::Done) return refused(st);
    if (st.NewSharedFile) st.members.clear();
    std::erase_if(st.members, [&](const UserEntry& u) {
        return std::find(ids.begin(), ids.end(), u.MemberId) != ids.end();
    });
    if (st.members.empty()) return removeSharedSettings(st) ? MemberDelete::NoneLeft : MemberDelete::Failed;
    if (accessSharedFileOnce(st, kModeWrite, kKindShared) != AccessOutcome::Done) return refused(st);
    return MemberDelete::Written;
}

bool deleteAllMembers(AppState& st) {
    MemberListLock lock;
    if (lock.acquire(st, st.SharedPath) == MemberListLock::Result::Cancelled) {
        refused(st);
        return false;
    }
    return removeSharedSettings(st);
}

// ---- moving to another shared folder ----

bool saveForFolderMove(AppState& st, const std::string& newName) {
    if (!AccessSharedFile(st, kModeWrite, kKindLocal)) return false;
    if (!AccessSharedFile(st, kModeWrite, kKindNotes)) return false;
    st.localConfig.MemberName = newName;
    return true;
}

FileError switchToFolder(AppState& st, const std::string& folder) {
    const std::string old = st.SharedPath;
    st.SharedPath = folder;
    std::string workstation;
    if (FileError e = storeWorkstation(st, workstation)) {
        st.SharedPath = old;
        return e;
    }
    st.NoteTable.clear();
    st.undoSlots.fill(0);
    st.undoCount = 0;
    return {};
}

}  // namespace tw
