// The byte layout of a shared-log record (32 + a + b bytes):
//   0 SentAt (date-time) | 8 SenderName (string, a bytes) | 10+a SenderId | 12+a NoteId |
//   14+a ReceivedAt (date-time, 0 while not received) | 22+a RecipientName (string, b bytes) |
//   24+a+b RecipientId | 26+a+b ReceivedNoteId | 28+a+b QuestionKind | 30+a+b AnswerCode
#include "messaging/logcodec.h"

#include "platform/codepage.h"

#include <cstring>

namespace tw {

namespace {

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// The one-byte range of CP932 is ASCII, so a name without high bytes is already its UTF-8 form.
std::string nameToUtf8(std::string_view cp932) {
    if (isAscii(cp932)) return std::string(cp932);
    return cp932ToUtf8(std::string(cp932));
}

int16_t loadI16(const unsigned char* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }
uint16_t loadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

double loadF64(const unsigned char* p) {
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

}  // namespace

void encode(ByteWriter& w, const LogRecord& r) {
    w.f64(r.SentAt);
    w.text(r.SenderName);
    w.i16(r.SenderId);
    w.i16(r.NoteId);
    w.f64(r.ReceivedAt);
    w.text(r.RecipientName);
    w.i16(r.RecipientId);
    w.i16(r.ReceivedNoteId);
    w.i16(r.QuestionKind);
    w.i16(r.AnswerCode);
}

bool decode(ByteReader& rd, LogRecord& r) {
    r.SentAt = rd.f64();
    r.SenderName = nameToUtf8(rd.raw());
    r.SenderId = rd.i16();
    r.NoteId = rd.i16();
    r.ReceivedAt = rd.f64();
    r.RecipientName = nameToUtf8(rd.raw());
    r.RecipientId = rd.i16();
    r.ReceivedNoteId = rd.i16();
    r.QuestionKind = rd.i16();
    r.AnswerCode = rd.i16();
    return !rd.failed();
}

bool scanLogRecords(std::string_view bytes, std::vector<LogEntryRef>& out) {
    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    size_t pos = 0;
    while (pos < size) {
        // Each check compares against what is left, so no sum can run over the end of the bytes.
        size_t left = size - pos;
        if (left < 10) return false;
        const unsigned char* p = base + pos;
        LogEntryRef e;
        e.offset = pos;
        e.senderLen = loadU16(p + 8);
        size_t a = e.senderLen;
        if (left < 24 + a) return false;
        e.recipientLen = loadU16(p + 22 + a);
        size_t b = e.recipientLen;
        if (left < kLogRecordFixedBytes + a + b) return false;
        e.size = kLogRecordFixedBytes + a + b;
        e.SentAt = loadF64(p);
        e.SenderId = loadI16(p + 10 + a);
        e.NoteId = loadI16(p + 12 + a);
        e.ReceivedAt = loadF64(p + 14 + a);
        e.RecipientId = loadI16(p + 24 + a + b);
        e.ReceivedNoteId = loadI16(p + 26 + a + b);
        e.QuestionKind = loadI16(p + 28 + a + b);
        e.AnswerCode = loadI16(p + 30 + a + b);
        out.push_back(e);
        pos += e.size;
    }
    return true;
}

std::string LogNameDecoder::operator()(std::string_view cp932) {
    if (isAscii(cp932)) return std::string(cp932);
    std::string key(cp932);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    std::string utf8 = cp932ToUtf8(key);
    // A damaged log could hold endless different names; the cache only pays for the few real ones.
    if (cache_.size() < 4096) cache_.emplace(std::move(key), utf8);
    return utf8;
}

LogRecord toLogRecord(std::string_view bytes, const LogEntryRef& e, LogNameDecoder& names) {
    LogRecord r;
    r.SentAt = e.SentAt;
    r.SenderName = names(bytes.substr(e.senderNameAt(), e.senderLen));
    r.SenderId = e.SenderId;
    r.NoteId = e.NoteId;
    r.ReceivedAt = e.ReceivedAt;
    r.RecipientName = names(bytes.substr(e.recipientNameAt(), e.recipientLen));
    r.RecipientId = e.RecipientId;
    r.ReceivedNoteId = e.ReceivedNoteId;
    r.QuestionKind = e.QuestionKind;
    r.AnswerCode = e.AnswerCode;
    return r;
}

void storeI16(std::string& bytes, size_t at, int16_t v) {
    auto u = static_cast<uint16_t>(v);
    bytes[at] = static_cast<char>(u & 0xFF);
    bytes[at + 1] = static_cast<char>(u >> 8);
}

void storeF64(std::string& bytes, size_t at, double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

}  // namespace tw
