#include "app/recovery.h"

#include "app/groval.h"
#include "platform/prompter.h"

#include <cstdio>
#include <filesystem>

namespace tw {

namespace {

const std::string kOwnerFile = "REG.CFG";   // shared folder and member of the copies, as in REG.CFG

// A name for the shared folder that is the same on every run (FNV-1a of its bytes).
std::string folderKey(const std::string& path) {
    uint64_t h = 1469598103934665603ull;
    for (char c : path) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

FileError writeFile(const std::string& path, const std::string& bytes) {
    SharedFile f;
    FileError e = f.open(path, ShareMode::WriteExclusive);
    if (!e) e = f.replaceContent(bytes);
    f.close();
    return e;
}

bool readFile(const std::string& path, std::string& bytes) {
    SharedFile f;
    if (f.open(path, ShareMode::ReadDenyWrite)) return false;
    const bool ok = !f.readAll(bytes);
    f.close();
    return ok;
}

}  // namespace

std::string recoveryFolder(const AppState& st) {
    if (st.sys.userDataDir.empty() || st.SharedPath.empty() || st.CurrentMemberId < 1) return {};
    return joinPath(joinPath(st.sys.userDataDir, "recovery"),
                    memberFileName(st.CurrentMemberId, "") + "-" + folderKey(st.SharedPath));
}

FileError keepRecoveryCopy(const AppState& st, const std::string& kind, std::string& path) {
    const std::string folder = recoveryFolder(st);
    if (folder.empty()) return makeError(kErrPathNotFound);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(std::u8string(folder.begin(), folder.end())), ec);
    UserEntry owner;
    owner.MemberName = st.SharedPath;
    owner.MemberId = st.CurrentMemberId;
    ByteWriter w;
    encode(w, owner);
    if (FileError e = writeFile(joinPath(folder, kOwnerFile), w.data())) return e;
    path = joinPath(folder, memberFileName(st.CurrentMemberId, kind));
    return writeFile(path, memberFileBytes(st, kind));
}

bool offerRecovery(AppState& st) {
    const std::string folder = recoveryFolder(st);
    if (folder.empty()) return false;
    std::string ownerBytes;
    if (!readFile(joinPath(folder, kOwnerFile), ownerBytes)) return false;
    UserEntry owner;
    ByteReader rd(ownerBytes);
    if (!decode(rd, owner) || owner.MemberName != st.SharedPath || owner.MemberId != st.CurrentMemberId) return false;

    // Only copies that decode whole are offered.
    std::string localBytes, notesBytes;
    const std::string localPath = joinPath(folder, memberFileName(st.CurrentMemberId, kKindLocal));
    const std::string notesPath = joinPath(folder, memberFileName(st.CurrentMemberId, kKindNotes));
    const bool hasLocal = readFile(localPath, localBytes) && !localBytes.empty();
    const bool hasNotes = readFile(notesPath, notesBytes) && !notesBytes.empty();
    LocalConfig local;
    std::vector<NoteRecord> notes;
    if (hasLocal) {
        ByteReader r(localBytes);
        if (!decode(r, local)) return false;
    }
    if (hasNotes) {
        ByteReader r(notesBytes);
        while (!r.atEnd()) {
            NoteRecord n;
            if (!decode(r, n) || notes.size() >= static_cast<size_t>(kMaxNotes)) return false;
            notes.push_back(std::move(n));
        }
    }
    if (!hasLocal && !hasNotes) return false;

    const Answer a = st.sys.prompter->ask(
        "確認", "前回の終了時に共有フォルダに保存できなかった付箋紙とローカル設定が\r" + folder + "\rに残っています。元に戻しますか？",
        Icon::Information, Buttons::OkCancel);
    if (a != Answer::Ok) return false;
    if (hasLocal) st.localConfig = local;
    if (hasNotes) st.NoteTable = std::move(notes);
    // The copies go once the shared folder has the content again; until then they stay.
    const bool written = (!hasLocal || AccessSharedFile(st, kModeWrite, kKindLocal)) &&
                         (!hasNotes || AccessSharedFile(st, kModeWrite, kKindNotes));
    if (written) {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(std::u8string(folder.begin(), folder.end())), ec);
    }
    return true;
}

}  // namespace tw
