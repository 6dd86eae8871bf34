// The shared log GRPINLY.FLG: one LogRecord per (sent note, recipient). Every read and change of the
// log goes through SharedLogOperation; the sharing mode of its open is the only lock between computers.
#pragma once

#include "model/state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// The operations of the log. Reads select records into st.LogSelection; changes rewrite the log.
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
    // A read of this program:
    MySends = 30,         // read: all my send records (the status check of every sent note at once)
    CheckRead = 31,       // read: my unreceived records and all my send records (one network check)
};

// One receipt of a group: the send it marks (sender, note, send time) and the local copy.
struct Receipt {
    int16_t senderId = 0;
    int16_t noteId = 0;
    double sentAt = 0;
    int16_t localCopyId = 0;
};

// What one operation works on; each kind reads only the fields it needs.
struct LogTarget {
    int16_t noteId = 0;        // the sender's note (kinds 1, 10–14)
    int16_t senderId = 0;      // the sender of the record to mark (kind 11)
    int16_t recipientId = 0;   // the recipient (kinds 10, 14)
    int16_t localCopyId = 0;   // the recipient's copy of the note (kind 11)
    double sentAt = 0;         // the send time of the record to mark (kind 11)
    std::vector<int16_t> recipients{};   // the recipients (SendGroup, TakeBack)
    std::vector<double> sentTimes{};     // with each recipient its send time (TakeBack)
    // A status check (kind 1) of the program itself rather than of the user: an empty log is no
    // news then, and is not announced.
    bool quiet = false;
    std::vector<Receipt> receipts{};   // ReceiveGroup
};

// The one door to the log. Afterwards st.LogSelection holds the selected records (read kinds) or
// the whole new content of the log (change kinds); it is empty after a failure.
//
// A send write (kind 10) writes st.QuestionCode as the record's questionnaire kind; a receive write
// (kind 11) writes it as the answer code. The receive write identifies the record it marks by sender,
// note, recipient (CurrentMemberId) and send time, so that two pending sends of one note to one member
// are each received once; it matches whether or not the record is already received (an answer
// sheet's second write replaces the answer code).
//
// Shows its own messages (empty log, busy log, failure) through st.sys.prompter and returns false on
// failure; a change never leaves the log half written.
bool SharedLogOperation(AppState& st, LogKind kind, const LogTarget& target = {});

// The operations by name.
inline bool readUnreceivedLog(AppState& st) { return SharedLogOperation(st, LogKind::ReceiveTimer); }
inline bool readSendRecords(AppState& st, int16_t noteId, bool quiet = false) {
    return SharedLogOperation(st, LogKind::StatusCheck, {.noteId = noteId, .quiet = quiet});
}
inline bool readWholeLog(AppState& st) { return SharedLogOperation(st, LogKind::FullCheck); }
inline bool writeSendRecord(AppState& st, int16_t noteId, int16_t recipientId) {
    return SharedLogOperation(st, LogKind::SendWrite, {.noteId = noteId, .recipientId = recipientId});
}
inline bool writeReceipt(AppState& st, int16_t senderId, int16_t noteId, double sentAt, int16_t localCopyId) {
    return SharedLogOperation(st, LogKind::ReceiveWrite,
                              {.noteId = noteId, .senderId = senderId, .localCopyId = localCopyId, .sentAt = sentAt});
}
inline bool deleteReceivedSends(AppState& st, int16_t noteId) {
    return SharedLogOperation(st, LogKind::DeleteReceived, {.noteId = noteId});
}
inline bool deleteAllSends(AppState& st, int16_t noteId) {
    return SharedLogOperation(st, LogKind::DeleteAll, {.noteId = noteId});
}
inline bool deleteSendTo(AppState& st, int16_t noteId, int16_t recipientId) {
    return SharedLogOperation(st, LogKind::DeleteOne, {.noteId = noteId, .recipientId = recipientId});
}

// A send to several members as one change: the records of all of them, or none when the log cannot
// be written. Afterwards st.LogSelection holds just the records appended, in the order of
// `recipients`.
inline bool writeSendRecords(AppState& st, int16_t noteId, std::vector<int16_t> recipients) {
    return SharedLogOperation(st, LogKind::SendGroup, {.noteId = noteId, .recipients = std::move(recipients)});
}
// Takes the records of one writeSendRecords back (they are found by recipient and send time).
bool takeBackSendRecords(AppState& st, int16_t noteId, const std::vector<LogRecord>& written);
// The cancel of a send as one change: when none of my records of the note is received, all of them
// go. Afterwards st.LogSelection holds the note's records as they were found (empty: none were
// there); when one of them is received nothing was removed.
inline bool cancelUnreceivedSends(AppState& st, int16_t noteId) {
    return SharedLogOperation(st, LogKind::CancelUnreceived, {.noteId = noteId});
}

// Marks several sends to this member received in one change, each with st.QuestionCode as its
// answer. Afterwards st.LogSelection holds the records marked, as they now are, in the order of
// `receipts`; a send that is no longer in the log (its sender took it back) is not among them.
inline bool writeReceipts(AppState& st, std::vector<Receipt> receipts) {
    return SharedLogOperation(st, LogKind::ReceiveGroup, {.receipts = std::move(receipts)});
}

// Every send record of the current member, in log order. `quiet`: an empty log is not announced.
inline bool readMySendRecords(AppState& st, bool quiet) {
    return SharedLogOperation(st, LogKind::MySends, {.quiet = quiet});
}

// The caption of a kind as the failure message names it ("" for a value that is no kind).
std::string logOperationCaption(LogKind kind);

// Full path of the log in the current shared folder.
std::string sharedLogPath(const AppState& st);

}  // namespace tw
