// Platform pieces that are the same on every system.
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/codepage_detail.h"
#include "platform/sharedfile.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
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
    case kErrOutOfMemory: e.description = "メモリが不足しています。"; break;
    case kErrPastEnd:
        e.description = "ファイルの終わりを越えて読み込もうとしました。ファイルが途中で切れているか、壊れています。";
        break;
    // The system's errors, in the words Windows uses for them, on every system alike.
    case kErrTooManyOpenFiles: e.description = "システムはファイルを開くことができません。"; break;
    case kErrNotSameDevice: e.description = "別のディスク ドライブにファイルを移動できません。"; break;
    case kErrWriteProtect: e.description = "メディアは書き込み禁止になっています。"; break;
    case kErrNotReady: e.description = "デバイスの準備ができていません。"; break;
    case kErrNetworkError: e.description = "予期しないネットワーク エラーが発生しました。"; break;
    case kErrNetworkNameGone: e.description = "指定されたネットワーク名は利用できません。"; break;
    case kErrFileExists: e.description = "ファイルが存在します。"; break;
    case kErrDiskFull: e.description = "ディスクに十分な空き領域がありません。"; break;
    case kErrInvalidName:
        e.description = "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。";
        break;
    case kErrNameTooLong: e.description = "ファイル名または拡張子が長すぎます。"; break;
    case kErrDeviceIo: e.description = "I/O デバイス エラーが発生したため、要求を実行できませんでした。"; break;
    case kErrCannotResolveName: e.description = "ファイル名をシステムで解決できません。"; break;
    case kErrLockLost:
        e.description = "ファイルのロックが他のコンピュータに引き継がれました。変更は書き込まれていません。";
        break;
    default: e.description = "エラー " + std::to_string(number); break;
    }
    return e;
}

FileError busyError() { return makeError(kErrAccessDenied); }

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
    // Up to the end of the file, wherever the length said it was (a network client may report a
    // length it remembers; the reads themselves go to the file).
    if (got == static_cast<size_t>(len)) {
        char more[65536];
        for (;;) {
            size_t n = 0;
            if (auto e = read(more, sizeof more, n)) return e;
            if (n == 0) break;
            bytes.append(more, n);
        }
    }
    return {};
}

void removeStaleReplaceFiles(const std::string& path, bool heldForWriting) {
    namespace fs = std::filesystem;
    auto sep = path.find_last_of("/\\");
    std::string dir = sep == std::string::npos ? std::string(".") : path.substr(0, sep);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    // A slow writer on another computer still has its file open and keeps touching it; an hour
    // without a change only happens to a file whose writer is gone.
    const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& left : listDirectory(dir, name + ".~*.tmp")) {
        std::string full = joinPath(dir, left);
        if (heldForWriting) {
            removeFileSoon(full);
            continue;
        }
        fs::path p(std::u8string(full.begin(), full.end()));
        std::error_code ec;
        auto when = fs::last_write_time(p, ec);
        if (!ec && when < limit) fs::remove(p, ec);
    }
}

FileError removeFileSoon(const std::string& path) {
    FileError e;
    for (int attempt = 0; attempt < 20; ++attempt) {
        e = removeFile(path);
        if (e.number != kErrAccessDenied) return e;
        sleepMilliseconds(10);
    }
    return e;
}

// ---- the in-place replace ----

namespace {

// The undo copy holds the old content followed by its length, a checksum of it and a mark, so that
// only a complete copy is ever put back.
constexpr char kUndoMark[8] = {'T', 'W', 'U', 'N', 'D', 'O', '0', '1'};
constexpr size_t kUndoTrailer = 8 + 8 + sizeof kUndoMark;

uint64_t checksum(const char* p, size_t n) {
    uint64_t x = 14695981039346656037ULL;   // FNV-1a
    for (size_t i = 0; i < n; ++i) {
        x ^= static_cast<unsigned char>(p[i]);
        x *= 1099511628211ULL;
    }
    return x;
}

void appendLe64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t getLe64(const char* in) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    return v;
}

std::string undoCopyOf(const std::string& old) {
    std::string out = old;
    appendLe64(out, old.size());
    appendLe64(out, checksum(old.data(), old.size()));
    out.append(kUndoMark, sizeof kUndoMark);
    return out;
}

// The old content of a complete undo copy; false for one cut short or damaged.
bool oldContentOf(const std::string& copy, std::string& old) {
    if (copy.size() < kUndoTrailer) return false;
    const size_t n = copy.size() - kUndoTrailer;
    const char* trailer = copy.data() + n;
    if (getLe64(trailer) != n || getLe64(trailer + 8) != checksum(copy.data(), n) ||
        !std::equal(std::begin(kUndoMark), std::end(kUndoMark), trailer + 16))
        return false;
    old.assign(copy, 0, n);
    return true;
}

}  // namespace

std::string undoCopyPath(const std::string& path) { return path + ".~undo"; }

FileError SharedFile::overwriteWhole(const char* bytes, size_t n) {
    if (FileError e = seek(0)) return e;
    if (FileError e = write(bytes, n)) return e;
    if (FileError e = setLength(static_cast<int64_t>(n))) return e;
    return flush();
}

// An undo copy beside the file is the one of a writer that died (or failed) in the middle of an
// in-place replace: the old content goes back. A copy that is not complete was never finished, so
// its replace never touched the file: it only goes. Only with the file held for writing.
FileError SharedFile::putBackUnfinishedReplace() {
    const std::string undo = undoCopyPath(path_);
    std::string copy;
    FileError e = readFileUnlocked(undo, copy);
    if (e.number == kErrFileNotFound) return {};
    if (e) return e;
    std::string old;
    if (oldContentOf(copy, old)) {
        if (FileError w = overwriteWhole(old.data(), old.size())) return w;
    }
    e = removeFileSoon(undo);
    return e.number == kErrFileNotFound ? FileError{} : e;
}

// The content replaced through this open, which stays held throughout: a complete copy of the old
// content goes beside the file first (under a temporary name, renamed only once complete and on the
// disk, so the undo name never holds a part of a copy), then the new bytes, then the copy goes.
FileError SharedFile::rewriteInPlace(const std::string& bytes) {
    std::string old;
    if (FileError e = readAll(old)) return e;
    const std::string undo = undoCopyPath(path_);
    const std::string tmp = temporaryNameBeside(path_);
    if (FileError e = writeNewFile(tmp, undoCopyOf(old))) {
        removeFileSoon(tmp);
        return e;
    }
    if (FileError e = renameFile(tmp, undo)) {
        removeFileSoon(tmp);
        return e;
    }
    // Room for a longer content first, where the file system can promise it: a full disk then stops
    // us before the old content changed (elsewhere the old content goes back as below).
    if (bytes.size() > old.size()) {
        if (FileError e = reserveRoom(static_cast<int64_t>(bytes.size()))) {
            removeFileSoon(undo);
            return e;
        }
    }
    auto putBackOld = [&](const FileError& e) {
        // At once, through our open; should even that fail, the undo copy stays for the next open.
        if (overwriteWhole(old.data(), old.size()).ok()) removeFileSoon(undo);
        return e;
    };
    if (FileError e = overwriteWhole(bytes.data(), bytes.size())) return putBackOld(e);
    if (FileError e = removeFileSoon(undo)) return putBackOld(e);
    return {};
}

LocalTime localTimeNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void sleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

namespace codepage {

std::string keptByte(unsigned char b) {
    const unsigned cp = 0xF700u + b;
    return {static_cast<char>(0xEF), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
}

bool keptByteAt(const std::string& s, size_t i, unsigned char& b) {
    if (i + 3 > s.size() || static_cast<unsigned char>(s[i]) != 0xEF) return false;
    const auto second = static_cast<unsigned char>(s[i + 1]), third = static_cast<unsigned char>(s[i + 2]);
    if ((second != 0x9E && second != 0x9F) || (third & 0xC0) != 0x80) return false;
    b = static_cast<unsigned char>(((second & 0x01) << 6) | (third & 0x3F) | 0x80);
    return true;
}

}  // namespace codepage

namespace {

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

std::string cp932ToUtf8(const std::string& bytes) {
    std::string out;
    // Nearly every text is plain CP932 that is written back to the same bytes: one pass each way.
    if (codepage::decodeRun(bytes, out) && codepage::encodeRun(out) == bytes) return out;
    // Otherwise character by character: what would not come back unchanged keeps its bytes.
    out.clear();
    std::string unit, one;
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const size_t len = isLeadByte(b) && i + 1 < bytes.size() ? 2 : 1;
        unit.assign(bytes, i, len);
        if (codepage::decodeRun(unit, one)) {
            if (codepage::encodeRun(one) == unit) {
                out += one;
            } else {
                out += codepage::kKeptCharacterMark;
                for (char c : unit) {
                    if (static_cast<unsigned char>(c) >= 0x80)
                        out += codepage::keptByte(static_cast<unsigned char>(c));
                    else
                        out.push_back(c);   // a trail byte 40–7E is a character of its own
                }
            }
            i += len;
            continue;
        }
        // No character: this byte is kept, the next one may start a good character of its own.
        if (b >= 0x80)
            out += codepage::keptByte(b);
        else
            out.push_back(static_cast<char>(b));
        ++i;
    }
    return out;
}

namespace {

// The yen sign and the overline have no code of their own in CP932: they are the JIS forms of the
// bytes 5C and 7E, which a Japanese Windows shows as "¥" and "‾". A Japanese keyboard on Linux types
// the yen sign. Read back, the bytes are the backslash and the tilde.
size_t jisRomanAt(const std::string& s, size_t i, char& ascii) {
    if (s.compare(i, 2, "\xC2\xA5") == 0) {
        ascii = '\\';
        return 2;
    }
    if (s.compare(i, 3, "\xE2\x80\xBE") == 0) {
        ascii = '~';
        return 3;
    }
    return 0;
}

size_t utf8CharLength(const std::string& s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    for (size_t k = 1; k < n; ++k)
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// Calls `each(character, storable)` for every character of a UTF-8 text in turn; kept bytes and the
// marks before kept characters go back as they came and count as storable.
template <class Each>
void eachCharacter(const std::string& utf8, Each&& each) {
    unsigned char b = 0;
    char ascii = 0;
    for (size_t i = 0; i < utf8.size();) {
        bool storable = true;
        size_t n = 3;
        if (utf8.compare(i, 3, codepage::kKeptCharacterMark) != 0 && !codepage::keptByteAt(utf8, i, b) &&
            (n = jisRomanAt(utf8, i, ascii)) == 0) {
            n = utf8CharLength(utf8, i);
            storable = static_cast<unsigned char>(utf8[i]) < 0x80 || codepage::encodeRun(utf8.substr(i, n)) != "?";
        }
        each(utf8.substr(i, n), storable);
        i += n;
    }
}

// How a character that cannot be stored is named to the user: itself, or its code when it shows
// nothing on its own (controls, spaces and joiners, combining marks, variation selectors).
std::string nameOf(const std::string& character) {
    uint32_t cp = static_cast<unsigned char>(character[0]);
    if (character.size() > 1) {
        cp &= 0x3Fu >> (character.size() - 1);
        for (size_t k = 1; k < character.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
    } else if (cp >= 0x80) {
        return "\xEF\xBF\xBD";   // a byte that is no UTF-8
    }
    const bool invisible = cp <= 0xA0 || cp == 0xAD || (cp >= 0x300 && cp <= 0x36F) || (cp >= 0x2000 && cp <= 0x200F) ||
                           (cp >= 0x2028 && cp <= 0x202F) || (cp >= 0x205F && cp <= 0x206F) ||
                           (cp >= 0xFE00 && cp <= 0xFE0F) || cp == 0xFEFF || (cp >= 0xE0000 && cp <= 0xE01EF);
    if (!invisible) return character;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
    return code;
}

}  // namespace

std::string utf8ToCp932(const std::string& utf8) {
    std::string out, run;
    size_t i = 0;
    unsigned char b = 0;
    char ascii = 0;
    while (i < utf8.size()) {
        if (utf8.compare(i, 3, codepage::kKeptCharacterMark) == 0) {
            i += 3;   // the kept bytes that follow are the character
        } else if (codepage::keptByteAt(utf8, i, b)) {
            out += codepage::encodeRun(run);
            run.clear();
            out.push_back(static_cast<char>(b));
            i += 3;
        } else if (const size_t n = jisRomanAt(utf8, i, ascii)) {
            run.push_back(ascii);
            i += n;
        } else {
            run.push_back(utf8[i++]);
        }
    }
    return out.empty() ? codepage::encodeRun(run) : out + codepage::encodeRun(run);
}

std::vector<std::string> unstorableCharacters(const std::string& utf8) {
    std::vector<std::string> names;
    // Nearly every text holds none: its "?" are all its own.
    const std::string bytes = utf8ToCp932(utf8);
    if (std::count(utf8.begin(), utf8.end(), '?') == std::count(bytes.begin(), bytes.end(), '?')) return names;
    eachCharacter(utf8, [&](const std::string& c, bool storable) {
        if (storable) return;
        std::string name = nameOf(c);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    });
    return names;
}

std::string withUnstorableReplaced(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    eachCharacter(utf8, [&](const std::string& c, bool storable) { out += storable ? c : "?"; });
    return out;
}

std::string withKeptBytesShown(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    unsigned char b = 0, b2 = 0;
    for (size_t i = 0; i < utf8.size();) {
        std::string character;
        if (utf8.compare(i, 3, codepage::kKeptCharacterMark) == 0 && codepage::keptByteAt(utf8, i + 3, b) &&
            i + 6 < utf8.size()) {
            // The two bytes of the character: a lead byte, then a kept byte or a plain one.
            size_t trailLength = 1;
            if (codepage::keptByteAt(utf8, i + 6, b2))
                trailLength = 3;
            else
                b2 = static_cast<unsigned char>(utf8[i + 6]);
            // A plain trail byte is a character 40–7E of its own; any other byte starts a character.
            const bool trailFits = trailLength == 3 || (b2 >= 0x40 && b2 <= 0x7E);
            if (trailFits && codepage::decodeRun(std::string{static_cast<char>(b), static_cast<char>(b2)}, character)) {
                out += character;
                i += 6 + trailLength;
                continue;
            }
        }
        if (utf8.compare(i, 3, codepage::kKeptCharacterMark) == 0) {
            i += 3;
        } else if (codepage::keptByteAt(utf8, i, b)) {
            out.push_back('?');
            i += 3;
        } else {
            out.push_back(utf8[i++]);
        }
    }
    return out;
}

size_t utf8Length(const std::string& s) {
    size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
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
