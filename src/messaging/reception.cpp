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

// The sender's note file as read once in this receive step.
struct SenderFile {
    SentNoteLookup state = SentNoteLookup::NotThere;
    std::string bytes;
    FileError error;
    bool told = false;
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

// The first record of a note file with IsSent set and the given NoteId. A file that ends inside a
// record is searched as far as it is complete.
bool findInNoteFile(const std::string& bytes, int16_t noteId, NoteRecord& out) {
    ByteReader rd(bytes);
    for (int n = 0; n < kMaxNotes && !rd.atEnd(); ++n) {
        NoteRecord r;
        if (!decode(rd, r)) return false;
        if (r.IsSent && r.NoteId == noteId) {
            out = std::move(r);
            return true;
        }
    }
    return false;
}

SentNoteLookup lookUp(SenderFile& f, int16_t noteId, NoteRecord& out) {
    if (f.state != SentNoteLookup::Found) return f.state;
    return findInNoteFile(f.bytes, noteId, out) ? SentNoteLookup::Found : SentNoteLookup::NotThere;
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

int receiveNotes(AppState& st, ReceptionHost& host) {
    if (!readUnreceivedLog(st)) return 0;
    // Every receive write replaces the selection with the whole log: keep what was selected.
    const std::vector<LogRecord> entries = std::move(st.LogSelection);
    st.LogSelection.clear();
    std::map<int16_t, SenderFile> files;
    int received = 0;
    bool toldFull = false;
    for (const LogRecord& entry : entries) {
        auto it = files.find(entry.SenderId);
        if (it == files.end()) {
            try {
                it = files.emplace(entry.SenderId, readSenderFile(st, entry.SenderId)).first;
            } catch (const std::bad_alloc&) {
                it = files.emplace(entry.SenderId, SenderFile{SentNoteLookup::Failed, {}, makeError(kErrOutOfMemory)}).first;
            } catch (const std::length_error&) {
                it = files.emplace(entry.SenderId, SenderFile{SentNoteLookup::Failed, {}, makeError(kErrOutOfMemory)}).first;
            }
        }
        SenderFile& file = it->second;
        NoteRecord sent;
        const SentNoteLookup found = lookUp(file, entry.NoteId, sent);
        if (found == SentNoteLookup::Failed && !file.told) {
            // One unreadable sender holds up nobody else's notes: told once, its sends wait.
            file.told = true;
            st.sys.prompter->ask(kErrorTitle, file.error.description, Icon::Warning, Buttons::Ok);
        }
        if (found != SentNoteLookup::Found) continue;

        st.QuestionCode = 0;
        if (entry.QuestionKind == 1) {
            const std::string text = trimSpaces(entry.SenderName) + "さんからアンケートです" + "\r" + sent.Text;
            switch (st.sys.prompter->ask(kProductName + "(決議採択)", text, Icon::None, Buttons::YesNoCancel)) {
            case Answer::Yes: st.QuestionCode = 1; break;
            case Answer::No: st.QuestionCode = 2; break;
            default: st.QuestionCode = 3; break;
            }
            if (!writeReceipt(st, entry.SenderId, entry.NoteId, entry.SentAt, 0)) return received;
        } else if (entry.QuestionKind == 2) {
            if (!host.openAnswerSheet(entry, sent)) continue;
            if (!writeReceipt(st, entry.SenderId, entry.NoteId, entry.SentAt, 0)) return received;
        } else {
            if (st.NoteTable.size() >= static_cast<size_t>(kMaxNotes)) {
                if (!toldFull)
                    st.sys.prompter->ask("確認", "付箋紙の数が上限に達しているため、受信できません", Icon::Information,
                                         Buttons::Ok);
                toldFull = true;
                continue;
            }
            const auto localId = static_cast<int16_t>(st.NoteTable.size());
            NoteRecord copy = receivedCopy(sent, entry, localId, st.sys.screen->widthTwips(), st.sys.screen->heightTwips());
            // The copy exists only once its receipt is in the log: a failed write leaves no copy
            // behind, and the send is received again, once, at the next check.
            if (!writeReceipt(st, entry.SenderId, entry.NoteId, entry.SentAt, localId)) return received;
            st.NoteTable.push_back(std::move(copy));
            host.openNoteWindow(localId);
        }
        ++received;
    }
    return received;
}

void followSentNotes(AppState& st, bool byUser) {
    std::vector<size_t> followed;
    for (size_t i = 0; i < st.NoteTable.size(); ++i) {
        const NoteRecord& r = st.NoteTable[i];
        if (r.IsSent && !r.AllReceived && !r.IsPeeled) followed.push_back(i);
    }
    if (followed.empty()) return;
    // One read of the log for all of them.
    if (!readMySendRecords(st, !byUser)) return;
    std::unordered_map<int16_t, std::vector<LogRecord>> byNote;
    for (LogRecord& r : st.LogSelection) byNote[r.NoteId].push_back(std::move(r));
    st.LogSelection.clear();

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

CancelResult cancelSend(AppState& st, int16_t noteId) {
    if (noteId < 0 || static_cast<size_t>(noteId) >= st.NoteTable.size()) return CancelResult::Failed;
    if (!cancelUnreceivedSends(st, noteId)) return CancelResult::Failed;
    const std::vector<LogRecord> found = std::move(st.LogSelection);
    st.LogSelection.clear();
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
