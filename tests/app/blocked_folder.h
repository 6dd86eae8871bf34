// A folder a test makes unusable the ways a computer does: a plain file where the folder should be
// (nothing can be made under it), or a read-only folder. Permissions stop neither the superuser nor,
// on Windows, anybody: reasonWhyNot() tells a test to skip that way there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace tw::test {

enum class Blocking {
    FileInItsPlace,   // the folder is gone and a plain file has its name (its content is lost)
    ReadOnly,         // the folder keeps its content; nothing can be made in it
};

inline const std::vector<Blocking> kEveryBlocking = {Blocking::FileInItsPlace, Blocking::ReadOnly};

inline const char* blockingName(Blocking b) { return b == Blocking::FileInItsPlace ? "FileInItsPlace" : "ReadOnly"; }

// The name of a parameterised test's instance for one way.
inline std::string blockingParamName(const ::testing::TestParamInfo<Blocking>& info) {
    return blockingName(info.param);
}

// Why `b` cannot be shown on this computer; empty when it can.
inline std::string reasonWhyNot(Blocking b) {
    if (b != Blocking::ReadOnly) return {};
#ifdef _WIN32
    return "a folder's permissions do not stop writes on Windows";
#else
    if (::geteuid() == 0) return "running as root: a folder's permissions do not stop its writes";
    return {};
#endif
}

// Blocks `dir` while it lives (or until unblock()); afterwards the folder is usable again, empty
// after FileInItsPlace.
class BlockedFolder {
public:
    BlockedFolder(std::filesystem::path dir, Blocking how) : dir_(std::move(dir)), how_(how) {
        namespace fs = std::filesystem;
        if (how_ == Blocking::FileInItsPlace) {
            fs::remove_all(dir_);
            std::ofstream(dir_) << "not a folder";
        } else {
            fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
        }
    }
    BlockedFolder(const BlockedFolder&) = delete;
    BlockedFolder& operator=(const BlockedFolder&) = delete;
    ~BlockedFolder() { unblock(); }

    void unblock() {
        namespace fs = std::filesystem;
        if (done_) return;
        done_ = true;
        std::error_code ec;
        if (how_ == Blocking::FileInItsPlace) {
            fs::remove(dir_, ec);
            fs::create_directory(dir_, ec);
        } else {
            fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::replace, ec);
        }
    }

private:
    std::filesystem::path dir_;
    Blocking how_;
    bool done_ = false;
};

}  // namespace tw::test
