#include "app/startup.h"

#include "app/groval.h"
#include "app/legacy.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompter.h"

namespace tw {

namespace {

const std::string kWelcomeTitle = "セットアップ初期設定";

UserEntry newEntry(const std::string& name, int16_t id, const std::string& clearPassword) {
    UserEntry e;
    e.MemberName = name;
    e.MemberId = id;
    e.MemberPassword = ScramblePassword(utf8ToCp932(clearPassword));
    return e;
}

// This computer's user becomes member `id` of the current folder. The local settings carry a copy
// of the number, so that the dialog finds the member's entry again before the settings were saved.
void becomeMember(AppState& st, int16_t id) {
    st.CurrentMemberId = id;
    st.localConfig.MemberId = id;
    WriteWorkstation(st);
}

// An empty shared folder: the member list becomes this one member with number 1.
bool foundFolder(AppState& st, const std::string& name, const std::string& password) {
    becomeMember(st, 1);
    st.members.assign(1, newEntry(name, 1, password));
    return AccessSharedFile(st, kModeWrite, kKindShared);
}

// A new member in a folder that has members: the smallest free number.
bool joinAsNewMember(AppState& st, const std::string& name, const std::string& password) {
    const int16_t id = FreeMemberId(st);
    if (id < 1) {   // all 32767 numbers taken: the member list is damaged
        st.sys.prompter->ask("エラー", "共有設定ファイルに空いているIDがありません", Icon::Warning, Buttons::Ok);
        return false;
    }
    becomeMember(st, id);
    st.members.push_back(newEntry(name, st.CurrentMemberId, password));
    return AccessSharedFile(st, kModeWrite, kKindShared);
}

// After a move to another folder the member is found again by the name in his local settings; an
// entry of that name hands over its number and its files.
bool joinByName(AppState& st) {
    const std::string name = st.localConfig.MemberName;
    if (st.NewSharedFile) return foundFolder(st, name, "");
    for (const UserEntry& e : st.members) {
        if (e.MemberName != name) continue;
        becomeMember(st, e.MemberId);
        return AccessSharedFile(st, kModeRead, kKindLocal) && AccessSharedFile(st, kModeRead, kKindNotes);
    }
    return joinAsNewMember(st, name, "");
}

}  // namespace

int exitCodeOf(StartupResult r) { return r == StartupResult::Failed ? 1 : 0; }

StartupResult runStartup(AppState& st, StartupHost& host) {
    Prompter& prompt = *st.sys.prompter;

    if (host.previousInstance()) {
        prompt.ask(kProductName, kProductName + "は既に起動されています。", Icon::Warning, Buttons::Ok);
        return StartupResult::Ended;
    }

    st.SettingsReady = false;
    ReadWorkstation(st);

    bool setupDoneNow = false;
    if (st.SharedPath.empty()) {
        host.resetCheckUnitBox();
        prompt.ask(kWelcomeTitle,
                   kProductName + "をご使用頂きありがとうございます。\r" +
                       "まず始めに「使用する方の名前」と「データパス」その他の設定を行います",
                   Icon::Information, Buttons::Ok);
        host.showEnvironmentDialog();
        if (!st.SettingsReady) {
            prompt.ask(kProductName, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok);
            return StartupResult::Ended;
        }
        WriteWorkstation(st);
        setupDoneNow = true;
    }

    // Only a join changes the member list; it holds the lock from this read to its write.
    const bool joining = setupDoneNow || st.pathChgFlag;
    MemberListLock lock;
    if (joining) lock.acquire(st, st.SharedPath);
    if (!AccessSharedFile(st, kModeRead, kKindShared)) return StartupResult::Failed;
    if (joining && st.SharedPath != lock.folder()) {
        // The folder was not found and the user named another one while the file was read: read
        // the new folder's list again under its own lock.
        lock.acquire(st, st.SharedPath);
        if (!AccessSharedFile(st, kModeRead, kKindShared)) return StartupResult::Failed;
    }

    if (st.pathChgFlag) {
        if (!joinByName(st)) return StartupResult::Failed;
    } else if (setupDoneNow) {
        const std::string name = host.dialogName();
        const std::string password = host.dialogPassword();
        bool ok = st.NewSharedFile ? foundFolder(st, name, password) : joinAsNewMember(st, name, password);
        if (!ok) return StartupResult::Failed;
    } else {
        // Ordinary start. An empty member list (the shared settings were cleared or lost) means this
        // member was removed like every other one: he is told so and may reset, instead of taking
        // over number 1 and, at the end of the run, another member's files.
        const std::string path = st.SharedPath;
        const int16_t id = st.CurrentMemberId;
        ReadWorkstation(st);
        if (st.NewSharedFile) st.members.clear();
        if (st.SharedPath.empty()) {   // REG.CFG could not be read again (already reported)
            st.SharedPath = path;
            st.CurrentMemberId = id;
        }
        if (checkMemberExists(st) == CheckResult::EndProcess) return StartupResult::Ended;
        if (!AccessSharedFile(st, kModeRead, kKindLocal)) return StartupResult::Failed;
        if (!AccessSharedFile(st, kModeRead, kKindNotes)) return StartupResult::Failed;
    }
    lock.release();

    if (checkLocalSettings(st) == CheckResult::EndProcess) return StartupResult::Ended;
    host.loadShapes();
    st.CurrentPassword = MemberPasswordOf(st, st.CurrentMemberId);
    st.LastCheckTime = st.sys.clock->now();
    host.setTimerInterval(host.onTimer());
    host.openAllNotes();
    st.SettingsReady = true;
    host.chkNetCom();
    return StartupResult::Running;
}

// ---- MemberListLock ----

bool MemberListLock::acquire(const AppState& st, const std::string& folder) {
    release();
    folder_ = folder;
    if (folder.empty()) return false;
    auto file = std::make_unique<SharedFile>();
    const std::string path = joinPath(folder, kLogFile);
    const double start = monotonicSeconds();
    for (;;) {
        FileError e = file->open(path, ShareMode::ReadWriteExclusive);
        if (e.ok()) break;
        if (e.number != kErrAccessDenied || monotonicSeconds() - start >= st.sys.retrySeconds) return false;
        sleepMilliseconds(st.sys.retryPauseMs);
    }
    file_ = std::move(file);
    return true;
}

void MemberListLock::release() {
    if (file_) file_->close();
    file_.reset();
}

}  // namespace tw
