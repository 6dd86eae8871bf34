// The one access routine for the shared settings, local settings and note data files, the
// workstation file, and the member-list lookups.
#pragma once

#include "model/state.h"

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

// The environment dialog, as the file routine needs it when the shared folder is not found: the user
// may name another folder there, and the access is tried again in that folder.
class FolderChoiceHost {
public:
    virtual ~FolderChoiceHost() = default;
    // Puts the dialog's check-unit box on its first entry ("分単位").
    virtual void resetCheckUnitBox() = 0;
    // Shows the dialog modally; its OK stores the controls (SharedPath among them).
    virtual void showEnvironmentDialog() = 0;
};

// Reads (mode 0) or writes (mode -1) one file of the shared folder; any other mode does nothing and
// succeeds. Local settings that were never read nor made whole (no font name in the first text
// preset) are never written: the file keeps what it holds. Shows its own messages; false means the caller should stop (usually: end the program).
// When the shared settings could not be reached, read or written and `folderChoice` is given, the
// user is offered another folder (offerAnotherFolder); a folder chosen there is written into the
// workstation file and the access is tried again in it. Without it the failure is only reported.
//
// A read of GRPINLY.CFG is all or nothing: a damaged member list is refused, never taken in part
// (written back, it would drop the members cut off). A note or local settings file that ends inside a
// record is loaded as far as it is complete: its bytes as found are first kept in a copy beside it
// (app/damagedcopy.h) and the user is told once which file it was and where the copy is. A local
// settings file cut inside its only record gives the design settings with the member's name and
// number. When the copy cannot be written the file is refused like an unreadable one.
bool AccessSharedFile(AppState& st, int mode, const std::string& kind, FolderChoiceHost* folderChoice = nullptr);

// How one access of a shared-folder file ended, for callers that go on differently after a failure.
enum class AccessOutcome {
    Done,
    Failed,    // the folder or the file could not be reached, read or written, or it is damaged (told)
    Refused,   // not a shared settings file of this program, or one of an older version (told)
};

// One access as AccessSharedFile without a folder choice.
AccessOutcome accessSharedFileOnce(AppState& st, int mode, const std::string& kind);

// The member list (and header) as GRPINLY.CFG holds it now, members who joined since the start
// included. False, with the list known left as it is, without a folder, when the file is missing or
// empty, or when it cannot be read (told).
bool readMemberList(AppState& st);

// "セットアップ再設定" after a failed access of the shared settings: puts the dialog's check-unit box
// on its first entry and asks whether to change the folder; OK shows the environment dialog. True when
// the dialog was shown (its Cancel leaves SharedPath as it was). Writes nothing.
bool offerAnotherFolder(AppState& st, FolderChoiceHost& folderChoice);

// The bytes the file routine writes for one of the member's own files (kKindLocal or kKindNotes).
std::string memberFileBytes(const AppState& st, const std::string& kind);
// Writes one of the member's own files as the file routine does, but shows nothing: a file another
// computer holds is waited for silently for the retry window, and any failure is returned.
FileError writeMemberFileSilently(AppState& st, const std::string& kind);

// A member who joins with a number gets his own files (local settings, notes) at once, before the
// member list names him, so that no start finds a member without them. Files left under that number
// by a member who was deleted are never taken as the new member's: their bytes are first kept beside
// them as "<file>.deleted-YYYYMMDD-HHMMSS" (app/damagedcopy.h). Shows its own messages; false when a
// copy or a file could not be written.
bool writeNewMemberFiles(AppState& st);

// The workstation file REG.CFG holds this computer's shared folder and member number. It lives
// beside the program; where the program's folder cannot hold it (an installed program), in the
// user's configuration folder st.sys.userConfigDir. One beside the program wins when both exist.
// A new one goes beside the program when it can be made there, else into the configuration folder.

// Reads SharedPath and CurrentMemberId ("" and 0 when this computer is not set up). A workstation
// file that cannot be read, or a damaged one, is reported; none at all, and none that could be made,
// is not: the setup tells why it cannot go on.
void ReadWorkstation(AppState& st);
// Writes SharedPath and CurrentMemberId; reports a failure. True when written.
bool WriteWorkstation(AppState& st);
// The write of WriteWorkstation without a message. `path` names the workstation file.
FileError storeWorkstation(const AppState& st, std::string& path);
// Whether the workstation file can be written where it lives: it is made (empty) where there is none
// yet and written again with its own content, so that it stays as it was. `path` names the file.
FileError checkWorkstationWritable(const AppState& st, std::string& path);

std::string MemberNameOf(const AppState& st, int16_t memberId);
int16_t FreeMemberId(const AppState& st);
std::string MemberPasswordOf(const AppState& st, int16_t memberId);   // clear text
// Works on raw code-page bytes both ways; only one-byte characters survive.
std::string ScramblePassword(const std::string& bytes);

// The question a busy shared file asks once the silent retry window has passed.
inline const std::string kBusyQuestion = "ファイルアクセスが混雑しています";

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
