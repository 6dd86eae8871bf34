// What the fuzz targets share: a member's surroundings that never ask anybody, one scratch folder
// per process, whole-file helpers, and an independent walk over the record layouts that tells what a
// file must read as and what the program must write back.
//
// The walk is a second description of the layouts (little-endian, strings as a 16-bit byte count
// plus bytes, booleans as 16-bit 0 / -1 where any non-zero reads as true), written from the layout
// notes in model/records.h and messaging/logcodec.h and not from the codecs: a target compares what
// the program did with what the walk says, so a mistake in either shows.
#pragma once

#include "model/datetime.h"
#include "model/records.h"
#include "model/state.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/settingsstore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tw::fuzz {

// Ends the run with the reason; libFuzzer keeps the input that got here as a crash.
[[noreturn]] inline void failCheck(const char* what, const char* file, int line) {
    std::fprintf(stderr, "\nFUZZ CHECK FAILED at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond)                                                     \
    do {                                                                     \
        if (!(cond)) ::tw::fuzz::failCheck(#cond, __FILE__, __LINE__);       \
    } while (0)

// Declines every box as the tools do, and counts them: a failed read must have told the user.
class CountingPrompter : public DecliningPrompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override {
        ++shown;
        return DecliningPrompter::ask(title, text, icon, buttons);
    }
    int shown = 0;
};

// The clock stands still at 2024-05-01 10:00:00.
class FixedClock : public Clock {
public:
    double now() override { return t; }
    double t = makeDateTime(2024, 5, 1, 10, 0, 0);
};

// One member (number 1) in `folder`: services that never ask, no busy-file wait.
struct Member {
    CountingPrompter prompter;
    FixedClock clock;
    FixedScreen screen;
    EmptySettingsStore legacyStore;
    AppState st;

    explicit Member(const std::string& folder) : st(services()) {
        st.SharedPath = folder;
        st.CurrentMemberId = 1;
    }

private:
    Services services() {
        Services s{prompter, clock, screen, legacyStore};
        s.retrySeconds = 0;
        s.retryPauseMs = 0;
        return s;
    }
};

// A folder of this process in the system's temporary folder (TMPDIR), made on first use and removed
// at the end of the process. Each run writes its input file anew.
inline const std::string& scratchFolder() {
    struct Folder {
        std::filesystem::path path;
        Folder() {
            auto base = std::filesystem::temp_directory_path();
            for (int i = 0;; ++i) {
                auto p = base / ("tackwisp-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(i));
                if (std::filesystem::create_directory(p)) {
                    path = p;
                    break;
                }
            }
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static Folder folder;
    static const std::string text = folder.path.string();
    return text;
}

// The scratch folder emptied of whatever an earlier run left in it (copies of damaged files among
// them), so that every run starts from the same folder.
inline const std::string& emptyScratchFolder() {
    const std::string& folder = scratchFolder();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove_all(entry.path(), ec);
    return folder;
}

// The names in the scratch folder that start with `prefix`; but the lock folders "<name>.~lock",
// which stay beside the files they guard.
inline std::vector<std::string> scratchFilesStartingWith(const std::string& prefix) {
    const std::string lockSuffix = ".~lock";
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(scratchFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        const bool lockFolder = name.size() > lockSuffix.size() &&
                                name.compare(name.size() - lockSuffix.size(), lockSuffix.size(), lockSuffix) == 0;
        if (!lockFolder && name.compare(0, prefix.size(), prefix) == 0) out.push_back(name);
    }
    return out;
}

inline void writeFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    FUZZ_CHECK(f.good());
}

inline std::string readFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    FUZZ_CHECK(f.good());
    std::string bytes(static_cast<size_t>(f.tellg()), '\0');
    f.seekg(0);
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(f.good() || bytes.empty());
    return bytes;
}

// Reads fields off the bytes in layout order and collects what the program writes back for them:
// every byte as it is, except booleans, which go back as 0 or -1. After a field ran past the end,
// ok() is false and every later field reads as zero.
class LayoutWalk {
public:
    explicit LayoutWalk(std::string_view bytes, size_t pos = 0) : b_(bytes), pos_(pos) {}

    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint16_t u16() {
        if (!take(2)) return 0;
        auto v = static_cast<uint16_t>(byte(pos_) | (byte(pos_ + 1) << 8));
        copy(2);
        return v;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint32_t u32() {
        if (!take(4)) return 0;
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | byte(pos_ + static_cast<size_t>(i));
        copy(4);
        return v;
    }
    double f64() {
        if (!take(8)) return 0;
        uint64_t u = 0;
        for (int i = 7; i >= 0; --i) u = (u << 8) | byte(pos_ + static_cast<size_t>(i));
        copy(8);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    void fixed(size_t n) {
        if (take(n)) copy(n);
    }
    // A string: its bytes, exactly as stored (the program keeps every byte of a text).
    std::string_view str() {
        const size_t n = u16();
        if (!take(n)) return {};
        std::string_view s = b_.substr(pos_, n);
        copy(n);
        return s;
    }
    // A boolean: true for any non-zero value; goes back as -1 or 0.
    bool flag() {
        if (!take(2)) return false;
        const bool v = byte(pos_) != 0 || byte(pos_ + 1) != 0;
        pos_ += 2;
        out_.append(v ? "\xFF\xFF" : std::string(2, '\0'));
        return v;
    }

    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ >= b_.size(); }
    size_t pos() const { return pos_; }
    // What the program writes back for the fields walked so far.
    const std::string& canonical() const { return out_; }

private:
    unsigned byte(size_t i) const { return static_cast<unsigned char>(b_[i]); }
    bool take(size_t n) {
        if (!ok_ || b_.size() - pos_ < n) ok_ = false;
        return ok_;
    }
    void copy(size_t n) {
        out_.append(b_.substr(pos_, n));
        pos_ += n;
    }

    std::string_view b_;
    size_t pos_;
    bool ok_ = true;
    std::string out_;
};

// ---- the records, field by field (model/records.h) ----

struct SharedHeaderFields {
    int32_t versionMajor = 0;
    std::string_view signature;
};

inline SharedHeaderFields walkSharedHeader(LayoutWalk& w) {
    SharedHeaderFields h;
    h.versionMajor = w.i32();
    w.f64();   // CreatedOn
    w.str();   // Reserved1
    w.i32();   // VersionMinor
    w.str();   // Reserved2
    w.i16();   // VersionRevision
    w.i32();   // Reserved3
    h.signature = w.str();
    return h;
}

struct UserEntryFields {
    std::string_view name;
    int16_t memberId = 0;
};

inline UserEntryFields walkUserEntry(LayoutWalk& w) {
    UserEntryFields u;
    u.name = w.str();
    u.memberId = w.i16();
    w.str();   // Reserved1
    w.str();   // MemberPassword
    w.str();   // Reserved2
    for (int i = 0; i < 3; ++i) w.i16();
    return u;
}

inline void walkLocalConfig(LayoutWalk& w) {
    w.str();                                // MemberName
    for (int i = 0; i < 7; ++i) w.i16();    // MemberId, the lead times, CheckInterval, CheckUnit
    for (int i = 0; i < 10; ++i) w.u32();   // back and text colours
    for (int i = 0; i < 3; ++i) {           // font presets
        w.str();
        w.i16();
        w.flag();
        w.flag();
    }
    for (int i = 0; i < 3; ++i) w.i16();    // TimerBase, DefaultTextSize, AutoSizeDefault
}

struct NoteFields {
    bool isSent = false, allReceived = false, isPeeled = false;
};

inline NoteFields walkNote(LayoutWalk& w) {
    NoteFields n;
    w.f64();                               // CreatedAt
    w.i16();                               // NoteId
    w.str();                               // Text
    for (int i = 0; i < 4; ++i) w.i16();   // Top, Left, Width, Height
    w.flag();                              // HasPeriod
    n.isSent = w.flag();
    w.flag();                              // IsReceived
    n.allReceived = w.flag();
    w.flag();                              // AutoDelete
    n.isPeeled = w.flag();
    w.f64();                               // Period.StartAt
    w.f64();                               // Period.EndAt
    w.flag();                              // Period.UseTime
    w.fixed(4);                            // Period.Reserved
    w.str();                               // Partner.PartnerName
    w.f64();                               // Partner.PartnerAt
    w.i16();                               // ShapeIndex
    w.i16();                               // TextSize
    w.str();                               // Background.PictureFile
    w.u32();                               // Background.TextColor
    w.i16();                               // Background.PictureMode
    w.u16();                               // Flags
    return n;
}

// ---- the shared log's record (messaging/logcodec.h), 32 + a + b bytes ----

struct LogFields {
    size_t offset = 0, size = 0;
    double sentAt = 0;
    std::string_view senderName;
    int16_t senderId = 0, noteId = 0;
    double receivedAt = 0;
    std::string_view recipientName;
    int16_t recipientId = 0, receivedNoteId = 0, questionKind = 0, answerCode = 0;
};

// One record from `pos`; false when the bytes end inside it.
inline bool walkLogRecord(std::string_view bytes, size_t pos, LogFields& r) {
    LayoutWalk w(bytes, pos);
    r.offset = pos;
    r.sentAt = w.f64();
    r.senderName = w.str();
    r.senderId = w.i16();
    r.noteId = w.i16();
    r.receivedAt = w.f64();
    r.recipientName = w.str();
    r.recipientId = w.i16();
    r.receivedNoteId = w.i16();
    r.questionKind = w.i16();
    r.answerCode = w.i16();
    r.size = w.pos() - pos;
    return w.ok();
}

// Every record of a log; `whole` is false when the last one runs past the end.
struct LogWalk {
    std::vector<LogFields> records;
    bool whole = true;
};

inline LogWalk walkLog(std::string_view bytes) {
    LogWalk out;
    for (size_t pos = 0; pos < bytes.size();) {
        LogFields r;
        if (!walkLogRecord(bytes, pos, r)) {
            out.whole = false;
            break;
        }
        out.records.push_back(r);
        pos += r.size;
    }
    return out;
}

// The bits of a double, so that NaNs and signed zeros compare as stored.
inline uint64_t bitsOf(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    return u;
}

}  // namespace tw::fuzz
