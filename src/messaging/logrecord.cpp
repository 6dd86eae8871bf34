// Writing and reading single shared-log records (the layout is described in logcodec.h).
#include "messaging/logcodec.h"

#include "platform/codepage.h"

#include <cstring>

namespace tw {

namespace {

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
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
    const std::string_view rest = rd.rest();
    LogEntryRef e;
    if (rd.failed() || rest.empty() || !logEntryAt(rest, 0, e)) {
        rd.skip(rest.size() + 1);   // marks the reader failed
        return false;
    }
    LogNameDecoder names;
    fillLogRecord(e, names, r);
    rd.skip(e.size());
    return true;
}

bool scanLogRecords(std::string_view bytes, std::vector<LogEntryRef>& out) {
    return forEachLogRecord(bytes, [&](const LogEntryRef& e) { out.push_back(e); });
}

void LogNameDecoder::decode(std::string_view cp932, std::string& out) {
    if (isAscii(cp932)) {
        out.assign(cp932);
        return;
    }
    for (const auto& r : recent_) {
        if (std::string_view(r.cp932) == cp932) {
            out = r.utf8;
            return;
        }
    }
    std::string key(cp932);
    if (recent_.size() < 16) {
        recent_.push_back({key, cp932ToUtf8(key)});
        out = recent_.back().utf8;
        return;
    }
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        out = cp932ToUtf8(key);
        // A damaged log could hold endless different names; the cache only pays for the few real ones.
        if (cache_.size() < 4096) cache_.emplace(std::move(key), out);
        return;
    }
    out = it->second;
}

void fillLogRecord(const LogEntryRef& e, LogNameDecoder& names, LogRecord& r) {
    r.SentAt = e.sentAt();
    names.decode(e.senderName(), r.SenderName);
    r.SenderId = e.senderId();
    r.NoteId = e.noteId();
    r.ReceivedAt = e.receivedAt();
    names.decode(e.recipientName(), r.RecipientName);
    r.RecipientId = e.recipientId();
    r.ReceivedNoteId = e.receivedNoteId();
    r.QuestionKind = e.questionKind();
    r.AnswerCode = e.answerCode();
}

void storeI16(std::string& bytes, size_t at, int16_t v) {
    auto u = static_cast<uint16_t>(v);
    bytes[at] = static_cast<char>(u & 0xFF);
    bytes[at + 1] = static_cast<char>(u >> 8);
}

void storeF64(std::string& bytes, size_t at, double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (size_t i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

}  // namespace tw
