// The shared log routine. A read opens the log denying other writers; a change opens it exclusively
// and keeps it so from its first read to its last write, and puts the new content in place in one
// step, so that the log on disk is always complete: the old content or the new one, whatever happens
// to this process or the disk meanwhile.
#include "messaging/sharedlog.h"

#include "app/groval.h"
#include "messaging/logcodec.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"

#include <algorithm>
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
    LogCall(AppState& st, int kind) : st_(st), kind_(kind) {}

    SharedFile file;

    // Runs one file step; a log held by another computer is tried again silently until the retry
    // window of this call has passed, then the user is asked whether to go on waiting.
    FileError run(const std::function<FileError()>& step) { return retryWhileBusy(st_, busy_, kBusyText, step); }

    // Closes the log, shows the failure and empties the selection.
    bool fail(const FileError& e) {
        file.close();
        st_.LogSelection.clear();
        if (st_.sys.prompter) {
            std::string text = "共有ログファイルにアクセスできません(ERR:" + std::to_string(e.number) + ")" + "\r" +
                               logOperationCaption(kind_) + "に失敗しました" + "\r" + e.description;
            st_.sys.prompter->ask(kErrorTitle, text, Icon::Warning, Buttons::Ok);
        }
        return false;
    }

private:
    AppState& st_;
    int kind_;
    BusyWait busy_;
};

double currentTime(AppState& st) {
    if (st.sys.clock) return st.sys.clock->now();
    SystemClock clock;
    return clock.now();
}

// Whether a read kind selects the record.
bool selected(const AppState& st, int kind, const LogEntryRef& e, int16_t c) {
    switch (kind) {
    case kLogReceiveTimer: return e.recipientId() == st.CurrentMemberId && !e.received();
    case kLogStatusCheck: return e.noteId() == c && e.senderId() == st.CurrentMemberId;
    default: return true;
    }
}

// Whether a delete kind removes the record.
bool removed(const AppState& st, int kind, const LogEntryRef& e, int16_t b, int16_t c) {
    if (e.senderId() != st.CurrentMemberId || e.noteId() != c) return false;
    switch (kind) {
    case kLogDeleteReceived: return e.received();
    case kLogDeleteAll: return true;
    case kLogDeleteOne: return e.recipientId() == b;
    default: return false;
    }
}

// The record a send write appends; `taken` holds the send times of the records in the log with the
// same sender, note and recipient.
std::string newSendRecord(AppState& st, int16_t a, int16_t b, const std::vector<double>& taken) {
    LogRecord r;
    r.SentAt = currentTime(st);
    // Keep (sender, note, recipient, send time) unique: it is how the receive write finds the record.
    // At most one step per taken time, so this ends whatever the times are.
    for (size_t i = 0; i < taken.size() && std::find(taken.begin(), taken.end(), r.SentAt) != taken.end(); ++i)
        r.SentAt += kOneSecond;
    r.SenderName = st.localConfig.MemberName;
    r.SenderId = st.CurrentMemberId;
    r.NoteId = a;
    r.RecipientName = MemberNameOf(st, b);
    r.RecipientId = b;
    r.QuestionKind = st.QuestionCode;
    ByteWriter w;
    encode(w, r);
    return w.data();
}

}  // namespace

std::string logOperationCaption(int kind) {
    switch (kind) {
    case kLogReceiveTimer: return "タイマー受信";
    case kLogStatusCheck: return "受信状況チェック";
    case kLogFullCheck: return "全体チェック";
    case kLogSendWrite: return "送信書込";
    case kLogReceiveWrite: return "受信書込";
    case kLogDeleteReceived: return "送信用受信済の削除";
    case kLogDeleteAll:
    case kLogDeleteOne: return "送信用無確認削除";
    default: return "";
    }
}

std::string sharedLogPath(const AppState& st) { return joinPath(st.SharedPath, kLogFile); }

bool SharedLogOperation(AppState& st, int kind, int16_t a, int16_t b, int16_t c, double sentAt) {
    st.LogSelection.clear();
    if (logOperationCaption(kind).empty()) return false;
    const bool change = kind >= kLogSendWrite;
    const std::string path = sharedLogPath(st);

    LogCall call(st, kind);
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
            if (selected(st, kind, e, c)) fillLogRecord(e, names, st.LogSelection.emplace_back());
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
            if (kind != kLogReceiveTimer && st.sys.prompter)
                st.sys.prompter->ask(kConfirmTitle, kEmptyText, Icon::Information, Buttons::Ok);
            return false;
        }
        if (have != 0) return call.fail(makeError(kErrPastEnd));
        return true;
    }

    std::string bytes;
    if (auto e = call.run([&] { return call.file.readAll(bytes); })) return call.fail(e);

    // A change reads the whole log first; one that does not decode to its end is left as it is.
    std::string out;
    bool changed = false;
    bool whole = true;
    if (kind == kLogSendWrite) {
        std::vector<double> sameKey;   // send times of my sends of this note to this recipient
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (e.senderId() == st.CurrentMemberId && e.noteId() == a && e.recipientId() == b)
                sameKey.push_back(e.sentAt());
        });
        if (whole) {
            std::string added = newSendRecord(st, a, b, sameKey);
            out.reserve(bytes.size() + added.size());
            out = bytes;
            out += added;
            changed = true;
        }
    } else if (kind == kLogReceiveWrite) {
        bool hit = false;
        LogEntryRef found;
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (!hit && e.senderId() == b && e.noteId() == a && e.recipientId() == st.CurrentMemberId &&
                e.sentAt() == sentAt) {
                found = e;
                hit = true;
            }
        });
        if (whole && hit) {
            out = bytes;
            storeF64(out, found.receivedAtAt(), currentTime(st));
            storeI16(out, found.receivedNoteIdAt(), c);
            storeI16(out, found.answerCodeAt(), st.QuestionCode);
            changed = true;
        }
    } else {
        out.reserve(bytes.size());
        whole = forEachLogRecord(bytes, [&](const LogEntryRef& e) {
            if (removed(st, kind, e, b, c))
                changed = true;
            else
                out.append(bytes, e.offset, e.size());
        });
    }
    if (!whole) return call.fail(makeError(kErrPastEnd));

    if (changed) {
        if (auto e = call.run([&] { return call.file.replaceContent(out); })) return call.fail(e);
    } else {
        out = std::move(bytes);
    }
    call.file.close();

    // The selection is the new content; its records are complete by construction.
    forEachLogRecord(out, [&](const LogEntryRef& e) { fillLogRecord(e, names, st.LogSelection.emplace_back()); });
    return true;
}

}  // namespace tw
