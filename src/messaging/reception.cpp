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

// The sends of `entries` whose notes are there to receive: plain notes and questionnaires. A sender
// whose file cannot be read is told once; its sends wait in the log.
void findSentNotes(AppState& st, const std::vector<LogRecord>& entries, std::vector<FoundSend>& plain,
                   std::vector<FoundSend>& questions) {
    std::map<int16_t, SenderFile> files;
    for (const LogRecord& entry : entries) {
        SenderFile& file = senderFile(st, files, entry.SenderId);
        NoteRecord sent;
        const SentNoteLookup found = lookUp(file, entry.NoteId, sent);
        if (found == SentNoteLookup::Failed && !file.told) {
            // One unreadable sender holds up nobody else's notes: told once, its sends wait.
            file.told = true;
            st.sys.prompter->ask(kErrorTitle, file.error.description, Icon::Warning, Buttons::Ok);
        }
        if (found != SentNoteLookup::Found) continue;
        (entry.QuestionKind == 1 || entry.QuestionKind == 2 ? questions : plain).push_back({&entry, std::move(sent)});
    }
}

// Receives plain notes: all receipts in one change of the log, then the copies. Returns how many were
// received; nothing when the log could not be written.
std::optional<int> receivePlainNotes(AppState& st, ReceptionHost& host, std::vector<FoundSend>& plain) {
    if (plain.empty()) return 0;
    // The room the table has left; what does not fit waits in the log.
    const size_t room = static_cast<size_t>(kMaxNotes) - std::min(st.NoteTable.size(), static_cast<size_t>(kMaxNotes));
    if (plain.size() > room) {
        st.sys.prompter->ask("確認", "付箋紙の数が上限に達しているため、受信できません", Icon::Information, Buttons::Ok);
        plain.resize(room);
    }
    if (plain.empty()) return 0;
    // The copies exist only once their receipts are there, so a failed write leaves no copy behind
    // and the sends come again, once. A plain note's answer code is 0.
    std::vector<Receipt> receipts;
    auto next = static_cast<int16_t>(st.NoteTable.size());
    for (const FoundSend& f : plain) receipts.push_back({f.entry->SenderId, f.entry->NoteId, f.entry->SentAt, next++, 0});
    const RecordsChange written = writeReceipts(st, receipts);
    if (!written) return std::nullopt;
    const LogRecords& marked = written.records;
    int received = 0;
    size_t m = 0;
    for (size_t i = 0; i < plain.size() && m < marked.size(); ++i) {
        const LogRecord& e = *plain[i].entry;
        // A send its sender took back meanwhile was not marked: no copy of it.
        if (marked[m].SenderId != e.SenderId || marked[m].NoteId != e.NoteId || marked[m].SentAt != e.SentAt)
            continue;
        ++m;
        const auto localId = static_cast<int16_t>(st.NoteTable.size());
        st.NoteTable.push_back(
            receivedCopy(plain[i].note, e, localId, st.sys.screen->widthTwips(), st.sys.screen->heightTwips()));
        host.openNoteWindow(localId);
        ++received;
    }
    return received;
}

// Receives questionnaires one by one: a Yes/No question is asked and its answer written with the
// receipt; an answer sheet goes to the host, and is received here (answer 0) only when the host says
// it took it. Stops at the first receipt the log refuses; returns how many were received.
int receiveQuestions(AppState& st, ReceptionHost& host, const std::vector<FoundSend>& questions) {
    int received = 0;
    for (const FoundSend& q : questions) {
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
            continue;
        }
        if (!writeReceipts(st, {{entry.SenderId, entry.NoteId, entry.SentAt, 0, answer}})) break;
        ++received;
    }
    return received;
}

// Receives the given sends to this member (in log order).
int receiveEntries(AppState& st, ReceptionHost& host, const std::vector<LogRecord>& entries) {
    std::vector<FoundSend> plain, questions;
    findSentNotes(st, entries, plain, questions);
    const std::optional<int> received = receivePlainNotes(st, host, plain);
    if (!received) return 0;
    return *received + receiveQuestions(st, host, questions);
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
