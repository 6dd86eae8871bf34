// Reading and writing the shared settings, local settings and note data files, the workstation file,
// and the lookups in the member list.
//
// A read takes the whole file in one go under a deny-write open, closes it, and decodes it in memory;
// the process-wide data is replaced only when every record decoded, so a damaged or truncated file
// never leaves half a table behind. A write encodes everything first and then replaces the content in
// one step under an exclusive open: the old file stays intact until the new one is complete.
#include "app/groval.h"

#include "app/legacy.h"
#include "app/datetime.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

namespace tw {

namespace {

constexpr unsigned char kScrambleKey = 0x5A;
// Indices of NoteTable are 16-bit NoteIds: a note file with more records than that is damaged.
constexpr size_t kMaxNotes = 32767;

const std::string kTitleError = "エラー";
const std::string kTitleConfirm = "確認";

Answer ask(AppState& st, const std::string& title, const std::string& text, Icon icon, Buttons buttons) {
    if (st.sys.prompter) return st.sys.prompter->ask(title, text, icon, buttons);
    // Without anybody to ask, a question is declined.
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
}

void warn(AppState& st, const std::string& text) { ask(st, kTitleError, text, Icon::Warning, Buttons::Ok); }

std::string kindLabel(const std::string& kind) {
    if (kind == kKindShared) return "共有設定";
    if (kind == kKindLocal) return "ローカル設定";
    return "付箋紙データ";
}

double today(AppState& st) {
    if (st.sys.clock) return dateOnly(st.sys.clock->now());
    SystemClock clock;
    return dateOnly(clock.now());
}

SharedConfig freshHeader(AppState& st) {
    SharedConfig h;
    h.VersionMajor = kVersionMajor;
    h.VersionMinor = kVersionMinor;
    h.VersionRevision = kVersionRevision;
    h.CreatedOn = today(st);
    h.Signature = kProductName;
    return h;
}

FileError outOfMemory() {
    FileError e;
    e.number = 7;
    e.description = "メモリが不足しています。";
    return e;
}

FileError withRetry(AppState& st, BusyWait& busy, const std::function<FileError()>& step) {
    return retryWhileBusy(st, busy, "ファイルアクセスが混雑しています", step);
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

// What a read decoded, applied to the state only when all of it decoded.
struct Decoded {
    SharedConfig header;
    std::vector<UserEntry> members;
    LocalConfig local;
    std::vector<NoteRecord> notes;
};

// Decodes a non-empty file of `kind`. Returns kErrPastEnd when a record runs past the end.
FileError decodeFile(const std::string& kind, const std::string& bytes, Decoded& out) {
    ByteReader rd(bytes);
    if (kind == kKindShared) {
        if (!decode(rd, out.header)) return makeError(kErrPastEnd);
        while (!rd.atEnd()) {
            UserEntry u;
            if (!decode(rd, u)) return makeError(kErrPastEnd);
            out.members.push_back(std::move(u));
        }
    } else if (kind == kKindLocal) {
        if (!decode(rd, out.local)) return makeError(kErrPastEnd);
    } else {
        while (!rd.atEnd()) {
            NoteRecord n;
            if (!decode(rd, n) || out.notes.size() >= kMaxNotes) return makeError(kErrPastEnd);
            out.notes.push_back(std::move(n));
        }
    }
    return {};
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
    } else if (kind == kKindLocal) {
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

// Reports a failed access. Returns true when the step should be repeated: the shared folder was not
// found and the user chose a new one in the environment dialog.
bool reportFailure(AppState& st, const std::string& kind, const FileError& e) {
    warn(st, kindLabel(kind) + "ファイルにアクセスできません" + "\r" + e.description);
    if (kind != kKindShared || e.number != kErrPathNotFound) return false;
    if (st.resetCheckUnitBox) st.resetCheckUnitBox(st);
    Answer a = ask(st, "セットアップ再設定", "共有設定" + std::string("ファイルのパス(") + st.SharedPath + ")を変更しますか？",
                   Icon::None, Buttons::OkCancel);
    if (a != Answer::Ok) return false;
    if (st.showEnvironmentDialog) st.showEnvironmentDialog(st);
    WriteWorkstation(st);
    return true;
}

bool readShared(AppState& st, const std::string& kind) {
    BusyWait busy;
    for (;;) {
        std::string bytes;
        // An unset folder is no folder at all, not the current directory.
        FileError e = st.SharedPath.empty() ? makeError(kErrPathNotFound)
                                            : readWhole(st, busy, sharedFilePath(st, kind), bytes);
        if (!e && bytes.empty()) {
            if (kind == kKindShared) {
                st.NewSharedFile = true;
                st.sharedConfig = freshHeader(st);
            }
            return true;
        }
        Decoded d;
        if (!e) {
            try {
                e = decodeFile(kind, bytes, d);
            } catch (const std::bad_alloc&) {
                e = outOfMemory();
            } catch (const std::length_error&) {
                e = outOfMemory();
            }
        }
        if (!e) {
            if (kind == kKindShared) {
                if (d.header.Signature != kProductName) {
                    warn(st, "共有設定ファイルではありません");
                    return false;
                }
                if (d.header.VersionMajor < kVersionMajor) {
                    warn(st, "共有設定ファイルのバージョンが違います");
                    return false;
                }
                st.NewSharedFile = false;
                st.sharedConfig = std::move(d.header);
                st.members = std::move(d.members);
            } else if (kind == kKindLocal) {
                st.localConfig = std::move(d.local);
            } else {
                st.NoteTable = std::move(d.notes);
            }
            return true;
        }
        if (!reportFailure(st, kind, e)) return false;
    }
}

bool writeShared(AppState& st, const std::string& kind) {
    BusyWait busy;
    for (;;) {
        std::string bytes = encodeFile(st, kind);
        FileError e = st.SharedPath.empty() ? makeError(kErrPathNotFound)
                                            : writeWhole(st, busy, sharedFilePath(st, kind), bytes);
        if (!e) return true;
        if (!reportFailure(st, kind, e)) return false;
    }
}

std::string workstationPath(const AppState& st) { return joinPath(st.sys.programDir, kWorkstationFile); }

void reportWorkstation(AppState& st, const FileError& e) {
    warn(st, "ファイル" + workstationPath(st) + "\r" + "にアクセスできません" + "\r" + e.description);
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

bool AccessSharedFile(AppState& st, int mode, const std::string& kind) {
    if (mode != kModeRead && mode != kModeWrite) return true;
    if (kind != kKindShared && kind != kKindLocal && kind != kKindNotes) return false;
    return mode == kModeRead ? readShared(st, kind) : writeShared(st, kind);
}

void ReadWorkstation(AppState& st) {
    st.SharedPath.clear();
    st.CurrentMemberId = 0;
    SharedFile f;
    FileError e = f.open(workstationPath(st), ShareMode::ReadWriteExclusive);
    if (e.number == kErrFileNotFound) return;
    if (!e) {
        std::string bytes;
        e = f.readAll(bytes);
        if (!e && bytes.empty()) {
            e = migrateLegacySettings(st, f);
        } else if (!e) {
            UserEntry rec;
            ByteReader rd(bytes);
            if (decode(rd, rec)) {
                st.SharedPath = rec.MemberName;
                st.CurrentMemberId = rec.MemberId;
            } else {
                e = makeError(kErrPastEnd);
            }
        }
        f.close();
    }
    if (e) reportWorkstation(st, e);
}

void WriteWorkstation(AppState& st) {
    UserEntry rec;
    rec.MemberName = st.SharedPath;
    rec.MemberId = st.CurrentMemberId;
    ByteWriter w;
    encode(w, rec);
    SharedFile f;
    FileError e = f.open(workstationPath(st), ShareMode::WriteExclusive);
    if (!e) e = f.replaceContent(w.data());
    f.close();
    if (e) reportWorkstation(st, e);
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

FileError retryWhileBusy(AppState& st, BusyWait& busy, const std::string& question,
                         const std::function<FileError()>& step) {
    for (;;) {
        FileError e = step();
        if (e.number != kErrAccessDenied) return e;
        double now = monotonicSeconds();
        if (busy.since < 0) busy.since = now;
        if (now - busy.since < st.sys.retrySeconds) {
            if (st.sys.retryPauseMs > 0) sleepMilliseconds(st.sys.retryPauseMs);
            continue;
        }
        if (ask(st, kTitleConfirm, question, Icon::Information, Buttons::RetryCancel) != Answer::Retry) return e;
        busy.since = monotonicSeconds();
    }
}

}  // namespace tw
