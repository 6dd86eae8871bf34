// The lock between computers that a file server decides: a folder "<file>.~lock" beside the file,
// made with mkdir, which succeeds for exactly one client however the share is mounted, and inside it
// one entry per process that holds the file: "w.<computer>.<pid>.<n>" for a writer, "r.…" for a
// reader. Readers join a folder that holds only readers; a writer needs the folder to itself. Who
// comes in checks the entries after writing its own, so that a reader and a writer that meet in a
// folder both see each other: the writer then lets go (both may, and try again; neither keeps a
// lock that the other holds). The folder stays when the last one leaves: removing it while another
// member looks it up makes some network clients fail for seconds.
//
// Within one process the folder is entered once and counted, so that opens of one program combine
// as the system's own locks decide.
//
// A holder that died must not lock the group out: the entry of a process of this computer that is
// gone is removed at once; one of another computer when it has not changed for kStaleSeconds of our
// own clock, while every live holder touches its entry every kTouchSeconds from a thread of its own
// (no clock of another computer is ever compared with ours). Each removal takes away only what was
// found dead: an entry is one owner's.
#pragma once

#include "platform/sharedfile.h"

#include <string>

namespace tw::lockfolder {

constexpr double kTouchSeconds = 2;
constexpr double kStaleSeconds = 20;

// The error of the system's number `err` for `path` (sharedfile_posix.cpp).
FileError systemErrorFor(int err, const std::string& path);

// This computer as entries name it.
const std::string& computerName();

// The folder that guards `file`.
std::string folderFor(const std::string& file);

// Takes the lock of `file` without waiting. Busy: kErrAccessDenied (busyError). `owner` receives the
// entry that release() and stillHeld() take. A folder where no lock folder can be made (read-only,
// no permission, full) gives `cannotLock` true and no error for a reader, who may read there
// without it. `clearedDeadWriter` tells that a writer's entry left by a dead program was cleared:
// whatever its replace left beside the file may go.
FileError take(const std::string& file, bool reader, std::string& owner, bool& cannotLock, bool& clearedDeadWriter);

// Lets go of a lock taken by take() once the last open of this process lets go.
void release(const std::string& owner);

// An error when the lock of `file` is no longer ours: kErrLockLost when another member cleared it
// (this program was stopped for longer than kStaleSeconds), so that whatever this open would write
// now could overwrite another member's change; the error of a missing path when the folder itself
// went away.
FileError checkHeld(const std::string& owner, const std::string& file);

}  // namespace tw::lockfolder
