// The mark of a member whose program runs: "IDnnnnn.RUN" in the shared folder, held open by that
// program for its whole run. A program folder copied to a second computer (or kept on the share)
// makes both computers the same member; both would write the member's whole note table over the
// other's. The mark keeps the second one out and says which computer holds the member.
//
// The file holds two lines (UTF-8, each ending in CR LF): the name of the computer and a token of
// the one run that wrote it. A program takes the mark by opening the file for writing with exclusive
// access and writing its lines, then holds it for the rest of its run under a read open that denies
// writers. Anybody may read it meanwhile (to name the computer), nobody can change it; a program that
// finds its own token there after it holds the file knows that the mark is its own. Older programs
// never open this file.
//
// The lock goes with the process: the system lets go of it when a program dies (on POSIX systems the
// lock folder beside the file is cleared at once for a program of this computer, after
// lockfolder::kStaleSeconds without a sign of life for one of another computer).
#pragma once

#include "model/state.h"
#include "platform/sharedfile.h"

#include <memory>
#include <string>

namespace tw {

inline const std::string kKindRunning = ".RUN";

struct RunMarkContent {
    std::string computer;
    std::string token;
};
std::string encodeRunMark(const RunMarkContent& c);
// False when the bytes are not two lines ending in CR LF (a computer name without a line break).
bool decodeRunMark(const std::string& bytes, RunMarkContent& out);

class MemberRunMark {
public:
    // `computer` names this computer in the marks it writes.
    explicit MemberRunMark(std::string computer);
    ~MemberRunMark();
    MemberRunMark(const MemberRunMark&) = delete;
    MemberRunMark& operator=(const MemberRunMark&) = delete;

    enum class Result {
        Held,        // the mark is ours until release() or the end of the process
        Elsewhere,   // another program holds it; holder names its computer ("" when it could not be read)
        NotHeld,     // the file could not be made or locked (error): the program goes on without it
    };
    struct Outcome {
        Result result = Result::NotHeld;
        std::string holder;
        FileError error;
    };

    // Takes the mark of `memberId` in `folder` (letting go of one held before). A mark held by a
    // program of another computer is tried again for up to `waitSeconds` (pausing
    // st.sys.retryPauseMs, with the wait indicator); one of this computer is not waited for.
    Outcome take(AppState& st, const std::string& folder, int16_t memberId, double waitSeconds);
    void release();
    bool held() const { return file_ != nullptr; }

    // Whether the mark taken is still ours. A program stopped for longer than a dead holder is waited
    // for (a computer put to sleep, a debugger) may find on waking that the member was started on
    // another computer meanwhile: the file names another run. That gives Elsewhere (holder: the
    // other computer), and the mark is let go. Without a mark, NotHeld; a mark that cannot be read
    // now (the share is away, a start holds it for a moment) counts as held.
    Outcome check();
    const std::string& computer() const { return computer_; }

private:
    std::string computer_;
    std::unique_ptr<SharedFile> file_;
    std::string path_;    // of the mark held
    std::string token_;   // of this run, in the mark held
};

// The member's program elsewhere took the member over while this one was stopped (check() gave
// Elsewhere): nothing more of this program may reach the member's files in the shared folder, where
// it would write over what the other computer does now. The member's notes and local settings as this
// program has them are kept in the recovery folder instead (offered at a later start here), and the
// user is told which computer has the member and where the copies are. The caller then ends the
// program without writing anything.
void keepFilesOfMemberTakenOver(AppState& st, const std::string& computer);

// How the messages about a member's run name the member and the computer: "このメンバー(ID: 1 山田)"
// (without a name when there is none) and "コンピュータ「pc-b」" ("別のコンピュータ" when unknown).
std::string memberOfRun(int16_t memberId, const std::string& name);
std::string computerOfRun(const std::string& computer);

// The path of a member's mark.
std::string runMarkPath(const std::string& folder, int16_t memberId);

}  // namespace tw
