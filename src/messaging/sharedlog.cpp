// The shared log routine. A read opens the log denying other writers; a change opens it exclusively
// and keeps it so from its first read to its last write, and puts the new content in place in one
// step, so that the log on disk is always complete: the old content or the new one, whatever happens
// to this process or the disk meanwhile.
#include "messaging/sharedlog.h"

#include "app/damagedcopy.h"
#include "app/groval.h"
#include "messaging/logcodec.h"
#include "model/datetime.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>
#include <functional>
#include <cstring>
#include <string_view>

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

// One call of the log routine: its open file and the retry window of a busy log.
class LogCall {
public:
    LogCall(AppState& st, LogKind kind) : st_(st), kind_(kind) {}

    SharedFile file;

    // Runs one file step; a log held by another computer is tried again silently until the retry
    // window of this call has passed, then the user is asked whether to go on waiting.
    FileError run(const std::function<FileError()>& step) { return retryWhileBusy(st_, busy_, kBusyText, step); }

    // Closes the log, shows the failure and empties the selection (giving its memory back).
    bool fail(const FileError& e) {
        file.close();
        std::vector<LogRecord>().swap(st_.LogSelection);
        std::string text = "共有ログファイルにアクセスできません(ERR:" + std::to_string(e.number) + ")" + "\r" +
                           logOperationCaption(kind_) + "に失敗しました" + "\r" + e.description;
        st_.sys.prompter->ask(kErrorTitle, text, Icon::Warning, Buttons::Ok);
        return false;
    }

private:
    AppState& st_;
    LogKind kind_;
    BusyWait busy_;
};

double currentTime(AppState& st) { return st.sys.clock->now(); }

// Whether a read kind selects the record.
bool selected(const AppState& st, LogKind kind, const LogEntryRef& e, const LogTarget& t) {
    switch (kind) {
    case LogKind::ReceiveTimer: return e.recipientId() == st.CurrentMemberId && !e.received();
    case LogKind::StatusCheck: return e.noteId() == t.noteId && e.senderId() == st.CurrentMemberId;
    case LogKind::MySends: return e.senderId() == st.CurrentMemberId;
    case LogKind::CheckRead:
        return e.senderId() == st.CurrentMemberId || (e.recipientId() == st.CurrentMemberId && !e.received());
    default: return true;
    }
}

// Whether a delete kind removes the record.
bool removed(const AppState& st, LogKind kind, const LogEntryRef& e, const LogTarget& t) {
    if (e.senderId() != st.CurrentMemberId || e.noteId() != t.noteId) return false;
    switch (kind) {
    case LogKind::DeleteReceived: return e.received();
    case LogKind::DeleteAll: return true;
    case LogKind::DeleteOne: return e.recipientId() == t.recipientId;
    case LogKind::TakeBack:
        for (size_t i = 0; i < t.recipients.size() && i < t.sentTimes.size(); ++i)
            if (e.recipientId() == t.recipients[i] && e.sentAt() == t.sentTimes[i]) return true;
        return false;
    default: return false;
    }
}

// The record a send write appends; `taken` holds the send times of the records in the log with the
// same sender, note and recipient.
LogRecord newSendRecord(AppState& st, int16_t noteId, int16_t recipientId, const std::unordered_set<double>& taken) {
    LogRecord r;
    r.SentAt = currentTime(st);
    // Keep (sender, note, recipient, send time) unique: it is how the receive write finds the record.
    // At most one step per taken time, so this ends whatever the times are.
    for (size_t i = 0; i < taken.size() && taken.count(r.SentAt); ++i) r.SentAt += kOneSecond;
    r.SenderName = st.localConfig.MemberName;
    r.SenderId = st.CurrentMemberId;
    r.NoteId = noteId;
    r.RecipientName = MemberNameOf(st, recipientId);
    r.RecipientId = recipientId;
    r.QuestionKind = st.QuestionCode;
    return r;
}

std::string bytesOf(const LogRecord& r) {
    ByteWriter w;
    encode(w, r);
    return w.data();
}

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

}  // namespace

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

namespace {

bool runOperation(AppState& st, LogCall& call, LogKind kind, const LogTarget& t) {
    const bool change = kind >= LogKind::SendWrite && kind != LogKind::MySends && kind != LogKind::CheckRead;
    const std::string path = sharedLogPath(st);
    const ShareMode mode = change ? ShareMode::ReadWriteExclusive : ShareMode::ReadDenyWrite;
    if (auto e = call.run([&] { return call.file.open(path, mode); })) return call.fail(e);

    LogNameDecoder names;
    if (!change) {
        // A read streams the log through one small buffer, decoding each piece while it is fresh in
        // the cache; only the selected records become LogRecords, so memory follows the selection.
        // A log that does not decode to its end is reported, never half used.
        std::string buf(kReadPiece, '\0');
        size_t have = 0, total = 0;
        auto visit = [&](const LogEntryRef& e) {
            if (selected(st, kind, e, t)) fillLogRecord(e, names, st.LogSelection.emplace_back());
        };
        for (;;) {
            if (have == buf.size()) buf.resize(buf.size() * 2);   // one record longer than the buffer
            size_t got = 0;
            if (auto e = call.run([&] { return call.file.read(buf.data() + have, buf.size() - have, got); }))
                return call.fail(e);
            if (got == 0) break;
            have += got;
            total += got;
            size_t used = scanLogRecordsFrom(std::string_view(buf.data(), have), 0, visit);
            // Keep the start of an unfinished record for the next piece.
            std::memmove(buf.data(), buf.data() + used, have - used);
            have -= used;
        }
        call.file.close();
        if (total == 0) {
            if (kind != LogKind::ReceiveTimer && !t.quiet)
                st.sys.prompter->ask(kConfirmTitle, kEmptyText, Icon::Information, Buttons::Ok);
            return false;
        }
        // Bytes after the last complete record (a writer that was cut off, a damaged share) are no
        // record of anybody's: a read works on the complete ones; the next change removes the rest.
        return true;
    }

    std::string bytes;
    if (auto e = call.run([&] { return call.file.readAll(bytes); })) return call.fail(e);

    // A change reads the whole log first. What follows its last complete record is kept in a copy
    // beside it, the user is told, and the change goes on with the complete records; when the copy
    // cannot be made the log is left as it is.
    bool tailRemoved = false;
    if (const size_t good = scanLogRecordsFrom(bytes, 0, [](const LogEntryRef&) {}); good != bytes.size()) {
        if (auto e = keepDamagedTail(st, bytes, good)) return call.fail(*e);
        bytes.resize(good);
        tailRemoved = true;
    }
    std::string out;
    bool changed = tailRemoved;
    bool whole = true;
    std::vector<LogRecord> appended;   // SendGroup: the records appended
    std::vector<LogRecord> noteRecords;   // CancelUnreceived: the note's records as found
    if (kind == LogKind::SendWrite) {
        std::unordered_set<double> sameKey;   // send times of my sends of this note to this recipient
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (e.senderId() == st.CurrentMemberId && e.noteId() == t.noteId && e.recipientId() == t.recipientId)
                sameKey.insert(e.sentAt());
        });
        {
            std::string added = bytesOf(newSendRecord(st, t.noteId, t.recipientId, sameKey));
            out.reserve(bytes.size() + added.size());
            out = bytes;
            out += added;
            changed = true;
        }
    } else if (kind == LogKind::SendGroup) {
        // Send times of my sends of this note, per recipient.
        std::unordered_map<int16_t, std::unordered_set<double>> sameKey;
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (e.senderId() == st.CurrentMemberId && e.noteId() == t.noteId) sameKey[e.recipientId()].insert(e.sentAt());
        });
        out = bytes;
        for (int16_t to : t.recipients) {
            std::unordered_set<double>& taken = sameKey[to];
            appended.push_back(newSendRecord(st, t.noteId, to, taken));
            taken.insert(appended.back().SentAt);
            out += bytesOf(appended.back());
        }
        changed = !appended.empty();
    } else if (kind == LogKind::ReceiveGroup) {
        // Each receipt marks the first record of its send, as a single receipt write does.
        std::vector<std::optional<LogEntryRef>> hits(t.receipts.size());
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (e.recipientId() != st.CurrentMemberId) return;
            for (size_t i = 0; i < t.receipts.size(); ++i) {
                const Receipt& r = t.receipts[i];
                if (!hits[i] && e.senderId() == r.senderId && e.noteId() == r.noteId && e.sentAt() == r.sentAt) {
                    hits[i] = e;
                    break;
                }
            }
        });
        out = bytes;
        const double receivedAt = currentTime(st);
        for (size_t i = 0; i < hits.size(); ++i) {
            if (!hits[i]) continue;
            storeF64(out, hits[i]->receivedAtAt(), receivedAt);
            storeI16(out, hits[i]->receivedNoteIdAt(), t.receipts[i].localCopyId);
            storeI16(out, hits[i]->answerCodeAt(), st.QuestionCode);
            changed = true;
        }
        for (const auto& h : hits)
            if (h) {
                // The record as it now is: the same place in the new bytes.
                LogEntryRef marked = *h;
                marked.p = reinterpret_cast<const unsigned char*>(out.data()) + marked.offset;
                fillLogRecord(marked, names, appended.emplace_back());
            }
    } else if (kind == LogKind::CancelUnreceived) {
        bool anyReceived = false;
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (e.senderId() == st.CurrentMemberId && e.noteId() == t.noteId) {
                fillLogRecord(e, names, noteRecords.emplace_back());
                anyReceived = anyReceived || e.received();
            }
        });
        if (anyReceived || noteRecords.empty()) {
            out = bytes;
        } else {
            out.reserve(bytes.size());
            forEachLogRecord(bytes, [&](const LogEntryRef& e) {
                if (e.senderId() == st.CurrentMemberId && e.noteId() == t.noteId)
                    changed = true;
                else
                    out.append(bytes, e.offset, e.size());
            });
        }
    } else if (kind == LogKind::ReceiveWrite) {
        bool hit = false;
        LogEntryRef found;
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (!hit && e.senderId() == t.senderId && e.noteId() == t.noteId &&
                e.recipientId() == st.CurrentMemberId && e.sentAt() == t.sentAt) {
                found = e;
                hit = true;
            }
        });
        if (!hit) {
            out = bytes;
        } else {
            out = bytes;
            storeF64(out, found.receivedAtAt(), currentTime(st));
            storeI16(out, found.receivedNoteIdAt(), t.localCopyId);
            storeI16(out, found.answerCodeAt(), st.QuestionCode);
            changed = true;
        }
    } else {
        out.reserve(bytes.size());
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (removed(st, kind, e, t))
                changed = true;
            else
                out.append(bytes, e.offset, e.size());
        });
    }
    if (!whole) return call.fail(makeError(kErrPastEnd));   // the complete records were cut off meanwhile

    if (changed) {
        if (auto e = call.run([&] { return call.file.replaceContent(out); })) return call.fail(e);
    } else {
        out = std::move(bytes);
    }
    call.file.close();

    if (kind == LogKind::SendGroup || kind == LogKind::ReceiveGroup) {
        st.LogSelection = std::move(appended);
        return true;
    }
    if (kind == LogKind::CancelUnreceived) {
        st.LogSelection = std::move(noteRecords);
        return true;
    }
    // The selection is the new content; its records are complete by construction.
    forEachLogRecord(out, [&](const LogEntryRef& e) { fillLogRecord(e, names, st.LogSelection.emplace_back()); });
    return true;
}

}  // namespace

bool takeBackSendRecords(AppState& st, int16_t noteId, const std::vector<LogRecord>& written) {
    LogTarget t{.noteId = noteId};
    for (const LogRecord& r : written) {
        t.recipients.push_back(r.RecipientId);
        t.sentTimes.push_back(r.SentAt);
    }
    return SharedLogOperation(st, LogKind::TakeBack, t);
}

bool SharedLogOperation(AppState& st, LogKind kind, const LogTarget& t) {
    st.LogSelection.clear();
    if (logOperationCaption(kind).empty()) return false;
    LogCall call(st, kind);
    // A log too large for the memory (a damaged or enormous file on the share) fails like any other
    // access: the message, and the program goes on.
    try {
        return runOperation(st, call, kind, t);
    } catch (const std::bad_alloc&) {
        return call.fail(makeError(kErrOutOfMemory));
    } catch (const std::length_error&) {
        return call.fail(makeError(kErrOutOfMemory));
    }
}

}  // namespace tw
