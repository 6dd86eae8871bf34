// Platform pieces that are the same on every system.
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/sharedfile.h"

#include "app/datetime.h"

#include <chrono>
#include <filesystem>
#include <ctime>
#include <thread>

namespace tw {

FileError makeError(int number) {
    FileError e;
    e.number = number;
    switch (number) {
    case kErrBadFileNumber: e.description = "ファイル名または番号が不正です。"; break;
    case kErrFileNotFound: e.description = "ファイルが見つかりません。"; break;
    case kErrBadFileMode: e.description = "ファイル モードが不正です。"; break;
    case kErrAccessDenied:
        e.description = "ファイルにアクセスできません。他のコンピュータが使用中か、アクセス権がありません。";
        break;
    case kErrPathNotFound: e.description = "パスが見つかりません。"; break;
    case kErrPastEnd:
        e.description = "ファイルの終わりを越えて読み込もうとしました。ファイルが途中で切れているか、壊れています。";
        break;
    default: e.description = "エラー " + std::to_string(number); break;
    }
    return e;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    char sep = pathSeparator();
    char last = dir.back();
    if (last == sep || last == '/') return dir + name;
    return dir + sep + name;
}

FileError SharedFile::readAll(std::string& bytes) {
    int64_t len = 0;
    if (auto e = length(len)) return e;
    if (auto e = seek(0)) return e;
    bytes.assign(static_cast<size_t>(len), '\0');
    size_t got = 0;
    if (auto e = read(bytes.data(), bytes.size(), got)) return e;
    bytes.resize(got);
    return {};
}

void removeStaleReplaceFiles(const std::string& path) {
    namespace fs = std::filesystem;
    auto sep = path.find_last_of("/\\");
    std::string dir = sep == std::string::npos ? std::string(".") : path.substr(0, sep);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    // A slow writer on another computer still has its file open and keeps touching it; an hour
    // without a change only happens to a file whose writer is gone.
    const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& left : listDirectory(dir, name + ".~*.tmp")) {
        std::string full = joinPath(dir, left);
        fs::path p(std::u8string(full.begin(), full.end()));
        std::error_code ec;
        auto when = fs::last_write_time(p, ec);
        if (!ec && when < limit) fs::remove(p, ec);
    }
}

double SystemClock::now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return makeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

size_t utf8Length(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string utf8Left(const std::string& s, size_t chars) {
    size_t n = 0, i = 0;
    for (; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) {
            if (n == chars) break;
            ++n;
        }
    }
    return s.substr(0, i);
}

namespace {
unsigned char lowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// '*' any run, '?' one character (UTF-8 aware), ASCII letters without case.
bool wildMatch(const char* p, const char* s) {
    while (*p) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            for (const char* t = s; ; ) {
                if (wildMatch(p, t)) return true;
                if (!*t) return false;
                ++t;
                while ((static_cast<unsigned char>(*t) & 0xC0) == 0x80) ++t;
            }
        }
        if (!*s) return false;
        if (*p == '?') {
            ++p;
            ++s;
            while ((static_cast<unsigned char>(*s) & 0xC0) == 0x80) ++s;
            continue;
        }
        if (lowerAscii(static_cast<unsigned char>(*p)) != lowerAscii(static_cast<unsigned char>(*s))) return false;
        ++p;
        ++s;
    }
    return *s == 0;
}
}  // namespace

bool matchesPattern(const std::string& name, const std::string& pattern) {
    return wildMatch(pattern.c_str(), name.c_str());
}

}  // namespace tw
