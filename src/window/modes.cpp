#include "window/modes.h"

#include "platform/prompter.h"

namespace tw {

bool toggleLock(NoteRecord& r) {
    r.set(kFlagLocked, !r.has(kFlagLocked));
    return r.has(kFlagLocked);
}

ZOrderMove zOrderCommand(NoteRecord& r, int i) {
    if (i != 0 && i != 1) return ZOrderMove::None;
    const NoteFlag mine = i == 0 ? kFlagAlwaysFront : kFlagAlwaysBack;
    const NoteFlag other = i == 0 ? kFlagAlwaysBack : kFlagAlwaysFront;
    const bool on = !r.has(mine);
    const bool wasFront = r.has(kFlagAlwaysFront);
    if (on) r.set(other, false);
    r.set(mine, on);
    if (i == 1) return on && wasFront ? ZOrderMove::DropToBack : ZOrderMove::None;
    return on ? ZOrderMove::RaiseFront : ZOrderMove::DropThenRaiseFront;
}

bool flipToBack(AppState& st, NoteRecord& r) {
    if (st.CurrentPassword.empty() &&
        st.sys.prompter->ask("確認", std::string("パスワードが設定されていません。") + "\r" + "裏返してよろしいですか？",
                             Icon::None, Buttons::YesNo) != Answer::Yes)
        return false;
    r.set(kFlagReversed, true);
    return true;
}

bool passwordMatches(const std::string& entered, const std::string& password) { return entered == password; }

}  // namespace tw
