// The network check's two steps on the log: receiving what other members sent to this member, and
// following the notes this member sent until every recipient has them. The windows are the
// caller's: it is told through a ReceptionHost.
#pragma once

#include "model/state.h"
#include "platform/sharedfile.h"

#include <cstdint>
#include <string>

namespace tw {

class ReceptionHost {
public:
    virtual ~ReceptionHost() = default;
    // A received note's record was appended at `index`: its window opens.
    virtual void openNoteWindow(int index) = 0;
    // An answer-sheet questionnaire arrived: opens its window (modeless) and answers later. False
    // when this program shows no answer sheet: the send then stays unreceived in the log.
    virtual bool openAnswerSheet(const LogRecord& entry, const NoteRecord& note) = 0;
};

// Where a note sent to this member is looked up.
enum class SentNoteLookup {
    Found,      // `out` holds the sender's record
    NotThere,   // the sender's file holds no sent record with that NoteId (yet): try again later
    Busy,       // the sender's computer is writing the file: try again later
    Failed,     // the file could not be read (the error is in `error`)
};
SentNoteLookup findSentNote(AppState& st, int16_t senderId, int16_t noteId, NoteRecord& out, FileError& error);

// Receive: every send to this member not yet received, in log order. A plain note is received exactly
// once whenever the program may be stopped: while the log is held, its copy is appended to the note
// table and the member's note file is written, and only then the receipt goes into the log. A copy
// that reached the note file without its receipt (a receive cut short) is recognised at the next
// check by what it keeps of its send (sender, send time, the sent note's creation time and text) and
// gets its receipt instead of a second copy. A Yes/No questionnaire is asked in a box and the answer
// written with the receipt; an answer sheet goes to the host. Returns how many sends were received.
int receiveNotes(AppState& st, ReceptionHost& host);

// The log steps of one network check: receive, then follow the sent notes, with one read of the log
// when nothing has arrived. Returns how many sends were received.
int networkCheck(AppState& st, ReceptionHost& host);

// A received plain note: the sender's record as the copy takes it over (without period, text size
// and send state), fitted to a screen of the given size in twips.
NoteRecord receivedCopy(const NoteRecord& sent, const LogRecord& entry, int16_t localId, int screenWidth,
                        int screenHeight);

// The status check of the notes this member sent and follows: the partner text and latest receipt
// of each, and for a note that every recipient has, its records removed from the log, AllReceived
// set and, with auto-delete, the note peeled. A note without records in the log is passed over.
// `byUser`: the user asked for it (an empty log is then announced).
void followSentNotes(AppState& st, bool byUser = false);

// The cancel of a send (the note's menu): one change of the log that removes the note's send records
// only when nobody has received it.
enum class CancelResult {
    Cancelled,        // the records are gone and the note is no longer sent
    AlreadyReceived,  // refused and told: somebody has it
    NoRecords,        // there were none left: nothing changed
    Failed,           // the log could not be read or written (told)
};
CancelResult cancelSend(AppState& st, int16_t noteId);

}  // namespace tw
