// Sending a note: who can receive it, the three send options and the send itself. The send page of
// the note-settings dialog shows these and applies what they decide.
#pragma once

#include "model/state.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct Recipient {
    std::string name;
    int16_t id = 0;
};

// Every member of the member list but the current member, in the order of the list.
std::vector<Recipient> possibleRecipients(const AppState& st);
// The same after the member list has been read again from the shared settings (readMemberList), so
// that members who joined since the start can be chosen; the list known when the read fails.
std::vector<Recipient> currentRecipients(AppState& st);

// Whether a note text gives at least one answer item (a line that is not empty). Lines end at a
// carriage return, whose next character (the line feed) belongs to no line.
bool hasAnswerItems(const std::string& text);

// The options of a send: 0 auto-delete once all have received, 1 Yes/No questionnaire, 2 answer
// sheet. While `interlock` is on at most one can be chosen.
struct SendOptions {
    std::array<bool, 3> checked{};
    std::array<bool, 3> enabled{true, true, true};
    bool interlock = true;     // isAutodelPinly
    bool testEnabled = false;  // "テスト": previews the answer sheet
    bool okEnabled = true;
};

// A click on option i, which is now `nowChecked`; `noteText` is the text of the note being sent.
// Choosing the answer sheet enables "テスト" when the text has an item, else it disables OK.
void clickSendOption(SendOptions& o, int i, bool nowChecked, const std::string& noteText);

// The questionnaire kind a send writes: 2 for an answer sheet (even with the Yes/No option), 1 for
// Yes/No, else 0.
int16_t questionKindOf(const SendOptions& o);

enum class SendResult {
    NobodyChosen,   // nothing written, the note unchanged
    Sent,           // the records of all recipients are in the log and the note is marked sent
    Failed,         // told to the user; the log and the note are as before
};

// Sends note `noteId` to `recipients`: one record per recipient in the log, written together, then
// the note marked sent (with auto-delete as given) and the member's note file written. When the note
// file cannot be written the records are taken back, so a send is all or nothing.
SendResult sendNote(AppState& st, int16_t noteId, const std::vector<int16_t>& recipients, int16_t questionKind,
                    bool autoDelete);

}  // namespace tw
