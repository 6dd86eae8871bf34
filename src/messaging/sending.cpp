#include "messaging/sending.h"

#include "app/groval.h"
#include "messaging/sharedlog.h"

namespace tw {

std::vector<Recipient> possibleRecipients(const AppState& st) {
    std::vector<Recipient> out;
    for (const UserEntry& u : st.members)
        if (u.MemberId != st.CurrentMemberId) out.push_back({u.MemberName, u.MemberId});
    return out;
}

std::vector<Recipient> currentRecipients(AppState& st) {
    readMemberList(st);
    return possibleRecipients(st);
}

bool hasAnswerItems(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            ++i;   // the line feed after it
            continue;
        }
        return true;
    }
    return false;
}

void clickSendOption(SendOptions& o, int i, bool nowChecked, const std::string& noteText) {
    if (i < 0 || i > 2) return;
    const auto k = static_cast<size_t>(i);
    o.checked[k] = nowChecked;
    if (o.interlock) {
        for (size_t other = 0; other < 3; ++other) {
            if (other == k) continue;
            if (nowChecked) o.checked[other] = false;
            o.enabled[other] = !nowChecked;
        }
    }
    // The preview and the refusal of an answer sheet without items hold with or without the
    // interlock: the options being free does not make an empty sheet answerable.
    if (k == 2 && nowChecked) {
        // An answer sheet without a single item cannot be answered: it cannot be sent either.
        o.testEnabled = hasAnswerItems(noteText);
        if (!o.testEnabled) o.okEnabled = false;
    } else {
        o.testEnabled = false;
    }
}

int16_t questionKindOf(const SendOptions& o) {
    if (o.checked[2]) return 2;
    return o.checked[1] ? 1 : 0;
}

SendResult sendNote(AppState& st, int16_t noteId, const std::vector<int16_t>& recipients, int16_t questionKind,
                    bool autoDelete) {
    if (recipients.empty()) return SendResult::NobodyChosen;
    if (noteId < 0 || static_cast<size_t>(noteId) >= st.NoteTable.size()) return SendResult::Failed;
    const RecordsChange written = writeSendRecords(st, noteId, recipients, questionKind);
    if (!written) return SendResult::Failed;

    NoteRecord& note = st.NoteTable[static_cast<size_t>(noteId)];
    const bool wasSent = note.IsSent, wasAutoDelete = note.AutoDelete;
    note.IsSent = true;
    note.AutoDelete = autoDelete;
    if (AccessSharedFile(st, kModeWrite, kKindNotes)) return SendResult::Sent;

    // Recipients would look for the note in a file that does not say it is sent: take the records
    // back and leave the note as it was.
    note.IsSent = wasSent;
    note.AutoDelete = wasAutoDelete;
    takeBackSendRecords(st, noteId, written.records);
    return SendResult::Failed;
}

}  // namespace tw
