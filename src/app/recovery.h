// What the end of the program could not write into the shared folder (a folder turned read-only, a
// full disk, a renamed share) is kept in the user's own data folder, and the next start offers to put
// it back: a failed save never throws the day's work away.
#pragma once

#include "model/state.h"
#include "platform/sharedfile.h"

#include <string>

namespace tw {

// The folder that keeps this member's copies for the current shared folder ("" without a data folder).
std::string recoveryFolder(const AppState& st);

// Writes one of the member's own files (kKindLocal or kKindNotes) into the recovery folder, exactly
// as the file routine would have written it, with a note of the shared folder and member it belongs
// to. `path` is where it went.
FileError keepRecoveryCopy(const AppState& st, const std::string& kind, std::string& path);

// At the start, after the member's own files were read: when copies of this folder and member are
// kept, asks whether to put them back. OK loads them and writes them into the shared folder; once
// written, the copies go. Cancel leaves everything as it is (offered again at the next start).
// Returns true when copies were loaded.
bool offerRecovery(AppState& st);

}  // namespace tw
