// Changes to the member's notes and local settings reach their files seconds after they are made, so
// that a crash, a kill, a power loss or a lost display costs seconds of work, never the day's.
#pragma once

#include "model/state.h"

#include <functional>
#include <string>

namespace tw {

class AutoSave {
public:
    // The two files as they are now (after the start-up read, or a write of the program's own).
    void remember(const AppState& st);
    // Writes each of the two files whose content changed since: exactly the bytes the file routine
    // writes, under the same exclusive open and one-step replace, holding the file no longer. One
    // attempt, without a message: a file another computer holds, or one that cannot be written, is
    // tried again next time (the writes at the end of the program report failures). Nothing before
    // remember(), while the program ends, or without a member. `mayWrite`, when given, is asked once
    // before the first write, only when there is something to write; false writes nothing. Returns
    // how many files were written.
    int saveChanges(AppState& st, const std::function<bool()>& mayWrite = {});

private:
    bool save(AppState& st, const std::string& kind, std::string& last, const std::function<bool()>& mayWrite);

    bool known_ = false;
    std::string local_, notes_;
};

}  // namespace tw
