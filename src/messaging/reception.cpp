#include "messaging/reception.h"

#include "app/groval.h"
#include "messaging/answertext.h"
#include "messaging/sharedlog.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "platform/sharedfile.h"

#include <algorithm>
#include <map>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <unordered_map>

namespace tw {

namespace {

const std::string kErrorTitle = "エラー";

std::string trimSpaces(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The sender's note file as read once in this receive step, with its sent notes by NoteId (the
// first of each), decoded once for all the sends that point into it.
struct SenderFile {
    SentNoteLookup state = SentNoteLookup::NotThere;
    std::string bytes;
    FileError error;
    bool told = false;
    bool indexed = false;
    std::unordered_map<int16_t, NoteRecord> sent;
};

SenderFile readSenderFile(AppState& st, int16_t senderId) {
    SenderFile f;
    SharedFile file;
    // Denying writers while it is read: the sender's program replaces the file in one step, so a
    // read sees either the old or the new content.
    FileError e = file.open(joinPath(st.SharedPath, memberFileName(senderId, kKindNotes)), ShareMode::ReadDenyWrite);
    if (!e) e = file.readAll(f.bytes);
    file.close();
    if (!e) {
        f.state = SentNoteLookup::Found;
    } else if (e.number == kErrAccessDenied) {
        f.state = SentNoteLookup::Busy;
    } else if (e.number == kErrFileNotFound) {
        // A sender who has never saved: nothing to find yet.
        f.state = SentNoteLookup::NotThere;
    } else {
        f.state = SentNoteLookup::Failed;
        f.error = e;
    }
    return f;
}

// The sent records of a note file by NoteId. A file that ends inside a record is used as far as it
// is complete.
void indexSentNotes(SenderFile& f) {
    f.indexed = true;
    ByteReader rd(f.bytes);
    for (int n = 0; n < kMaxNotes && !rd.atEnd(); ++n) {
        NoteRecord r;
        if (!decode(rd, r)) break;
        if (r.IsSent) f.sent.try_emplace(r.NoteId, std::move(r));
    }
    std::string().swap(f.bytes);
}

SentNoteLookup lookUp(SenderFile& f, int16_t noteId, NoteRecord& out) {
    if (f.state != SentNoteLookup::Found) return f.state;
    if (!f.indexed) indexSentNotes(f);
    auto it = f.sent.find(noteId);
    if (it == f.sent.end()) return SentNoteLookup::NotThere;
    out = it->second;
    return SentNoteLookup::Found;
}

int16_t toI16(long long v) {
    return static_cast<int16_t>(std::clamp<long long>(v, INT16_MIN, INT16_MAX));
}

}  // namespace

SentNoteLookup findSentNote(AppState& st, int16_t senderId, int16_t noteId, NoteRecord& out, FileError& error) {
    SenderFile f = readSenderFile(st, senderId);
    error = f.error;
    return lookUp(f, noteId, out);
}

NoteRecord receivedCopy(const NoteRecord& sent, const LogRecord& entry, int16_t localId, int screenWidth,
                        int screenHeight) {
    NoteRecord c;
    c.CreatedAt = sent.CreatedAt;
    c.Text = sent.Text;
    c.ShapeIndex = sent.ShapeIndex;
    c.Flags = sent.Flags;
    c.Background = sent.Background;
    c.NoteId = localId;
    c.IsReceived = true;
    c.Partner.PartnerName = entry.SenderName;
    c.Partner.PartnerAt = entry.SentAt;

    // On this member's screen: moved up and left as far as needed, then no larger than the screen,
    // and never above or left of it (a note taller than the screen starts at its top).
    long long top = sent.Top, left = sent.Left;
    long long width = std::max<long long>(0, sent.Width), height = std::max<long long>(0, sent.Height);
    if (top + height > screenHeight) top = screenHeight - height;
    if (left + width > screenWidth) left = screenWidth - width;
    width = std::min<long long>(width, std::max(0, screenWidth));
    height = std::min<long long>(height, std::max(0, screenHeight));
    c.Top = toI16(std::max(0LL, top));
    c.Left = toI16(std::max(0LL, left));
    c.Width = toI16(width);
    c.Height = toI16(height);
    return c;
}

namespace {

SenderFile& senderFile(AppState& st, std::map<int16_t, SenderFile>& files, int16_t senderId) {
    auto it = files.find(senderId);
    if (it != files.end()) return it->second;
    try {
        return files.emplace(senderId, readSenderFile(st, senderId)).first->second;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    SenderFile failed;
    failed.state = SentNoteLookup::Failed;
    failed.error = makeError(kErrOutOfMemory);
    return files.insert_or_assign(senderId, std::move(failed)).first->second;
}

// A send to this member whose note was found in its sender's file.
struct FoundSend {
    const LogRecord* entry;
    NoteRecord note;
};

bool isQuestionnaire(const LogRecord& entry) { return entry.QuestionKind == 1 || entry.QuestionKind == 2; }

// The sends of `entries` whose notes are there to receive, in log order. A sender whose file cannot
// be read is told once; its sends wait in the log.
std::vector<FoundSend> findSentNotes(AppState& st, const std::vector<LogRecord>& entries) {
    std::vector<FoundSend> found;
    std::map<int16_t, SenderFile> files;
    for (const LogRecord& entry : entries) {
        SenderFile& file = senderFile(st, files, entry.SenderId);
        NoteRecord sent;
        const SentNoteLookup lookup = lookUp(file, entry.NoteId, sent);
        if (lookup == SentNoteLookup::Failed && !file.told) {
            // One unreadable sender holds up nobody else's notes: told once, its sends wait.
            file.told = true;
            st.sys.prompter->ask(kErrorTitle, file.error.description, Icon::Warning, Buttons::Ok);
        }
        if (lookup == SentNoteLookup::Found) found.push_back({&entry, std::move(sent)});
    }
    return found;
}

// The received copies of the note table by send time, to find the copy of a send whose receive was
// cut short after the copy had reached the note file and before its receipt reached the log.
class EarlierCopies {
public:
    explicit EarlierCopies(const std::vector<NoteRecord>& table) : table_(table) {
        for (size_t i = 0; i < table.size(); ++i)
            if (table[i].IsReceived) bySendTime_.emplace(table[i].Partner.PartnerAt, i);
    }

    // The copy of the send `f` not given to another send yet: a received note that keeps the send's
    // sender and send time (PartnerName, PartnerAt) and the sent note's creation time and text.
    std::optional<size_t> take(const FoundSend& f) {
        auto [from, to] = bySendTime_.equal_range(f.entry->SentAt);
        for (auto it = from; it != to; ++it) {
            const NoteRecord& c = table_[it->second];
            if (c.Partner.PartnerName == f.entry->SenderName && c.CreatedAt == f.note.CreatedAt && c.Text == f.note.Text) {
                const size_t index = it->second;
                bySendTime_.erase(it);
                return index;
            }
        }
        return std::nullopt;
    }

private:
    const std::vector<NoteRecord>& table_;
    std::unordered_multimap<double, size_t> bySendTime_;
};

// How one receive step went on with the plain notes.
struct PlainOutcome {
    std::vector<int16_t> made;           // copies new to the note table, for their windows
    bool full = false;                   // sends left waiting: the table has no room
    std::optional<FileError> notSaved;   // the note file could not be written: nothing received
};

// While the log is held: each send still waiting there gets its copy, either one that a receive cut
// short left in the note table or a new one at the end of it, and the new copies reach the member's
// note file (its one-step, flushed replace) before the log gets their receipts. So a receipt never
// names a copy that is not in the file, and a copy in the file without its receipt is found again
// by the next check instead of being made twice. False, with the new copies gone again, when the
// note file cannot be written.
bool placeCopies(AppState& st, std::span<const FoundSend> batch, std::vector<Receipt>& receipts,
                 std::vector<bool>& present, PlainOutcome& out) {
    const size_t before = st.NoteTable.size();
    const auto forget = [&] {
        st.NoteTable.resize(before);
        out.made.clear();
    };
    try {
        EarlierCopies earlier(st.NoteTable);
        for (size_t i = 0; i < batch.size(); ++i) {
            if (!present[i]) continue;   // taken back meanwhile: no copy, no number
            if (const std::optional<size_t> copy = earlier.take(batch[i])) {
                receipts[i].localCopyId = static_cast<int16_t>(*copy);
                continue;
            }
            if (st.NoteTable.size() >= static_cast<size_t>(kMaxNotes)) {
                present[i] = false;   // what does not fit waits in the log
                out.full = true;
                continue;
            }
            const auto localId = static_cast<int16_t>(st.NoteTable.size());
            st.NoteTable.push_back(receivedCopy(batch[i].note, *batch[i].entry, localId, st.sys.screen->widthTwips(),
                                                st.sys.screen->heightTwips()));
            receipts[i].localCopyId = localId;
            out.made.push_back(localId);
        }
        if (out.made.empty()) return true;
        out.notSaved = writeMemberFileSilently(st, kKindNotes);
    } catch (...) {
        forget();   // out of memory: the log change fails as a whole, without copies
        throw;
    }
    if (!*out.notSaved) {
        out.notSaved.reset();
        return true;
    }
    forget();
    return false;
}

// Receives plain notes that follow one another in the log, all in one change of the log. Returns how
// many were received; nothing when the note file or the log could not be written. A plain note's
// answer code is 0.
std::optional<int> receivePlainNotes(AppState& st, ReceptionHost& host, std::span<const FoundSend> batch,
                                     bool& toldFull) {
    std::vector<Receipt> receipts;
    for (const FoundSend& f : batch) receipts.push_back({f.entry->SenderId, f.entry->NoteId, f.entry->SentAt, 0, 0});
    PlainOutcome out;
    const RecordsChange written = writeReceiptsSettled(
        st, receipts, [&](std::vector<bool>& present) { return placeCopies(st, batch, receipts, present, out); });
    // A copy in the note file is the member's note even when its receipt could not follow (it is
    // written at the next check): its window opens.
    for (int16_t id : out.made) host.openNoteWindow(id);
    if (out.full && !toldFull) {
        toldFull = true;
        st.sys.prompter->ask("確認", "付箋紙の数が上限に達しているため、受信できません", Icon::Information, Buttons::Ok);
    }
    if (out.notSaved) {
        st.sys.prompter->ask(kErrorTitle, "付箋紙データファイルにアクセスできません\r" + out.notSaved->description,
                             Icon::Warning, Buttons::Ok);
        return std::nullopt;
    }
    if (!written) return std::nullopt;
    return static_cast<int>(written.records.size());
}

// Receives one questionnaire: a Yes/No question is asked and its answer written with the receipt; an
// answer sheet goes to the host, and is received here (answer 0) only when the host says it took it.
// Returns how many were received (0 or 1); nothing when the log refused the receipt.
std::optional<int> receiveQuestion(AppState& st, ReceptionHost& host, const FoundSend& q) {
    const LogRecord& entry = *q.entry;
    int16_t answer = 0;   // QuestionCode of the receipt
    if (entry.QuestionKind == 1) {
        const std::string text = trimSpaces(entry.SenderName) + "さんからアンケートです" + "\r" + q.note.Text;
        switch (st.sys.prompter->ask(kProductName + "(決議採択)", text, Icon::None, Buttons::YesNoCancel)) {
        case Answer::Yes: answer = 1; break;
        case Answer::No: answer = 2; break;
        default: answer = 3; break;
        }
    } else if (!host.openAnswerSheet(entry, q.note)) {
        return 0;
    }
    const RecordsChange written = writeReceipts(st, {{entry.SenderId, entry.NoteId, entry.SentAt, 0, answer}});
    if (!written) return std::nullopt;
    // The sender took the question back while it was shown: the answer went nowhere, and the member
    // is told so rather than left believing it was given.
    if (written.records.empty() && entry.QuestionKind == 1) {
        st.sys.prompter->ask("確認", kQuestionWithdrawnText, Icon::Information, Buttons::Ok);
        return 0;
    }
    return 1;
}

// Receives the given sends to this member in log order: plain notes that follow one another in one
// change of the log, each questionnaire in its place between them. Stops at the first write that
// fails; returns how many were received.
int receiveEntries(AppState& st, ReceptionHost& host, const std::vector<LogRecord>& entries) {
    const std::vector<FoundSend> found = findSentNotes(st, entries);
    const std::span<const FoundSend> all(found);
    int received = 0;
    bool toldFull = false;
    for (size_t i = 0; i < all.size();) {
        size_t plainEnd = i;
        while (plainEnd < all.size() && !isQuestionnaire(*all[plainEnd].entry)) ++plainEnd;
        const std::optional<int> n = plainEnd > i ? receivePlainNotes(st, host, all.subspan(i, plainEnd - i), toldFull)
                                                  : receiveQuestion(st, host, all[i]);
        if (!n) break;
        received += *n;
        i = plainEnd > i ? plainEnd : i + 1;
    }
    return received;
}

void followWith(AppState& st, std::vector<LogRecord> mySends, const std::vector<size_t>& followed) {
    std::unordered_map<int16_t, std::vector<LogRecord>> byNote;
    for (LogRecord& r : mySends) byNote[r.NoteId].push_back(std::move(r));

    for (size_t i : followed) {
        NoteRecord& note = st.NoteTable[i];
        note.Partner.PartnerName.clear();
        auto it = byNote.find(static_cast<int16_t>(i));
        // A note whose records were all deleted has nothing to follow: the next one is looked at.
        if (it == byNote.end()) continue;
        bool all = true;
        for (const LogRecord& r : it->second) {
            if (r.ReceivedAt == 0) {
                all = false;
                continue;
            }
            note.Partner.PartnerName = appendPartner(note.Partner.PartnerName, r.RecipientName, r.AnswerCode);
            if (r.ReceivedAt > note.Partner.PartnerAt) note.Partner.PartnerAt = r.ReceivedAt;
        }
        if (!all) continue;
        if (!deleteReceivedSends(st, static_cast<int16_t>(i))) return;
        note.AllReceived = true;
        note.IsPeeled = note.AutoDelete;
    }
}

std::vector<size_t> followedNotes(const AppState& st) {
    std::vector<size_t> followed;
    for (size_t i = 0; i < st.NoteTable.size(); ++i) {
        const NoteRecord& r = st.NoteTable[i];
        if (r.IsSent && !r.AllReceived && !r.IsPeeled) followed.push_back(i);
    }
    return followed;
}

}  // namespace

int receiveNotes(AppState& st, ReceptionHost& host) {
    const std::optional<LogRecords> entries = readUnreceivedLog(st);
    if (!entries) return 0;
    return receiveEntries(st, host, *entries);
}

int networkCheck(AppState& st, ReceptionHost& host) {
    // One read gives both what came for this member and the state of its own sends.
    std::optional<LogRecords> seen = readCheckRecords(st);
    if (!seen) return 0;
    std::vector<LogRecord> toMe, mySends;
    for (LogRecord& r : *seen) {
        const bool mine = r.SenderId == st.CurrentMemberId;
        if (r.RecipientId == st.CurrentMemberId && r.ReceivedAt == 0) {
            if (mine) mySends.push_back(r);
            toMe.push_back(std::move(r));
        } else {
            mySends.push_back(std::move(r));
        }
    }
    seen.reset();
    const int received = toMe.empty() ? 0 : receiveEntries(st, host, toMe);
    const std::vector<size_t> followed = followedNotes(st);
    if (followed.empty()) return received;
    // After a receipt (and the time a questionnaire box stayed open) the log is read again.
    if (received > 0) {
        followSentNotes(st);
        return received;
    }
    followWith(st, std::move(mySends), followed);
    return received;
}

void followSentNotes(AppState& st, bool byUser) {
    const std::vector<size_t> followed = followedNotes(st);
    if (followed.empty()) return;
    // One read of the log for all of them.
    std::optional<LogRecords> mine = readMySendRecords(st, !byUser);
    if (!mine) return;
    followWith(st, std::move(*mine), followed);
}

CancelResult cancelSend(AppState& st, int16_t noteId) {
    if (noteId < 0 || static_cast<size_t>(noteId) >= st.NoteTable.size()) return CancelResult::Failed;
    const RecordsChange cancel = cancelUnreceivedSends(st, noteId);
    if (!cancel) return CancelResult::Failed;
    const LogRecords& found = cancel.records;   // the note's records as the cancel found them
    if (found.empty()) return CancelResult::NoRecords;
    if (std::any_of(found.begin(), found.end(), [](const LogRecord& r) { return r.ReceivedAt != 0; })) {
        st.sys.prompter->ask("確認",
                             std::string("既に受信されているので「キャンセル」") + "はできません。" + "\r" +
                                 "「はがす」を行えば、残りの未受信者には送信されません。",
                             Icon::Information, Buttons::Ok);
        return CancelResult::AlreadyReceived;
    }
    st.NoteTable[static_cast<size_t>(noteId)].IsSent = false;
    return CancelResult::Cancelled;
}

}  // namespace tw
