// The three safety nets of the start-up: moving the settings of older versions out of the per-user
// settings store into the workstation file, the checks that the member and his local settings still
// exist in the shared folder, and the question that resets this computer's environment.
//
// None of these ends the process: a function that has to end it returns CheckResult::EndProcess and
// the caller ends the program (after the function has done everything else, e.g. written REG.CFG).
#pragma once

#include "model/state.h"
#include "platform/sharedfile.h"

#include <string>

namespace tw {

enum class CheckResult {
    Continue,     // go on with the start-up as if nothing had happened
    EndProcess,   // the user reset the environment: end the program now
};

// Where older versions kept the shared folder and the member number.
inline const std::string kLegacyApp = "QOV";
inline const std::string kLegacySection = "TACKWISP";
inline const std::string kLegacyPathValue = "Path";
inline const std::string kLegacyIdValue = "LID";

// Called by ReadWorkstation with REG.CFG open for reading and writing and found empty. Takes
// SharedPath and CurrentMemberId from st.sys.legacyStore (missing values read as "" and 0; an "LID" that is not a whole number in the 16-bit range reads as 0). When either is set,
// writes the workstation record into `workstation` and asks whether to delete the old entries (OK
// deletes the section; Cancel keeps it, the values are migrated all the same). Returns the error of
// the write; on an error nothing is asked and the caller reports it.
FileError migrateLegacySettings(AppState& st, SharedFile& workstation);

// True when the member list has an entry with this number. Numbers below 1 are never members.
bool memberExists(const AppState& st, int16_t memberId);
// True when the local settings were not loaded: the first text preset has no font name.
bool localSettingsMissing(const LocalConfig& cfg);

// The member has been removed from the shared member list: tell the user, then the reset question.
CheckResult checkMemberExists(AppState& st);
// The member's local settings file has gone: tell the user, then the reset question.
CheckResult checkLocalSettings(AppState& st);
// "環境をリセットしますか？": OK forgets the shared folder and the member number, writes REG.CFG and
// returns EndProcess (the next start is a first-time setup); Cancel returns Continue.
CheckResult askEnvironmentReset(AppState& st);

}  // namespace tw
