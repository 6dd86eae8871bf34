// The one access routine for the shared settings, local settings and note data files, the
// workstation file, and the member-list lookups.
#pragma once

#include "app/state.h"

#include "platform/sharedfile.h"

#include <functional>
#include <string>

namespace tw {

// Kinds as the callers name them.
inline const std::string kKindShared = "GRPINLY.CFG";
inline const std::string kKindLocal = ".FCG";
inline const std::string kKindNotes = ".FDT";
inline const std::string kWorkstationFile = "REG.CFG";
inline const std::string kLogFile = "GRPINLY.FLG";

constexpr int kModeWrite = -1;
constexpr int kModeRead = 0;

// "ID00003.FCG" for member 3 and ".FCG".
std::string memberFileName(int16_t memberId, const std::string& ext);
// Full path of a kind's file for the current member and folder.
std::string sharedFilePath(const AppState& st, const std::string& kind);

// Reads (mode 0) or writes (mode -1) one file of the shared folder; any other mode does nothing and
// succeeds. Shows its own messages; false means the caller should stop (usually: end the program).
bool AccessSharedFile(AppState& st, int mode, const std::string& kind);

void ReadWorkstation(AppState& st);
void WriteWorkstation(AppState& st);

std::string MemberNameOf(const AppState& st, int16_t memberId);
int16_t FreeMemberId(const AppState& st);
std::string MemberPasswordOf(const AppState& st, int16_t memberId);   // clear text
// Works on raw code-page bytes both ways; only one-byte characters survive.
std::string ScramblePassword(const std::string& bytes);

// Access-denied bookkeeping of one call: the time of the first refusal, reset by Retry.
struct BusyWait {
    double since = -1;
};

// Runs one step of a shared-file access. A refusal because another computer holds the file is
// retried silently for st.sys.retrySeconds (pausing st.sys.retryPauseMs), then `question` is asked
// with Retry and Cancel: Retry waits another round. Returns the step's final error (none on success).
FileError retryWhileBusy(AppState& st, BusyWait& busy, const std::string& question,
                         const std::function<FileError()>& step);

// True when at least one note is sent, not yet received by all and not peeled: peeled records must
// then stay in the note data file so that recipients still find the sent ones by their index.
bool SendPending(const AppState& st);

}  // namespace tw
