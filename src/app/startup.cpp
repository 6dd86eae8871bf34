#include "app/startup.h"

#include "app/groval.h"
#include "app/legacy.h"
#include "app/memberrun.h"
#include "app/recovery.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/foldercheck.h"
#include "platform/prompter.h"

#include <vector>

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

void warn(AppState& st, const std::string& text) { st.sys.prompter->ask("エラー", text, Icon::Warning, Buttons::Ok); }

// This computer's user becomes member `id` of the current folder. The local settings carry a copy
// of the number, so that the dialog finds the member's entry again before the settings were saved.
void becomeMember(AppState& st, int16_t id) {
    st.CurrentMemberId = id;
    st.localConfig.MemberId = id;
}

// Local settings that were never loaded (the file is gone or empty, and the user kept the
// environment) are made whole: the design settings with the member's name and number. Written as
// they were, they would give black text on black notes.
void makeLocalSettingsWhole(AppState& st) {
    if (!localSettingsMissing(st.localConfig)) return;
    LocalConfig cfg = defaultLocalConfig();
    cfg.MemberName = st.localConfig.MemberName.empty() ? MemberNameOf(st, st.CurrentMemberId) : st.localConfig.MemberName;
    cfg.MemberId = st.CurrentMemberId;
    st.localConfig = std::move(cfg);
}

// The member's run mark is held by a program elsewhere: the member runs there.
void tellRunningElsewhere(AppState& st, int16_t id, const std::string& computer) {
    st.sys.prompter->ask(kProductName,
                         memberOfRun(id, MemberNameOf(st, id)) + "は既に" + computerOfRun(computer) + "で起動しています。\r" +
                             "同じメンバーを2台のコンピュータで同時に使うことはできません。",
                         Icon::Warning, Buttons::Ok);
}

// Takes the run mark of member `id` in the current folder. A mark held on another computer is waited
// for silently like any busy file (the lock of a program that died there is cleared meanwhile). False
// when the member runs elsewhere (told). Without a mark object, or when no mark can be made there,
// the start goes on without it.
bool takeRunMark(AppState& st, MemberRunMark* mark, int16_t id) {
    if (!mark || id < 1) return true;
    const MemberRunMark::Outcome o = mark->take(st, st.SharedPath, id, st.sys.retrySeconds);
    if (o.result != MemberRunMark::Result::Elsewhere) return true;
    tellRunningElsewhere(st, id, o.holder);
    return false;
}

// How one attempt to join the current folder ended.
enum class Join {
    Done,            // a member of the folder, and the workstation file says so
    Failed,          // told; nothing more to try
    Refused,         // the member runs on another computer (told): the program ends
    AnotherFolder,   // the folder's member list could not be read or written (told): another may be named
};

Join joinOutcome(AccessOutcome r) {
    if (r == AccessOutcome::Failed) return Join::AnotherFolder;
    return r == AccessOutcome::Done ? Join::Done : Join::Failed;
}

// The workstation file could not be written after the member list took the new entry. Without it the
// next start would not know this member and would add another entry of the same name: the entry goes
// out of the list again (it is still held by the member-list lock of the join).
void takeBackEntry(AppState& st, const UserEntry& added, const std::string& workstation, const FileError& why) {
    bool removed = false;
    if (accessSharedFileOnce(st, kModeRead, kKindShared) == AccessOutcome::Done) {
        const size_t before = st.members.size();
        std::erase_if(st.members, [&](const UserEntry& u) {
            return u.MemberId == added.MemberId && u.MemberName == added.MemberName;
        });
        removed = st.members.size() == before ||
                  accessSharedFileOnce(st, kModeWrite, kKindShared) == AccessOutcome::Done;
    }
    const std::string who = "「" + added.MemberName + "」(ID: " + std::to_string(added.MemberId) + ")";
    warn(st, "ファイル" + workstation + "\r" +
                 (removed ? "に書き込めないため、共有設定ファイルに追加した" + who + "を取り消しました。"
                          : "に書き込めず、共有設定ファイルに追加した" + who + "も取り消せませんでした。") +
                 "\r" + why.description);
}

// Writes the new member's own files, the member list with `entry` added, then the workstation file
// naming the new member.
Join addMember(AppState& st, const UserEntry& entry) {
    becomeMember(st, entry.MemberId);
    makeLocalSettingsWhole(st);
    if (!writeNewMemberFiles(st)) return Join::Failed;
    st.members.push_back(entry);
    const Join written = joinOutcome(accessSharedFileOnce(st, kModeWrite, kKindShared));
    if (written != Join::Done) return written;
    std::string workstation;
    if (FileError e = storeWorkstation(st, workstation)) {
        takeBackEntry(st, entry, workstation, e);
        return Join::Failed;
    }
    return Join::Done;
}

// One attempt to join the current folder, holding its member-list lock. The first-time setup joins
// with the name and password of the dialog. After a move to another folder the member is found again
// by the name in his local settings: an entry of that name hands over its number and its files. A new
// member takes number 1 in an empty folder, else the smallest free number.
//
// A number whose run mark a program still holds (a deleted member whose program runs on) is not
// given: that program would write its files over the new member's.
Join joinOnce(AppState& st, StartupHost& host, bool byName, MemberRunMark* mark) {
    const Join read = joinOutcome(accessSharedFileOnce(st, kModeRead, kKindShared));
    if (read != Join::Done) return read;
    const std::string name = byName ? st.localConfig.MemberName : host.dialogName();
    const std::string password = byName ? std::string() : host.dialogPassword();
    if (byName && !st.NewSharedFile) {
        for (const UserEntry& e : st.members) {
            if (e.MemberName != name) continue;
            if (!takeRunMark(st, mark, e.MemberId)) return Join::Refused;
            becomeMember(st, e.MemberId);
            if (!WriteWorkstation(st)) return Join::Failed;
            const bool loaded =
                AccessSharedFile(st, kModeRead, kKindLocal) && AccessSharedFile(st, kModeRead, kKindNotes);
            return loaded ? Join::Done : Join::Failed;
        }
    }
    if (st.NewSharedFile) st.members.clear();
    const size_t members = st.members.size();   // after them, the numbers still running elsewhere
    for (;;) {
        const int16_t id = FreeMemberId(st);
        if (id < 1) {   // all 32767 numbers taken: the member list is damaged
            st.members.resize(members);
            warn(st, "共有設定ファイルに空いているIDがありません");
            return Join::Failed;
        }
        const bool free = !mark || mark->take(st, st.SharedPath, id, 0).result != MemberRunMark::Result::Elsewhere;
        if (free) {
            st.members.resize(members);
            return addMember(st, newEntry(name, id, password));
        }
        st.members.push_back(newEntry("", id, ""));
    }
}

// After a failed access of the folder a join goes to, the user may name another folder in the
// environment dialog. The first-time setup shows it as before: with its folder box open and without
// a member entry to rename; its Cancel keeps what the first dialog stored.
bool chooseAnotherFolder(AppState& st, StartupHost& host, bool byName) {
    if (byName) return offerAnotherFolder(st, host);
    const LocalConfig kept = st.localConfig;
    st.SettingsReady = false;
    st.localConfig.MemberName.clear();
    const bool shown = offerAnotherFolder(st, host);
    if (!st.SettingsReady) st.localConfig = kept;
    st.SettingsReady = true;
    return shown;
}

// A folder a member joins is tried first (a file made, replaced, read back and locked, in a scratch
// folder of its own): a network share that cannot do it would lose or mix the group's changes, which
// is said now, with the reason, instead of at the first send. A folder that is not there at all is
// left to the join, which reports it.
bool folderFitForSharing(AppState& st) {
    if (!directoryExists(st.SharedPath)) return true;
    const FolderCheck check = checkFolderForSharing(st.SharedPath);
    if (check.ok) return true;
    std::string text = "フォルダ" + st.SharedPath + "\r" + "では付箋紙を安全に共有できません。" + "\r" + check.step +
                       "に失敗しました。";
    if (!check.error.ok()) text += "\r" + check.error.description;
    warn(st, text);
    return false;
}

// The member-list lock of a join; a join the user cancelled while another computer held the lock
// is reported like a shared settings file that could not be read.
bool takeMemberListLock(AppState& st, MemberListLock& lock) {
    if (lock.acquire(st, st.SharedPath) != MemberListLock::Result::Cancelled) return true;
    st.sys.prompter->ask("エラー", "共有設定ファイルにアクセスできません\r" + makeError(kErrAccessDenied).description,
                         Icon::Warning, Buttons::Ok);
    return false;
}

}  // namespace

int exitCodeOf(StartupResult r) { return r == StartupResult::Failed ? 1 : 0; }

StartupResult runStartup(AppState& st, StartupHost& host, MemberRunMark* mark) {
    Prompter& prompt = *st.sys.prompter;

    if (host.previousInstance()) {
        prompt.ask(kProductName, kProductName + "は既に起動されています。", Icon::Warning, Buttons::Ok);
        return StartupResult::Ended;
    }

    st.SettingsReady = false;
    ReadWorkstation(st);

    const bool setup = st.SharedPath.empty();
    const bool byName = st.pathChgFlag;
    if (setup || byName) {
        // A join that this computer could not remember would be made again at every start: the
        // workstation file must be writable before anyone joins.
        std::string workstation;
        if (FileError e = checkWorkstationWritable(st, workstation)) {
            warn(st, "ファイル" + workstation + "\r" + "に書き込めないため、セットアップは中止されました。" + "\r" +
                         e.description);
            return StartupResult::Failed;
        }
    }

    if (setup) {
        host.resetCheckUnitBox();
        if (!host.acceptSetupProposal()) {
            prompt.ask(kWelcomeTitle,
                       kProductName + "をご使用頂きありがとうございます。\r" +
                           "まず始めに「使用する方の名前」と「データパス」その他の設定を行います",
                       Icon::Information, Buttons::Ok);
            host.showEnvironmentDialog();
        }
        if (!st.SettingsReady) {
            prompt.ask(kProductName, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok);
            return StartupResult::Ended;
        }
    }

    if (setup || byName) {
        // Only a join changes the member list; it holds the lock from its read to its last write. The
        // workstation file names the folder only once the member list names the member: a join that
        // fails leaves it as it was, and the next start offers the setup again.
        for (;;) {
            if (!folderFitForSharing(st)) {
                if (!chooseAnotherFolder(st, host, byName)) return StartupResult::Failed;
                continue;
            }
            MemberListLock lock;
            if (!takeMemberListLock(st, lock)) return StartupResult::Failed;
            const Join j = joinOnce(st, host, byName, mark);
            if (j == Join::Done) break;
            if (j == Join::Refused) return StartupResult::Ended;
            if (j == Join::Failed) return StartupResult::Failed;
            lock.release();
            if (!chooseAnotherFolder(st, host, byName)) return StartupResult::Failed;
        }
    } else {
        // Ordinary start. An empty member list (the shared settings were cleared or lost) means this
        // member was removed like every other one: he is told so and may reset, instead of taking
        // over number 1 and, at the end of the run, another member's files.
        if (!AccessSharedFile(st, kModeRead, kKindShared, &host)) return StartupResult::Failed;
        const std::string path = st.SharedPath;
        const int16_t id = st.CurrentMemberId;
        ReadWorkstation(st);
        if (st.NewSharedFile) st.members.clear();
        if (st.SharedPath.empty()) {   // REG.CFG could not be read again (already reported)
            st.SharedPath = path;
            st.CurrentMemberId = id;
        }
        // The same member running on another computer (a program folder copied there) would write his
        // whole note table over this one's: this start ends before it writes anything.
        if (!takeRunMark(st, mark, st.CurrentMemberId)) return StartupResult::Ended;
        if (checkMemberExists(st) == CheckResult::EndProcess) return StartupResult::Ended;
        if (!AccessSharedFile(st, kModeRead, kKindLocal)) return StartupResult::Failed;
        if (!AccessSharedFile(st, kModeRead, kKindNotes)) return StartupResult::Failed;
        // What the end of the last run could not write is offered back.
        offerRecovery(st);
    }

    if (checkLocalSettings(st) == CheckResult::EndProcess) return StartupResult::Ended;
    makeLocalSettingsWhole(st);
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

MemberListLock::Result MemberListLock::acquire(AppState& st, const std::string& folder) {
    release();
    folder_ = folder;
    if (folder.empty()) return Result::Unreachable;
    auto file = std::make_unique<SharedFile>();
    const std::string path = joinPath(folder, kLogFile);
    BusyWait busy;
    const FileError e = retryWhileBusy(st, busy, kBusyQuestion,
                                       [&] { return file->open(path, ShareMode::ReadWriteExclusive); });
    if (e.number == kErrAccessDenied) return Result::Cancelled;
    if (e) return Result::Unreachable;
    file_ = std::move(file);
    return Result::Held;
}

void MemberListLock::release() {
    if (file_) file_->close();
    file_.reset();
}

}  // namespace tw
