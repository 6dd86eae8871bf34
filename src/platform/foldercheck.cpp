#include "platform/foldercheck.h"

#include "platform/clock.h"

#include <filesystem>
#include <random>

namespace tw {

namespace {

namespace fs = std::filesystem;

fs::path u8path(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

FolderCheck failed(const std::string& step, FileError e = {}) {
    FolderCheck c;
    c.ok = false;
    c.step = step;
    c.error = std::move(e);
    return c;
}

// The trial itself, in `scratch`, which exists and is empty.
FolderCheck tryIn(const std::string& scratch) {
    const std::string path = joinPath(scratch, "GRPINLY.FLG");
    SharedFile w;
    if (FileError e = w.open(path, ShareMode::ReadWriteExclusive)) return failed("ファイルの作成", e);
    if (FileError e = w.replaceContent("first")) return failed("ファイルの置き換え", e);
    if (FileError e = w.replaceContent("second content")) return failed("ファイルの置き換え", e);
    // While it is held, nobody else may open it.
    SharedFile other;
    FileError busy = other.open(path, ShareMode::ReadDenyWrite);
    if (busy.number != kErrAccessDenied) return failed("ファイルのロック", busy);
    w.close();
    SharedFile r;
    if (FileError e = r.open(path, ShareMode::ReadDenyWrite)) return failed("置き換えた内容の読み込み", e);
    std::string seen;
    if (FileError e = r.readAll(seen)) return failed("置き換えた内容の読み込み", e);
    r.close();
    if (seen != "second content") return failed("置き換えた内容の読み込み");
    if (listDirectory(scratch, "GRPINLY.FLG").size() != 1) return failed("フォルダの一覧");
    // A folder is made by exactly one: the second try must find it there.
    const fs::path probe = u8path(joinPath(scratch, "probe"));
    std::error_code ec;
    if (!fs::create_directory(probe, ec) || ec) return failed("フォルダの作成");
    if (fs::create_directory(probe, ec)) return failed("フォルダの排他作成");
    return {};
}

}  // namespace

FolderCheck checkFolderForSharing(const std::string& folder) {
    if (!directoryExists(folder)) return failed("フォルダの確認", makeError(kErrPathNotFound));
    std::random_device rd;
    const std::string scratch = joinPath(folder, "~TWCHECK." + std::to_string(rd() % 1000000000u));
    std::error_code ec;
    if (!fs::create_directory(u8path(scratch), ec)) {
        FileError e = makeError(kErrAccessDenied);
        if (ec == std::errc::read_only_file_system) e = makeError(kErrWriteProtect);
        if (ec == std::errc::no_space_on_device) e = makeError(kErrDiskFull);
        return failed("フォルダの作成", e);
    }
    FolderCheck result = tryIn(scratch);
    // Whatever happened, the scratch folder goes (a network client may refuse for a moment).
    for (int attempt = 0; attempt < 20; ++attempt) {
        fs::remove_all(u8path(scratch), ec);
        if (!ec) break;
        sleepMilliseconds(10);
    }
    if (result.ok && ec) return failed("後片付け", makeError(kErrAccessDenied));
    return result;
}

}  // namespace tw
