// The byte layout of a shared-log record, 32 + a + b bytes, and fast access to the records of the log.
// This is the one description of the layout: every read of a record goes through LogEntryRef, and
// encode() writes the fields in the same order.
//   0 SentAt (date-time) | 8 SenderName (string, a bytes) | 10+a SenderId | 12+a NoteId |
//   14+a ReceivedAt (date-time, 0 while not received) | 22+a RecipientName (string, b bytes) |
//   24+a+b RecipientId | 26+a+b ReceivedNoteId | 28+a+b QuestionKind | 30+a+b AnswerCode
//
// Access is fast: A scan only follows the two name lengths from
// record to record; each field is read from the bytes when it is asked for, and the names become
// UTF-8 only when a record is needed as a LogRecord. A change of the log copies the records it keeps
// byte for byte and patches the fields it changes in place, so nothing it does not touch is ever
// re-encoded.
#pragma once

#include "model/records.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tw {

// Fixed bytes of a record besides its two names (28), plus the two 16-bit length prefixes.
constexpr size_t kLogRecordFixedBytes = 32;

// Fixed-width little-endian loads from the log bytes (single loads on a little-endian machine).
inline uint16_t loadLogU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline int16_t loadLogI16(const unsigned char* p) { return static_cast<int16_t>(loadLogU16(p)); }
inline double loadLogF64(const unsigned char* p) {
    uint64_t u;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&u, p, 8);
    } else {
        u = 0;
        for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    }
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

// One complete record inside the log bytes; valid while those bytes are.
struct LogEntryRef {
    const unsigned char* p = nullptr;   // first byte of the record
    size_t offset = 0;                  // ... counted from the start of the scanned bytes
    uint16_t senderLen = 0;             // a: sender name bytes at 10
    uint16_t recipientLen = 0;          // b: recipient name bytes at 24 + a

    size_t size() const { return kLogRecordFixedBytes + senderLen + recipientLen; }
    double sentAt() const { return loadLogF64(p); }
    int16_t senderId() const { return loadLogI16(p + 10 + senderLen); }
    int16_t noteId() const { return loadLogI16(p + 12 + senderLen); }
    double receivedAt() const { return loadLogF64(p + 14 + senderLen); }
    int16_t recipientId() const { return loadLogI16(p + 24 + senderLen + recipientLen); }
    int16_t receivedNoteId() const { return loadLogI16(p + 26 + senderLen + recipientLen); }
    int16_t questionKind() const { return loadLogI16(p + 28 + senderLen + recipientLen); }
    int16_t answerCode() const { return loadLogI16(p + 30 + senderLen + recipientLen); }
    bool received() const { return receivedAt() != 0; }

    std::string_view senderName() const { return {reinterpret_cast<const char*>(p) + 10, senderLen}; }
    std::string_view recipientName() const {
        return {reinterpret_cast<const char*>(p) + 24 + senderLen, recipientLen};
    }
    // Where the fields of a receive write lie, from the start of the scanned bytes.
    size_t receivedAtAt() const { return offset + 14 + senderLen; }
    size_t receivedNoteIdAt() const { return offset + 26 + senderLen + recipientLen; }
    size_t answerCodeAt() const { return offset + 30 + senderLen + recipientLen; }
};

// The record that starts at `pos` of `bytes`, when it is complete there (pos < bytes.size()).
inline bool logEntryAt(std::string_view bytes, size_t pos, LogEntryRef& e) {
    // Each check compares against what is left, so no sum can run over the end of the bytes.
    const size_t left = bytes.size() - pos;
    if (left < 10) return false;
    e.p = reinterpret_cast<const unsigned char*>(bytes.data()) + pos;
    e.offset = pos;
    e.senderLen = loadLogU16(e.p + 8);
    if (left < 24 + size_t{e.senderLen}) return false;
    e.recipientLen = loadLogU16(e.p + 22 + e.senderLen);
    return left >= e.size();
}

// Calls `visit(const LogEntryRef&)` for each complete record of `bytes` from `pos` on, and returns
// where the first incomplete record starts (bytes.size() when every record was complete). Lets a
// reader decode what has arrived while the rest of the log is still being read.
template <class Visit>
size_t scanLogRecordsFrom(std::string_view bytes, size_t pos, Visit&& visit) {
    LogEntryRef e;
    while (pos < bytes.size() && logEntryAt(bytes, pos, e)) {
        visit(e);
        pos += e.size();
    }
    return pos;
}

// Visits every record of `bytes`. Returns false when a record runs past the end (a truncated or
// damaged log); the records before it have been visited.
template <class Visit>
bool forEachLogRecord(std::string_view bytes, Visit&& visit) {
    return scanLogRecordsFrom(bytes, 0, visit) == bytes.size();
}

// One record written at the end of `w`, and one read at the reader's position: false (and the reader
// failed) when the bytes end inside the record.
void encode(ByteWriter& w, const LogRecord& r);
bool decode(ByteReader& rd, LogRecord& r);

// The same, collecting the records.
bool scanLogRecords(std::string_view bytes, std::vector<LogEntryRef>& out);

// CP932 names to UTF-8, remembering each distinct name: a log has thousands of records but only as
// many different names as there are members.
class LogNameDecoder {
public:
    // Puts the UTF-8 form of `cp932` into `out`.
    void decode(std::string_view cp932, std::string& out);
    std::string operator()(std::string_view cp932) {
        std::string s;
        decode(cp932, s);
        return s;
    }

private:
    struct Recent {
        std::string cp932, utf8;
    };
    std::vector<Recent> recent_;   // the first few names met, compared without hashing
    std::unordered_map<std::string, std::string> cache_;
};

// Fills `r` with the record `e`.
void fillLogRecord(const LogEntryRef& e, LogNameDecoder& names, LogRecord& r);
inline LogRecord toLogRecord(const LogEntryRef& e, LogNameDecoder& names) {
    LogRecord r;
    fillLogRecord(e, names, r);
    return r;
}

// Little-endian stores into a byte string at a position (for patching a record in place).
void storeI16(std::string& bytes, size_t at, int16_t v);
void storeF64(std::string& bytes, size_t at, double v);

}  // namespace tw
