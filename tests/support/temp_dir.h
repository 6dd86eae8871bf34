// A fresh folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace tw::test {

// The lock folder that POSIX builds keep beside a shared file ("<name>.~lock"); listings of what a
// replace left behind leave it out (the lock folder's own tests look at it).
inline bool isLockFolderName(const std::string& name) {
#ifdef _WIN32
    (void)name;
    return false;
#else
    return name.size() > 6 && name.compare(name.size() - 6, 6, ".~lock") == 0;
#endif
}

class TempDir {
public:
    TempDir() {
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0;; ++i) {
            auto p = base / ("tackwisp-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++) + "-" +
                             std::to_string(i));
            if (std::filesystem::create_directory(p)) {
                path_ = p;
                break;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    static int& counter() {
        static int c = 0;
        return c;
    }
    std::filesystem::path path_;
};

}  // namespace tw::test
