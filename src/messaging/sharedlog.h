// The shared log GRPINLY.FLG: one LogRecord per (sent note, recipient). Every read and change of the
// log goes through SharedLogOperation; the sharing mode of its open is the only lock between computers.
#pragma once

#include "app/state.h"

#include <cstdint>
#include <string>

namespace tw {

// Operation kinds (the first argument of SharedLogOperation).
enum LogKind : int {
    kLogReceiveTimer = 0,     // read: my unreceived records
    kLogStatusCheck = 1,      // read: my records of note c
    kLogFullCheck = 2,        // read: every record
    kLogSendWrite = 10,       // change: append a record (a = note, b = recipient)
    kLogReceiveWrite = 11,    // change: mark a record received (a = note, b = sender, c = local copy)
    kLogDeleteReceived = 12,  // change: remove my received records of note c
    kLogDeleteAll = 13,       // change: remove all my records of note c
    kLogDeleteOne = 14,       // change: remove my records of note c to recipient b
};

// Runs one log operation. Afterwards st.LogSelection holds the selected records (kinds 0, 1, 2) or
// the whole new content of the log (change kinds); it is empty after a failure.
//
// Kind 11 identifies the record it marks by sender (b), note (a), recipient (CurrentMemberId) and the
// record's send time `sentAt`, so that two pending sends of one note to one member are each received
// once; it matches whether or not the record is already received (an answer sheet's second write
// replaces the answer code). The other kinds ignore `sentAt`.
//
// Shows its own messages (empty log, busy log, failure) through st.sys.prompter and returns false on
// failure; a change never leaves the log half written.
bool SharedLogOperation(AppState& st, int kind, int16_t a, int16_t b, int16_t c, double sentAt = 0);

// The caption of a kind as the failure message names it ("" for an unknown kind).
std::string logOperationCaption(int kind);

// Full path of the log in the current shared folder.
std::string sharedLogPath(const AppState& st);

}  // namespace tw
