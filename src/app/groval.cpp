// Reading and writing the shared settings, local settings and note data files, the workstation file,
// and the lookups in the member list.
//
// A read takes the whole file in one go under a deny-write open, closes it, and decodes it in memory;
// the process-wide data is replaced only after the decoding, so a damaged file never leaves half a
// table behind: the member list is taken only when every entry decoded, a member's own file that ends
// inside a record only after its bytes as found were kept in a copy. A write encodes everything first
// and then replaces the content in one step under an exclusive open: the old file stays intact until
// the new one is complete.
#include "app/groval.h"

#include "app/damagedcopy.h"
#include "app/legacy.h"
#include "model/datetime.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

namespace tw {

namespace {

constexpr unsigned char kScrambleKey = 0x5A;

const std::string kTitleError = "エラー";
const std::string kTitleConfirm = "確認";

Answer ask(AppState& st, const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    return st.sys.prompter->ask(title, text, icon, buttons);
}

void warn(AppState& st, const std::string& text) { ask(st, kTitleError, text, Icon::Warning, Buttons::Ok); }

std::string kindLabel(const std::string& kind) {
    if (kind == kKindShared) return "共有設定";
    if (kind == kKindLocal) return "ローカル設定";
    return "付箋紙データ";
}

double today(AppState& st) { return dateOnly(st.sys.clock->now()); }

SharedConfig freshHeader(AppState& st) {
    SharedConfig h;
    h.VersionMajor = kVersionMajor;
    h.VersionMinor = kVersionMinor;
    h.VersionRevision = kVersionRevision;
    h.CreatedOn = today(st);
    h.Signature = kProductName;
    return h;
}

FileError outOfMemory() { return makeError(kErrOutOfMemory); }

FileError withRetry(AppState& st, BusyWait& busy, const std::function<FileError()>& step) {
    return retryWhileBusy(st, busy, kBusyQuestion, step);
}

// The whole content of a shared-folder file; a missing file reads as empty (opening creates it).
FileError readWhole(AppState& st, BusyWait& busy, const std::string& path, std::string& bytes) {
    bytes.clear();
    SharedFile f;
    FileError e = withRetry(st, busy, [&] { return f.open(path, ShareMode::ReadDenyWrite); });
    if (e.number == kErrFileNotFound) return {};
    if (e) return e;
    try {
        e = withRetry(st, busy, [&] { return f.readAll(bytes); });
    } catch (const std::bad_alloc&) {
        e = outOfMemory();
    } catch (const std::length_error&) {
        e = outOfMemory();
    }
    f.close();
    return e;
}

FileError writeWhole(AppState& st, BusyWait& busy, const std::string& path, const std::string& bytes) {
    SharedFile f;
    FileError e = withRetry(st, busy, [&] { return f.open(path, ShareMode::WriteExclusive); });
    if (e) return e;
    e = withRetry(st, busy, [&] { return f.replaceContent(bytes); });
    f.close();
    return e;
}

std::string encodeFile(AppState& st, const std::string& kind) {
    ByteWriter w;
    if (kind == kKindShared) {
        if (st.sharedConfig.Signature.empty()) {
            warn(st, "共有設定ファイル情報が破壊されています。");
            st.sharedConfig = freshHeader(st);
        }
        encode(w, st.sharedConfig);
        for (const UserEntry& u : st.members) encode(w, u);
        return w.data();
    }
    return memberFileBytes(st, kind);
}

// The message of a failed access. A damaged member list is named as such, with its file.
void reportFailure(AppState& st, const std::string& kind, const FileError& e) {
    if (kind == kKindShared && e.number == kErrPastEnd) {
        warn(st, kindLabel(kind) + "ファイル" + sharedFilePath(st, kind) + "\r" + "は壊れているため読み込めません" + "\r" +
                     e.description);
        return;
    }
    warn(st, kindLabel(kind) + "ファイルにアクセスできません" + "\r" + e.description);
}

AccessOutcome failed(AppState& st, const std::string& kind, const FileError& e) {
    reportFailure(st, kind, e);
    return AccessOutcome::Failed;
}

// The header and the member list. The signature and the version are looked at before the entries:
// the file of another program is named as such whatever follows its header. A damaged list is never
// taken in part: written back, it would drop the members that were cut off.
AccessOutcome takeSharedSettings(AppState& st, const std::string& bytes) {
    ByteReader rd(bytes);
    SharedConfig header;
    if (!decode(rd, header)) return failed(st, kKindShared, makeError(kErrPastEnd));
    if (header.Signature != kProductName) {
        warn(st, "共有設定ファイルではありません");
        return AccessOutcome::Refused;
    }
    if (header.VersionMajor < kVersionMajor) {
        warn(st, "共有設定ファイルのバージョンが違います");
        return AccessOutcome::Refused;
    }
    std::vector<UserEntry> members;
    while (!rd.atEnd()) {
        UserEntry u;
        if (!decode(rd, u)) return failed(st, kKindShared, makeError(kErrPastEnd));
        members.push_back(std::move(u));
    }
    st.NewSharedFile = false;
    st.sharedConfig = std::move(header);
    st.members = std::move(members);
    return AccessOutcome::Done;
}

// A member's own file that ends inside a record: its bytes as found go into a copy beside it before
// anything may write the file again, and the user is told which file it was, how the program goes on
// (`goingOn`) and where the copy is. False (reported) when the copy cannot be written.
bool keepDamagedFile(AppState& st, const std::string& kind, const std::string& bytes, const std::string& goingOn) {
    const std::string path = sharedFilePath(st, kind);
    std::string copy;
    if (FileError e = keepDamagedCopy(path, bytes, st.sys.clock->now(), copy)) {
        warn(st, kindLabel(kind) + "ファイル" + path + "\r" + "は途中で切れていますが、元の内容を" + copy + "\r" +
                     "に残せないため読み込めません" + "\r" + e.description);
        return false;
    }
    ask(st, kTitleConfirm,
        kindLabel(kind) + "ファイル" + path + "\r" + "は途中で切れていました。" + goingOn + "\r" + "元の内容は" + copy + "\r" +
            "に残しました。",
        Icon::Information, Buttons::Ok);
    return true;
}

// The notes up to the first one that is not complete.
AccessOutcome takeNotes(AppState& st, const std::string& bytes) {
    ByteReader rd(bytes);
    std::vector<NoteRecord> notes;
    bool cut = false;
    while (!rd.atEnd()) {
        // More records than any member can make: damage of another kind than a cut, refused.
        if (notes.size() >= static_cast<size_t>(kMaxNotes)) return failed(st, kKindNotes, makeError(kErrPastEnd));
        NoteRecord n;
        if (!decode(rd, n)) {
            cut = true;
            break;
        }
        notes.push_back(std::move(n));
    }
    if (cut && !keepDamagedFile(st, kKindNotes, bytes,
                                "読み込めた" + std::to_string(notes.size()) + "枚の付箋紙で続けます。"))
        return AccessOutcome::Failed;
    st.NoteTable = std::move(notes);
    return AccessOutcome::Done;
}

// What a local settings file cut inside its only record still gives: the design settings with the
// member's number (the file's own, which its name carries) and name, the name as the file holds it
// when that field is complete, else as the member list has it.
LocalConfig salvagedLocalSettings(const AppState& st, const std::string& bytes) {
    LocalConfig cfg = defaultLocalConfig();
    cfg.MemberId = st.CurrentMemberId;
    ByteReader rd(bytes);
    std::string name = rd.text();
    cfg.MemberName = rd.failed() ? MemberNameOf(st, st.CurrentMemberId) : std::move(name);
    return cfg;
}

AccessOutcome takeLocalSettings(AppState& st, const std::string& bytes) {
    ByteReader rd(bytes);
    LocalConfig cfg;
    if (!decode(rd, cfg)) {
        cfg = salvagedLocalSettings(st, bytes);
        if (!keepDamagedFile(st, kKindLocal, bytes, "名前とID以外の設定は初期値で続けます。")) return AccessOutcome::Failed;
    }
    st.localConfig = std::move(cfg);
    return AccessOutcome::Done;
}

AccessOutcome readOnce(AppState& st, const std::string& kind, BusyWait& busy) {
    std::string bytes;
    // An unset folder is no folder at all, not the current directory.
    FileError e = st.SharedPath.empty() ? makeError(kErrPathNotFound)
                                        : readWhole(st, busy, sharedFilePath(st, kind), bytes);
    if (e) return failed(st, kind, e);
    if (bytes.empty()) {
        if (kind == kKindShared) {
            st.NewSharedFile = true;
            st.sharedConfig = freshHeader(st);
        }
        return AccessOutcome::Done;
    }
    try {
        if (kind == kKindShared) return takeSharedSettings(st, bytes);
        if (kind == kKindLocal) return takeLocalSettings(st, bytes);
        return takeNotes(st, bytes);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return failed(st, kind, outOfMemory());
}

// Local settings that were never read nor made whole would write a record of zeros (black text on
// black notes at the next start).
bool unwrittenLocalSettings(const AppState& st, const std::string& kind) {
    return kind == kKindLocal && localSettingsMissing(st.localConfig);
}

AccessOutcome writeOnce(AppState& st, const std::string& kind, BusyWait& busy) {
    if (unwrittenLocalSettings(st, kind)) return AccessOutcome::Done;
    std::string bytes = encodeFile(st, kind);
    FileError e = st.SharedPath.empty() ? makeError(kErrPathNotFound)
                                        : writeWhole(st, busy, sharedFilePath(st, kind), bytes);
    return e ? failed(st, kind, e) : AccessOutcome::Done;
}

bool knownKind(const std::string& kind) { return kind == kKindShared || kind == kKindLocal || kind == kKindNotes; }

// ---- the workstation file ----

void makeFolders(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(dir.begin(), dir.end())), ec);
}

// Opens the workstation file where it is. Where there is none, makes it (empty) beside the program, or
// in the user's configuration folder where the program's folder cannot take it. `path` names the file
// opened, or after a failure the one tried last; `found` tells whether a workstation file existed.
FileError openWorkstation(const AppState& st, SharedFile& f, ShareMode mode, std::string& path, bool* found = nullptr) {
    const std::string beside = joinPath(st.sys.programDir, kWorkstationFile);
    const std::string inConfig =
        st.sys.userConfigDir.empty() ? std::string() : joinPath(st.sys.userConfigDir, kWorkstationFile);
    const bool besideExists = fileExists(beside);
    const bool configExists = !besideExists && !inConfig.empty() && fileExists(inConfig);
    if (found) *found = besideExists || configExists;
    path = configExists ? inConfig : beside;
    FileError e = f.open(path, mode);
    if (!e || besideExists || configExists || inConfig.empty()) return e;
    makeFolders(st.sys.userConfigDir);
    path = inConfig;
    return f.open(path, mode);
}

void reportWorkstation(AppState& st, const std::string& path, const FileError& e) {
    warn(st, "ファイル" + path + "\r" + "にアクセスできません" + "\r" + e.description);
}

const UserEntry* findMember(const AppState& st, int16_t memberId) {
    if (memberId < 1) return nullptr;   // 0 means "nobody"; lower numbers are damage
    for (const UserEntry& u : st.members)
        if (u.MemberId == memberId) return &u;
    return nullptr;
}

}  // namespace

std::string memberFileName(int16_t memberId, const std::string& ext) {
    char buf[16];
    int v = memberId;
    std::snprintf(buf, sizeof buf, v < 0 ? "-%05d" : "%05d", v < 0 ? -v : v);
    return "ID" + std::string(buf) + ext;
}

std::string sharedFilePath(const AppState& st, const std::string& kind) {
    if (kind == kKindShared || kind == kLogFile) return joinPath(st.SharedPath, kind);
    return joinPath(st.SharedPath, memberFileName(st.CurrentMemberId, kind));
}

std::string memberFileBytes(const AppState& st, const std::string& kind) {
    ByteWriter w;
    if (kind == kKindLocal) {
        encode(w, st.localConfig);
    } else {
        // Peeled notes leave the file, unless a sent note still waits for receipts: recipients find
        // it by its position, so every record keeps its place until then.
        const bool keepAll = SendPending(st);
        for (const NoteRecord& n : st.NoteTable)
            if (keepAll || !n.IsPeeled) encode(w, n);
    }
    return w.data();
}

AccessOutcome accessSharedFileOnce(AppState& st, int mode, const std::string& kind) {
    if (mode != kModeRead && mode != kModeWrite) return AccessOutcome::Done;
    if (!knownKind(kind)) return AccessOutcome::Failed;
    BusyWait busy;
    return mode == kModeRead ? readOnce(st, kind, busy) : writeOnce(st, kind, busy);
}

bool readMemberList(AppState& st) {
    if (st.SharedPath.empty()) return false;
    // Read beside the program's state: a file that cannot be read, or that is missing or empty for a
    // moment on a network share, changes nothing.
    AppState read(st.sys);
    read.SharedPath = st.SharedPath;
    if (accessSharedFileOnce(read, kModeRead, kKindShared) != AccessOutcome::Done || read.NewSharedFile) return false;
    st.sharedConfig = std::move(read.sharedConfig);
    st.members = std::move(read.members);
    return true;
}

bool offerAnotherFolder(AppState& st, FolderChoiceHost& folderChoice) {
    folderChoice.resetCheckUnitBox();
    Answer a = ask(st, "セットアップ再設定", "共有設定" + std::string("ファイルのパス(") + st.SharedPath + ")を変更しますか？",
                   Icon::None, Buttons::OkCancel);
    if (a != Answer::Ok) return false;
    folderChoice.showEnvironmentDialog();
    return true;
}

FileError writeMemberFileSilently(AppState& st, const std::string& kind) {
    if (unwrittenLocalSettings(st, kind)) return {};
    const std::string bytes = memberFileBytes(st, kind);
    const std::string path = sharedFilePath(st, kind);
    const double start = monotonicSeconds();
    for (;;) {
        SharedFile f;
        FileError e = st.SharedPath.empty() ? makeError(kErrPathNotFound) : f.open(path, ShareMode::WriteExclusive);
        if (!e) e = f.replaceContent(bytes);
        f.close();
        if (e.number != kErrAccessDenied || monotonicSeconds() - start >= st.sys.retrySeconds) return e;
        sleepMilliseconds(st.sys.retryPauseMs);
    }
}

bool writeNewMemberFiles(AppState& st) {
    for (const std::string& kind : {kKindLocal, kKindNotes}) {
        const std::string path = sharedFilePath(st, kind);
        std::string left;
        BusyWait busy;
        FileError e = readWhole(st, busy, path, left);
        std::string copy;
        if (!e && !left.empty()) e = keepDatedCopy(path, "deleted", left, st.sys.clock->now(), copy);
        if (e) {
            warn(st, kindLabel(kind) + "ファイル" + path + "\r" + "に残っていた削除済みメンバーの内容を" +
                         (copy.empty() ? std::string() : copy + "\r" + "に") + "残せないため、参加を中止しました" +
                         "\r" + e.description);
            return false;
        }
        if (accessSharedFileOnce(st, kModeWrite, kind) != AccessOutcome::Done) return false;
    }
    return true;
}

bool AccessSharedFile(AppState& st, int mode, const std::string& kind, FolderChoiceHost* folderChoice) {
    if (mode != kModeRead && mode != kModeWrite) return true;
    if (!knownKind(kind)) return false;
    BusyWait busy;
    for (;;) {
        const AccessOutcome r = mode == kModeRead ? readOnce(st, kind, busy) : writeOnce(st, kind, busy);
        if (r != AccessOutcome::Failed) return r == AccessOutcome::Done;
        if (kind != kKindShared || !folderChoice || !offerAnotherFolder(st, *folderChoice)) return false;
        // This computer's member goes on in the folder named there.
        WriteWorkstation(st);
    }
}

void ReadWorkstation(AppState& st) {
    st.SharedPath.clear();
    st.CurrentMemberId = 0;
    SharedFile f;
    std::string path;
    bool found = false;
    FileError e = openWorkstation(st, f, ShareMode::ReadWriteExclusive, path, &found);
    if (e) {
        // None anywhere, and none can be made: not set up, and the setup tells why it cannot be.
        if (found && e.number != kErrFileNotFound) reportWorkstation(st, path, e);
        return;
    }
    std::string bytes;
    e = f.readAll(bytes);
    if (!e && bytes.empty()) e = migrateLegacySettings(st, f);
    f.close();
    if (e) {
        reportWorkstation(st, path, e);
        return;
    }
    if (bytes.empty()) return;
    UserEntry rec;
    ByteReader rd(bytes);
    if (!decode(rd, rec)) {
        warn(st, "ファイル" + path + "\r" + "は壊れているため読み込めません" + "\r" + makeError(kErrPastEnd).description);
        return;
    }
    st.SharedPath = rec.MemberName;
    st.CurrentMemberId = rec.MemberId;
}

FileError storeWorkstation(const AppState& st, std::string& path) {
    UserEntry rec;
    rec.MemberName = st.SharedPath;
    rec.MemberId = st.CurrentMemberId;
    ByteWriter w;
    encode(w, rec);
    SharedFile f;
    FileError e = openWorkstation(st, f, ShareMode::WriteExclusive, path);
    if (!e) e = f.replaceContent(w.data());
    f.close();
    return e;
}

bool WriteWorkstation(AppState& st) {
    std::string path;
    const FileError e = storeWorkstation(st, path);
    if (e) reportWorkstation(st, path, e);
    return !e;
}

FileError checkWorkstationWritable(const AppState& st, std::string& path) {
    SharedFile f;
    FileError e = openWorkstation(st, f, ShareMode::ReadWriteExclusive, path);
    std::string bytes;
    if (!e) e = f.readAll(bytes);
    if (!e) e = f.replaceContent(bytes);
    f.close();
    return e;
}

std::string MemberNameOf(const AppState& st, int16_t memberId) {
    const UserEntry* u = findMember(st, memberId);
    return u ? u->MemberName : std::string();
}

int16_t FreeMemberId(const AppState& st) {
    std::vector<bool> taken(32768, false);
    for (const UserEntry& u : st.members)
        if (u.MemberId > 0) taken[static_cast<size_t>(u.MemberId)] = true;
    for (int id = 1; id <= 32767; ++id)
        if (!taken[static_cast<size_t>(id)]) return static_cast<int16_t>(id);
    return 0;   // every number is taken
}

std::string MemberPasswordOf(const AppState& st, int16_t memberId) {
    const UserEntry* u = findMember(st, memberId);
    return u ? cp932ToUtf8(ScramblePassword(u->MemberPassword)) : std::string();
}

std::string ScramblePassword(const std::string& bytes) {
    std::string out = bytes;
    for (char& c : out) c = static_cast<char>(~static_cast<unsigned char>(c) ^ kScrambleKey);
    return out;
}

bool SendPending(const AppState& st) {
    for (const NoteRecord& n : st.NoteTable)
        if (n.IsSent && !n.AllReceived && !n.IsPeeled) return true;
    return false;
}

namespace {

// The wait cursor while a silent retry runs; gone before any question and at the end.
class WaitShown {
public:
    explicit WaitShown(WaitIndicator& indicator) : indicator_(indicator) {}
    ~WaitShown() { hide(); }
    void show() {
        if (shown_) return;
        indicator_.beginWait();
        shown_ = true;
    }
    void hide() {
        if (!shown_) return;
        indicator_.endWait();
        shown_ = false;
    }

private:
    WaitIndicator& indicator_;
    bool shown_ = false;
};

}  // namespace

FileError retryWhileBusy(AppState& st, BusyWait& busy, const std::string& question,
                         const std::function<FileError()>& step) {
    WaitShown wait(*st.sys.waitIndicator);
    for (;;) {
        FileError e = step();
        if (e.number != kErrAccessDenied) return e;
        double now = monotonicSeconds();
        if (busy.since < 0) busy.since = now;
        if (now - busy.since < st.sys.retrySeconds) {
            if (now - busy.since >= st.sys.waitIndicatorSeconds) wait.show();
            if (st.sys.retryPauseMs > 0) sleepMilliseconds(st.sys.retryPauseMs);
            continue;
        }
        wait.hide();
        if (ask(st, kTitleConfirm, question, Icon::Information, Buttons::RetryCancel) != Answer::Retry) return e;
        busy.since = monotonicSeconds();
    }
}

}  // namespace tw
