// The shared log routine. A read opens the log denying other writers; a change opens it exclusively
// and keeps it so from its first read to its last write, and puts the new content in place in one
// step, so that the log on disk is always complete: the old content or the new one, whatever happens
// to this process or the disk meanwhile.
#include "messaging/sharedlog.h"

#include "app/damagedcopy.h"
#include "app/groval.h"
#include "messaging/doorbell.h"
#include "messaging/logcodec.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace tw {

namespace {

const std::string kBusyText = "ログ・ファイルアクセスが混雑しています";
const std::string kEmptyText = "ＬＯＧ履歴はありません";
const std::string kConfirmTitle = "確認";
const std::string kErrorTitle = "エラー";

// Sends that share sender, note and recipient are told apart by their send time; two of them within
// one tick of the clock get send times one second apart.
constexpr double kOneSecond = 1.0 / 86400.0;

// A read streams the log through a buffer of this size.
constexpr size_t kReadPiece = 64 * 1024;

// Keeps the bytes of `log` from `from` on in a new file beside the log and tells the user once where
// they are. Returns the error when the copy could not be made.
std::optional<FileError> keepDamagedTail(AppState& st, const std::string& log, size_t from) {
    std::string path;
    if (FileError e = keepDamagedCopy(sharedLogPath(st), log.substr(from), st.sys.clock->now(), path)) return e;
    st.sys.prompter->ask(kConfirmTitle,
                         "共有ログファイルの終わりの" + std::to_string(log.size() - from) +
                             "バイトは壊れていて読めません。\rその部分を\r" + path + "\rに残し、ログから取り除きます。",
                         Icon::Information, Buttons::Ok);
    return std::nullopt;
}

// One call of the log routine (SharedLogOperation): the open log, the retry window of a busy log and
// the failure message, which names the call by its kind. Every named call is one of these, reading
// or changing the log once.
class SharedLogOperation {
public:
    SharedLogOperation(AppState& st, LogKind kind) : st_(st), kind_(kind) {}

    // Streams the log through one small buffer and hands each complete record to `visit` while it is
    // fresh in the cache, so memory follows what the caller keeps. Before the first record `expect`
    // gets the first piece of the log and how many bytes the whole log holds (as far as the file can
    // tell), so that the caller can make room for what it keeps at once. False when the log cannot be
    // read (told) or is empty (told when `announceEmpty`).
    template <class Expect, class Visit>
    bool read(bool announceEmpty, Expect&& expect, Visit&& visit) {
        return guarded([&] { return readRecords(announceEmpty, expect, visit); });
    }

    // Reads the whole log under the exclusive open and lets `decide` (std::string_view of the complete
    // records → std::optional<std::string>) give the new content, or nothing to leave the log as it
    // is; the new content replaces the log in one step. `content` receives the log as the change left
    // it. False when the change failed (told).
    template <class Decide>
    bool change(std::string& content, Decide&& decide) {
        return guarded([&] { return changeRecords(content, decide); });
    }

private:
    // A log too large for the memory (a damaged or enormous file on the share) fails like any other
    // access: the message, and the program goes on.
    template <class Body>
    bool guarded(Body&& body) {
        try {
            return body();
        } catch (const std::bad_alloc&) {
            return fail(makeError(kErrOutOfMemory));
        } catch (const std::length_error&) {
            return fail(makeError(kErrOutOfMemory));
        }
    }

    template <class Expect, class Visit>
    bool readRecords(bool announceEmpty, Expect& expect, Visit& visit) {
        const std::string path = sharedLogPath(st_);
        if (auto e = run([&] { return file_.open(path, ShareMode::ReadDenyWrite); })) return fail(e);
        std::string buf(kReadPiece, '\0');
        size_t have = 0, total = 0;
        for (;;) {
            if (have == buf.size()) buf.resize(buf.size() * 2);   // one record longer than the buffer
            size_t got = 0;
            if (auto e = run([&] { return file_.read(buf.data() + have, buf.size() - have, got); })) return fail(e);
            if (got == 0) break;
            if (total == 0) expect(std::string_view(buf.data(), got), got < buf.size() ? got : lengthOr(got));
            have += got;
            total += got;
            const size_t used = scanLogRecordsFrom(std::string_view(buf.data(), have), 0, visit);
            // Keep the start of an unfinished record for the next piece.
            std::memmove(buf.data(), buf.data() + used, have - used);
            have -= used;
        }
        file_.close();
        if (total == 0) {
            if (announceEmpty) st_.sys.prompter->ask(kConfirmTitle, kEmptyText, Icon::Information, Buttons::Ok);
            return false;
        }
        // Bytes after the last complete record (a writer that was cut off, a damaged share) are no
        // record of anybody's: a read works on the complete ones; the next change removes the rest.
        return true;
    }

    template <class Decide>
    bool changeRecords(std::string& content, Decide& decide) {
        const std::string path = sharedLogPath(st_);
        if (auto e = run([&] { return file_.open(path, ShareMode::ReadWriteExclusive); })) return fail(e);
        std::string bytes;
        if (auto e = run([&] { return file_.readAll(bytes); })) return fail(e);
        // What follows the last complete record is kept in a copy beside the log, the user is told,
        // and the change goes on with the complete records; when the copy cannot be made the log is
        // left as it is.
        bool tailRemoved = false;
        if (const size_t good = scanLogRecordsFrom(bytes, 0, [](const LogEntryRef&) {}); good != bytes.size()) {
            if (auto e = keepDamagedTail(st_, bytes, good)) return fail(*e);
            bytes.resize(good);
            tailRemoved = true;
        }
        std::optional<std::string> next = decide(std::string_view(bytes));
        if (next || tailRemoved) {
            const std::string& out = next ? *next : bytes;
            if (auto e = run([&] { return file_.replaceContent(out); })) return fail(e);
        }
        file_.close();
        content = next ? std::move(*next) : std::move(bytes);
        return true;
    }

    // The length of the open log; `fallback` when the file cannot tell.
    size_t lengthOr(size_t fallback) {
        int64_t length = 0;
        if (file_.length(length) || length <= 0) return fallback;
        return static_cast<size_t>(length);
    }

    // Runs one file step; a log held by another computer is tried again silently until the retry
    // window of this call has passed, then the user is asked whether to go on waiting.
    FileError run(const std::function<FileError()>& step) { return retryWhileBusy(st_, busy_, kBusyText, step); }

    // Closes the log and shows the failure.
    bool fail(const FileError& e) {
        file_.close();
        const std::string text = "共有ログファイルにアクセスできません(ERR:" + std::to_string(e.number) + ")" + "\r" +
                                 logOperationCaption(kind_) + "に失敗しました" + "\r" + e.description;
        st_.sys.prompter->ask(kErrorTitle, text, Icon::Warning, Buttons::Ok);
        return false;
    }

    AppState& st_;
    LogKind kind_;
    BusyWait busy_;
    SharedFile file_;
};

// ---- reads ----

// How many records of a log of `logBytes` bytes `select` picks, as the log's first piece foretells
// it: exactly when that piece is the whole log, else in proportion with an eighth to spare, and never
// more than the log can hold.
template <class Select>
size_t foretoldSelection(std::string_view first, size_t logBytes, Select& select) {
    size_t picked = 0;
    const size_t used = scanLogRecordsFrom(first, 0, [&](const LogEntryRef& e) {
        if (select(e)) ++picked;
    });
    if (used == 0 || logBytes <= used) return picked;
    const double inProportion = static_cast<double>(picked) * static_cast<double>(logBytes) / static_cast<double>(used);
    const double most = static_cast<double>(logBytes / kLogRecordFixedBytes);
    return static_cast<size_t>(std::min(inProportion * 1.125 + 16, most));
}

// The records `select` picks, in log order; nothing when the read failed.
template <class Select>
std::optional<LogRecords> selectRecords(AppState& st, LogKind kind, bool announceEmpty, Select&& select) {
    LogRecords records;
    LogNameDecoder names;
    // Room for the selection at once, so that a large one is not moved again and again while it
    // grows. Only a hint: when the room cannot be had, the selection grows as it goes.
    auto expect = [&](std::string_view first, size_t logBytes) {
        try {
            records.reserve(foretoldSelection(first, logBytes, select));
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    };
    // Only the selected records become LogRecords.
    auto keep = [&](const LogEntryRef& e) {
        if (select(e)) fillLogRecord(e, names, records.emplace_back());
    };
    if (!SharedLogOperation(st, kind).read(announceEmpty, expect, keep)) return std::nullopt;
    return records;
}

// ---- changes ----

// The record a send write appends; `taken` holds the send times of the records in the log with the
// same sender, note and recipient.
LogRecord newSendRecord(AppState& st, int16_t noteId, int16_t recipientId, int16_t questionKind,
                        const std::unordered_set<double>& taken) {
    LogRecord r;
    r.SentAt = st.sys.clock->now();
    // Keep (sender, note, recipient, send time) unique: it is how the receive write finds the record.
    // At most one step per taken time, so this ends whatever the times are.
    for (size_t i = 0; i < taken.size() && taken.count(r.SentAt); ++i) r.SentAt += kOneSecond;
    r.SenderName = st.localConfig.MemberName;
    r.SenderId = st.CurrentMemberId;
    r.NoteId = noteId;
    r.RecipientName = MemberNameOf(st, recipientId);
    r.RecipientId = recipientId;
    r.QuestionKind = questionKind;   // QuestionCode of the send write
    return r;
}

std::string bytesOf(const LogRecord& r) {
    ByteWriter w;
    encode(w, r);
    return w.data();
}

// The log without the records `gone` picks, which are decoded into `removed`; nothing when it picks
// none. The records kept are copied byte for byte.
template <class Gone>
std::optional<std::string> withoutRecords(std::string_view log, Gone&& gone, LogRecords& removed) {
    std::string out;
    out.reserve(log.size());
    LogNameDecoder names;
    forEachLogRecord(log, [&](const LogEntryRef& e) {
        if (gone(e))
            fillLogRecord(e, names, removed.emplace_back());
        else
            out.append(log.data() + e.offset, e.size());
    });
    if (removed.empty()) return std::nullopt;
    return out;
}

// The members whose records a change wrote, marked or removed hear of it at once.
void ringFor(AppState& st, const SendWrite& c) { st.sys.logBell->logChanged(bellMembers({c.record}, st.CurrentMemberId)); }
void ringFor(AppState& st, const RecordsChange& c) {
    if (!c.records.empty()) st.sys.logBell->logChanged(bellMembers(c.records, st.CurrentMemberId));
}

// A change whose result is `T` (a LogChange): `decide` (the log, the result) gives the new content
// and fills in what the change names. The result is empty again when the change failed.
template <class T, class Decide>
T changed(AppState& st, LogKind kind, Decide&& decide) {
    T result;
    result.ok = SharedLogOperation(st, kind).change(result.content,
                                                    [&](std::string_view log) { return decide(log, result); });
    if (!result.ok) return T{};
    // Records removed after everybody received them are nobody's news.
    if (kind != LogKind::DeleteReceived) ringFor(st, result);
    return result;
}

// Removes this member's send records of note `noteId` that `gone` picks as well.
template <class Gone>
RecordsChange removeMySends(AppState& st, LogKind kind, int16_t noteId, Gone&& gone) {
    const int16_t me = st.CurrentMemberId;
    return changed<RecordsChange>(st, kind, [&](std::string_view log, RecordsChange& c) {
        return withoutRecords(
            log, [&](const LogEntryRef& e) { return e.senderId() == me && e.noteId() == noteId && gone(e); },
            c.records);
    });
}

// For each receipt the first record of its send that no earlier receipt took, in log order; with
// `waitingOnly` only a record not received yet.
std::vector<std::optional<LogEntryRef>> findReceipts(std::string_view log, int16_t me,
                                                     const std::vector<Receipt>& receipts, bool waitingOnly) {
    std::vector<std::optional<LogEntryRef>> hits(receipts.size());
    forEachLogRecord(log, [&](const LogEntryRef& e) {
        if (e.recipientId() != me || (waitingOnly && e.received())) return;
        for (size_t i = 0; i < receipts.size(); ++i) {
            const Receipt& r = receipts[i];
            if (!hits[i] && e.senderId() == r.senderId && e.noteId() == r.noteId && e.sentAt() == r.sentAt) {
                hits[i] = e;
                break;
            }
        }
    });
    return hits;
}

// Marks the sends of `receipts` received; the change names the records marked, as they now are.
// With `settle`, only sends still waiting are marked, once settle has had its say (writeReceiptsSettled);
// it may change the copy numbers in `receipts`, which are read after it.
RecordsChange markReceipts(AppState& st, LogKind kind, const std::vector<Receipt>& receipts,
                           const ReceiptSettle* settle = nullptr) {
    const int16_t me = st.CurrentMemberId;
    return changed<RecordsChange>(st, kind, [&](std::string_view log, RecordsChange& c) -> std::optional<std::string> {
        std::vector<std::optional<LogEntryRef>> hits = findReceipts(log, me, receipts, settle != nullptr);
        const auto none = [&] { return std::none_of(hits.begin(), hits.end(), [](const auto& h) { return h.has_value(); }); };
        if (none()) return std::nullopt;
        if (settle) {
            std::vector<bool> present(hits.size());
            for (size_t i = 0; i < hits.size(); ++i) present[i] = hits[i].has_value();
            if (!(*settle)(present)) return std::nullopt;
            for (size_t i = 0; i < hits.size(); ++i)
                if (!present[i]) hits[i].reset();
            if (none()) return std::nullopt;
        }
        std::string out(log);
        const double receivedAt = st.sys.clock->now();
        LogNameDecoder names;
        for (size_t i = 0; i < hits.size(); ++i) {
            if (!hits[i]) continue;
            storeF64(out, hits[i]->receivedAtAt(), receivedAt);
            storeI16(out, hits[i]->receivedNoteIdAt(), receipts[i].localCopyId);
            storeI16(out, hits[i]->answerCodeAt(), receipts[i].answerCode);   // QuestionCode of the receive write
        }
        for (const auto& h : hits) {
            if (!h) continue;
            // The record as it now is: the same place in the new bytes.
            LogEntryRef marked = *h;
            marked.p = reinterpret_cast<const unsigned char*>(out.data()) + marked.offset;
            fillLogRecord(marked, names, c.records.emplace_back());
        }
        return out;
    });
}

}  // namespace

// ---- the named calls ----

std::optional<LogRecords> readUnreceivedLog(AppState& st) {
    const int16_t me = st.CurrentMemberId;
    return selectRecords(st, LogKind::ReceiveTimer, false,
                         [me](const LogEntryRef& e) { return e.recipientId() == me && !e.received(); });
}

std::optional<LogRecords> readSendRecords(AppState& st, int16_t noteId, bool quiet) {
    const int16_t me = st.CurrentMemberId;
    return selectRecords(st, LogKind::StatusCheck, !quiet,
                         [me, noteId](const LogEntryRef& e) { return e.noteId() == noteId && e.senderId() == me; });
}

std::optional<LogRecords> readWholeLog(AppState& st) {
    return selectRecords(st, LogKind::FullCheck, true, [](const LogEntryRef&) { return true; });
}

std::optional<LogRecords> readMySendRecords(AppState& st, bool quiet) {
    const int16_t me = st.CurrentMemberId;
    return selectRecords(st, LogKind::MySends, !quiet, [me](const LogEntryRef& e) { return e.senderId() == me; });
}

std::optional<LogRecords> readCheckRecords(AppState& st) {
    const int16_t me = st.CurrentMemberId;
    return selectRecords(st, LogKind::CheckRead, false, [me](const LogEntryRef& e) {
        return e.senderId() == me || (e.recipientId() == me && !e.received());
    });
}

SendWrite writeSendRecord(AppState& st, int16_t noteId, int16_t recipientId, int16_t questionKind) {
    const int16_t me = st.CurrentMemberId;
    return changed<SendWrite>(st, LogKind::SendWrite, [&](std::string_view log, SendWrite& w) -> std::optional<std::string> {
        std::unordered_set<double> sameKey;   // send times of my sends of this note to this recipient
        forEachLogRecord(log, [&](const LogEntryRef& e) {
            if (e.senderId() == me && e.noteId() == noteId && e.recipientId() == recipientId) sameKey.insert(e.sentAt());
        });
        w.record = newSendRecord(st, noteId, recipientId, questionKind, sameKey);
        const std::string added = bytesOf(w.record);
        std::string out;
        out.reserve(log.size() + added.size());
        out = log;
        out += added;
        return out;
    });
}

RecordsChange writeSendRecords(AppState& st, int16_t noteId, const std::vector<int16_t>& recipients,
                               int16_t questionKind) {
    const int16_t me = st.CurrentMemberId;
    return changed<RecordsChange>(st, LogKind::SendGroup, [&](std::string_view log, RecordsChange& c) -> std::optional<std::string> {
        if (recipients.empty()) return std::nullopt;
        // Send times of my sends of this note, per recipient.
        std::unordered_map<int16_t, std::unordered_set<double>> sameKey;
        forEachLogRecord(log, [&](const LogEntryRef& e) {
            if (e.senderId() == me && e.noteId() == noteId) sameKey[e.recipientId()].insert(e.sentAt());
        });
        std::string out(log);
        for (int16_t to : recipients) {
            std::unordered_set<double>& taken = sameKey[to];
            c.records.push_back(newSendRecord(st, noteId, to, questionKind, taken));
            taken.insert(c.records.back().SentAt);
            out += bytesOf(c.records.back());
        }
        return out;
    });
}

ReceiptWrite writeReceipt(AppState& st, int16_t senderId, int16_t noteId, double sentAt, int16_t localCopyId,
                          int16_t answerCode) {
    RecordsChange c = markReceipts(st, LogKind::ReceiveWrite, {{senderId, noteId, sentAt, localCopyId, answerCode}});
    ReceiptWrite w;
    w.ok = c.ok;
    w.content = std::move(c.content);
    if (!c.records.empty()) w.marked = std::move(c.records.front());
    return w;
}

RecordsChange writeReceipts(AppState& st, const std::vector<Receipt>& receipts) {
    return markReceipts(st, LogKind::ReceiveGroup, receipts);
}

RecordsChange writeReceiptsSettled(AppState& st, std::vector<Receipt>& receipts, const ReceiptSettle& settle) {
    return markReceipts(st, LogKind::ReceiveGroup, receipts, &settle);
}

RecordsChange deleteReceivedSends(AppState& st, int16_t noteId) {
    return removeMySends(st, LogKind::DeleteReceived, noteId, [](const LogEntryRef& e) { return e.received(); });
}

RecordsChange deleteAllSends(AppState& st, int16_t noteId) {
    return removeMySends(st, LogKind::DeleteAll, noteId, [](const LogEntryRef&) { return true; });
}

RecordsChange deleteSendTo(AppState& st, int16_t noteId, int16_t recipientId) {
    return removeMySends(st, LogKind::DeleteOne, noteId,
                         [recipientId](const LogEntryRef& e) { return e.recipientId() == recipientId; });
}

RecordsChange takeBackSendRecords(AppState& st, int16_t noteId, const LogRecords& written) {
    return removeMySends(st, LogKind::TakeBack, noteId, [&written](const LogEntryRef& e) {
        for (const LogRecord& r : written)
            if (e.recipientId() == r.RecipientId && e.sentAt() == r.SentAt) return true;
        return false;
    });
}

RecordsChange cancelUnreceivedSends(AppState& st, int16_t noteId) {
    const int16_t me = st.CurrentMemberId;
    RecordsChange result = changed<RecordsChange>(st, LogKind::CancelUnreceived, [&](std::string_view log, RecordsChange& c) {
        std::optional<std::string> out = withoutRecords(
            log, [&](const LogEntryRef& e) { return e.senderId() == me && e.noteId() == noteId; }, c.records);
        // One of them is received: the cancel is refused and the log stays as it is.
        if (std::any_of(c.records.begin(), c.records.end(), [](const LogRecord& r) { return r.ReceivedAt != 0; }))
            out.reset();
        return out;
    });
    // A log that holds nothing at all is told, as the status check the user starts tells it; the note
    // stays sent. The box comes after the change, with the log closed again.
    if (result.ok && result.records.empty() && result.content.empty())
        st.sys.prompter->ask(kConfirmTitle, kEmptyText, Icon::Information, Buttons::Ok);
    return result;
}

LogRecords logRecordsOf(std::string_view content) {
    LogRecords records;
    LogNameDecoder names;
    forEachLogRecord(content, [&](const LogEntryRef& e) { fillLogRecord(e, names, records.emplace_back()); });
    return records;
}

std::string logOperationCaption(LogKind kind) {
    switch (kind) {
    case LogKind::ReceiveTimer: return "タイマー受信";
    case LogKind::StatusCheck: return "受信状況チェック";
    case LogKind::FullCheck: return "全体チェック";
    case LogKind::SendWrite: return "送信書込";
    case LogKind::ReceiveWrite: return "受信書込";
    case LogKind::DeleteReceived: return "送信用受信済の削除";
    case LogKind::DeleteAll:
    case LogKind::DeleteOne: return "送信用無確認削除";
    case LogKind::SendGroup: return "送信書込";
    case LogKind::TakeBack:
    case LogKind::CancelUnreceived: return "送信用無確認削除";
    case LogKind::MySends: return "受信状況チェック";
    case LogKind::CheckRead: return "タイマー受信";
    case LogKind::ReceiveGroup: return "受信書込";
    }
    return "";
}

std::string sharedLogPath(const AppState& st) { return joinPath(st.SharedPath, kLogFile); }

}  // namespace tw
