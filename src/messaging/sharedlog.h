// The shared log GRPINLY.FLG: one LogRecord per (sent note, recipient). Every read and change of the
// log is one call of the log routine (SharedLogOperation, in sharedlog.cpp) through one of the named
// calls below; the sharing mode of its open is the only lock between computers.
//
// Each call takes what it works on as parameters and returns what it did. The records of the last
// operation (LogSelection) are the return value of a read, and the 16-bit code a send or receive
// write stores (QuestionCode) is a parameter of that write.
//
// Every call shows its own messages (empty log, busy log, failure) through st.sys.prompter; the caller
// only decides whether to go on. A change never leaves the log half written.
#pragma once

#include "model/state.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The kinds of the log routine; the failure message names a call by its kind's caption.
enum class LogKind : int {
    ReceiveTimer = 0,     // read: my unreceived records
    StatusCheck = 1,      // read: my send records of one note
    FullCheck = 2,        // read: every record
    SendWrite = 10,       // change: append my send of a note to a recipient
    ReceiveWrite = 11,    // change: mark a send to me received
    DeleteReceived = 12,  // change: remove my received send records of a note
    DeleteAll = 13,       // change: remove all my send records of a note
    DeleteOne = 14,       // change: remove my send records of a note to one recipient

    // Changes of this program that keep a send or a cancel whole, each one change of the log:
    SendGroup = 20,       // append my send of a note to every recipient of a list, or nothing
    TakeBack = 21,        // remove my given sends of a note (recipient and send time), received or not
    CancelUnreceived = 22,   // remove all my send records of a note, unless one of them is received
    ReceiveGroup = 23,    // mark several sends to me received (each as kind 11 does)
    // Reads of this program:
    MySends = 30,         // read: all my send records (the status check of every sent note at once)
    CheckRead = 31,       // read: my unreceived records and all my send records (one network check)
};

using LogRecords = std::vector<LogRecord>;

// ---- reads ----
// A read opens the log denying other writers and returns the records it selects, in log order
// (LogSelection after a read), or nothing when it failed: the log could not be read (told), or it is
// empty (told only where said). Bytes after the last complete record are nobody's record.

// Kind 0: the sends to this member not yet received. An empty log is not announced.
std::optional<LogRecords> readUnreceivedLog(AppState& st);
// Kind 1: this member's send records of note `noteId`. `quiet`: a check of the program itself
// rather than of the user; an empty log is no news then and is not announced.
std::optional<LogRecords> readSendRecords(AppState& st, int16_t noteId, bool quiet = false);
// Kind 2: every record.
std::optional<LogRecords> readWholeLog(AppState& st);
// Every send record of this member (the status check of all its sent notes at once). `quiet` as above.
std::optional<LogRecords> readMySendRecords(AppState& st, bool quiet);
// The read of one network check: the sends to this member not yet received and every send record of
// this member. An empty log is not announced.
std::optional<LogRecords> readCheckRecords(AppState& st);

// ---- changes ----
// A change opens the log exclusively, holds it from its first read to its last write and puts the new
// content in place in one step. What it finds after the last complete record is first kept in a copy
// beside the log (the user is told where).

// What a change did; false when it failed (told), and then the log is as it was.
struct LogChange {
    bool ok = false;
    // The log as this change left it (LogSelection after a change), as bytes: logRecordsOf decodes
    // it, so a caller that does not look at it pays nothing for it.
    std::string content;

    explicit operator bool() const { return ok; }
};

// A change and the records it names: appended, marked, removed or found, as each call says.
struct RecordsChange : LogChange {
    LogRecords records;
};

// Kind 10: appends my send of note `noteId` to `recipientId`, with `questionKind` (QuestionCode at
// send time: 0 plain note, 1 Yes/No, 2 answer sheet). Sends that share sender, note and recipient
// get distinct send times, so that the receive write can tell them apart.
struct SendWrite : LogChange {
    LogRecord record;   // the record appended
};
SendWrite writeSendRecord(AppState& st, int16_t noteId, int16_t recipientId, int16_t questionKind);

// A send to several members as one change: the records of all of them, or none when the log cannot
// be written. `records`: the records appended, in the order of `recipients`.
RecordsChange writeSendRecords(AppState& st, int16_t noteId, const std::vector<int16_t>& recipients,
                               int16_t questionKind);

// One receipt: the send it marks (sender, note, send time; the recipient is this member), the
// member's copy of the note (0 when none is made) and the answer code it stores (QuestionCode at the
// receive write).
struct Receipt {
    int16_t senderId = 0;
    int16_t noteId = 0;
    double sentAt = 0;
    int16_t localCopyId = 0;
    int16_t answerCode = 0;
};

// Kind 11: marks the first record of that send in log order received now, with the copy and the
// answer code, whether or not it is already received (an answer sheet's second write replaces the
// answer code). A send that is not in the log (its sender took it back) marks nothing and succeeds.
struct ReceiptWrite : LogChange {
    std::optional<LogRecord> marked;   // the record as it now is; none when the send was not found
};
ReceiptWrite writeReceipt(AppState& st, int16_t senderId, int16_t noteId, double sentAt, int16_t localCopyId,
                          int16_t answerCode);
// Several receipts in one change, each as writeReceipt. `records`: the records marked, as they now
// are, in the order of `receipts`; a send no longer in the log is not among them.
RecordsChange writeReceipts(AppState& st, const std::vector<Receipt>& receipts);

// Receipts whose details are settled while the log is held, for copies that must be in the member's
// note file before their receipts are in the log. Under the exclusive open `settle` learns for each
// receipt whether its send is in the log and not received yet (`present`); it sets the numbers of
// the copies in `receipts`, may leave sends out by clearing their `present`, may write the member's
// own note file meanwhile (never the log), and returns false to leave the log as it is. The sends
// still present are then marked as writeReceipts marks them. Not called when no send is waiting.
// The order of the locks is the log first, then the member's own note file: nobody waits for the log
// while holding a note file, so the two cannot wait for each other.
using ReceiptSettle = std::function<bool(std::vector<bool>& present)>;
RecordsChange writeReceiptsSettled(AppState& st, std::vector<Receipt>& receipts, const ReceiptSettle& settle);

// Deletes of this member's send records of note `noteId`; `records` holds the records removed, in
// log order. Deleting the last records leaves an empty log.
RecordsChange deleteReceivedSends(AppState& st, int16_t noteId);   // kind 12: the received ones
RecordsChange deleteAllSends(AppState& st, int16_t noteId);        // kind 13: received or not
RecordsChange deleteSendTo(AppState& st, int16_t noteId, int16_t recipientId);   // kind 14: to one member
// Takes the records of one writeSendRecords back (found by recipient and send time).
RecordsChange takeBackSendRecords(AppState& st, int16_t noteId, const LogRecords& written);

// The cancel of a send as one change: when none of my records of the note is received, all of them
// go. `records`: the note's records as they were found (empty: none were there); when one of them is
// received nothing was removed. A log that holds nothing is told ("ＬＯＧ履歴はありません").
RecordsChange cancelUnreceivedSends(AppState& st, int16_t noteId);

// The records of a log's bytes (the content of a change), as far as they are complete.
LogRecords logRecordsOf(std::string_view content);

// The caption of a kind as the failure message names it ("" for a value that is no kind).
std::string logOperationCaption(LogKind kind);

// Full path of the log in the current shared folder.
std::string sharedLogPath(const AppState& st);

}  // namespace tw
