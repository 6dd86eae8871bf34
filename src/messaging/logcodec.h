// Fast access to the records of the shared log: the numbers of every record are decoded in one pass,
// the two names stay as spans of the log bytes until a record is actually needed as a LogRecord.
// A change of the log copies the records it keeps byte for byte and patches the fields it changes in
// place, so nothing it does not touch is ever re-encoded.
#pragma once

#include "app/records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tw {

// Fixed bytes of a record besides its two names (28), plus the two 16-bit length prefixes.
constexpr size_t kLogRecordFixedBytes = 32;

struct LogEntryRef {
    size_t offset = 0;          // first byte of the record in the log
    size_t size = 0;            // 32 + a + b
    double SentAt = 0;
    int16_t SenderId = 0;
    int16_t NoteId = 0;
    double ReceivedAt = 0;
    int16_t RecipientId = 0;
    int16_t ReceivedNoteId = 0;
    int16_t QuestionKind = 0;
    int16_t AnswerCode = 0;
    uint16_t senderLen = 0;     // a: sender name bytes at offset + 10
    uint16_t recipientLen = 0;  // b: recipient name bytes at offset + 24 + a

    bool received() const { return ReceivedAt != 0; }
    size_t senderNameAt() const { return offset + 10; }
    size_t recipientNameAt() const { return offset + 24 + senderLen; }
    // Where the fields of a receive write lie, from the start of the log.
    size_t receivedAtAt() const { return offset + 14 + senderLen; }
    size_t receivedNoteIdAt() const { return offset + 26 + senderLen + recipientLen; }
    size_t answerCodeAt() const { return offset + 30 + senderLen + recipientLen; }
};

// Reads the records of `bytes` from the start to the end. Returns false when a record runs past the
// end (a truncated or damaged log); `out` then holds the complete records before it.
bool scanLogRecords(std::string_view bytes, std::vector<LogEntryRef>& out);

// CP932 names to UTF-8, remembering each distinct name: a log has thousands of records but only as
// many different names as there are members.
class LogNameDecoder {
public:
    std::string operator()(std::string_view cp932);

private:
    std::unordered_map<std::string, std::string> cache_;
};

LogRecord toLogRecord(std::string_view bytes, const LogEntryRef& e, LogNameDecoder& names);

// Little-endian stores into a byte string at a position (for patching a record in place).
void storeI16(std::string& bytes, size_t at, int16_t v);
void storeF64(std::string& bytes, size_t at, double v);

}  // namespace tw
