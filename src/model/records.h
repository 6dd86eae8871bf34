// The records of the shared folder's files and of the workstation file, and their byte codecs.
// Layouts are a contract with every other member's computer: little-endian, no padding, strings as a
// 16-bit byte count plus CP932 bytes, booleans as 16-bit 0 / -1 (any non-zero reads as true),
// date-times as day-count doubles. Texts are UTF-8 in memory; fields kept "as read" hold raw bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// ---- shared settings file GRPINLY.CFG ----

struct SharedConfig {
    int32_t VersionMajor = 0;
    double CreatedOn = 0;
    std::string Reserved1;        // raw bytes, written as read
    int32_t VersionMinor = 0;
    std::string Reserved2;        // raw bytes, written as read
    int16_t VersionRevision = 0;
    int32_t Reserved3 = 0;
    std::string Signature;        // "タックウィスプ"
};

struct UserEntry {
    std::string MemberName;
    int16_t MemberId = 0;
    std::string Reserved1;        // raw bytes
    std::string MemberPassword;   // raw bytes: the scrambled password exactly as stored
    std::string Reserved2;        // raw bytes
    std::array<int16_t, 3> Reserved3{};
};

// ---- local settings IDnnnnn.FCG ----

struct FontPreset {
    std::string FontName;
    int16_t FontSize = 0;   // whole points
    bool Bold = false;
    bool Italic = false;
};

struct LocalConfig {
    std::string MemberName;
    int16_t MemberId = 0;
    int16_t CautionLeadDays = 0;
    int16_t CautionLeadMinutes = 0;
    int16_t WarningLeadDays = 0;
    int16_t WarningLeadMinutes = 0;
    int16_t CheckInterval = 0;
    int16_t CheckUnit = 0;                 // 0 minutes, 1 hours, 2 seconds
    std::array<uint32_t, 5> BackColours{}; // 0x00BBGGRR, or 0x80000000 + system colour
    std::array<uint32_t, 5> TextColours{};
    std::array<FontPreset, 3> Fonts{};     // 0 small, 1 medium, 2 large
    int16_t TimerBase = 0;
    int16_t DefaultTextSize = 0;
    int16_t AutoSizeDefault = 0;
};

// The settings a first-time setup starts from (the environment dialog's design values).
LocalConfig defaultLocalConfig();

// ---- note data IDnnnnn.FDT ----

// The most notes a member has: NoteIds are 16-bit numbers equal to the index, and the program's own
// and other members' readers take no more than 32767 records from a note file.
constexpr int kMaxNotes = 32767;

enum NoteFlag : uint16_t {
    kFlagAutoSize = 1,
    kFlagTimerDialog = 2,
    kFlagTimerBlink = 4,
    kFlagLocked = 8,
    kFlagAlwaysFront = 16,
    kFlagAlwaysBack = 32,
    kFlagReversed = 64,
    kFlagTransparent = 128,
};

struct NotePeriod {
    double StartAt = 0;
    double EndAt = 0;
    bool UseTime = false;
    std::array<uint8_t, 4> Reserved{};
};

struct NotePartner {
    std::string PartnerName;
    double PartnerAt = 0;
};

struct NoteBackground {
    std::string PictureFile;
    uint32_t TextColor = 0;
    int16_t PictureMode = 0;
};

struct NoteRecord {
    double CreatedAt = 0;
    int16_t NoteId = 0;
    std::string Text;
    int16_t Top = 0;
    int16_t Left = 0;
    int16_t Width = 0;
    int16_t Height = 0;
    bool HasPeriod = false;
    bool IsSent = false;
    bool IsReceived = false;
    bool AllReceived = false;
    bool AutoDelete = false;
    bool IsPeeled = false;
    NotePeriod Period;
    NotePartner Partner;
    int16_t ShapeIndex = 0;
    int16_t TextSize = 0;
    NoteBackground Background;
    uint16_t Flags = 0;

    bool has(NoteFlag f) const { return (Flags & f) != 0; }
    void set(NoteFlag f, bool on) { Flags = on ? (Flags | f) : (Flags & ~static_cast<uint16_t>(f)); }
};

// ---- shared log GRPINLY.FLG ----

struct LogRecord {
    double SentAt = 0;
    std::string SenderName;
    int16_t SenderId = 0;
    int16_t NoteId = 0;
    double ReceivedAt = 0;        // 0 while not received
    std::string RecipientName;
    int16_t RecipientId = 0;
    int16_t ReceivedNoteId = 0;
    int16_t QuestionKind = 0;
    int16_t AnswerCode = 0;
};

// ---- byte codecs (the log record's is in messaging/logcodec.h) ----

// The longest text an edit may leave in a field, in CP932 bytes: other members' programs read the
// count as a signed 16-bit number. Fields read from a file keep whatever count they came with.
constexpr size_t kMaxFieldBytes = 32767;

class ByteWriter {
public:
    void i16(int16_t v);
    void u16(uint16_t v) { i16(static_cast<int16_t>(v)); }
    void i32(int32_t v);
    void u32(uint32_t v) { i32(static_cast<int32_t>(v)); }
    void f64(double v);
    void boolean(bool v) { i16(v ? -1 : 0); }
    void text(const std::string& utf8);     // converted to CP932
    void raw(const std::string& bytes);     // length-prefixed bytes as they are
    void bytes(const void* p, size_t n);
    const std::string& data() const { return buf_; }

private:
    std::string buf_;
};

// Reads from a byte string; any read past the end sets failed() and returns zero values, so a
// truncated record is detected once after decoding it.
class ByteReader {
public:
    explicit ByteReader(const std::string& data, size_t pos = 0) : d_(data), pos_(pos) {}
    int16_t i16();
    uint16_t u16() { return static_cast<uint16_t>(i16()); }
    int32_t i32();
    uint32_t u32() { return static_cast<uint32_t>(i32()); }
    double f64();
    bool boolean() { return i16() != 0; }
    std::string text();   // CP932 to UTF-8
    std::string raw();
    void bytes(void* p, size_t n);
    bool failed() const { return failed_; }
    // The bytes not read yet, and a step over n of them (past the end: failed()).
    std::string_view rest() const { return pos_ < d_.size() ? std::string_view(d_).substr(pos_) : std::string_view(); }
    void skip(size_t n) {
        if (take(n)) pos_ += n;
    }
    bool atEnd() const { return pos_ >= d_.size(); }
    size_t pos() const { return pos_; }

private:
    bool take(size_t n);
    const std::string& d_;
    size_t pos_;
    bool failed_ = false;
};

void encode(ByteWriter& w, const SharedConfig& r);
void encode(ByteWriter& w, const UserEntry& r);
void encode(ByteWriter& w, const LocalConfig& r);
void encode(ByteWriter& w, const NoteRecord& r);
// Each returns false (and leaves `r` unspecified) when the bytes end inside the record.
bool decode(ByteReader& rd, SharedConfig& r);
bool decode(ByteReader& rd, UserEntry& r);
bool decode(ByteReader& rd, LocalConfig& r);
bool decode(ByteReader& rd, NoteRecord& r);

}  // namespace tw
