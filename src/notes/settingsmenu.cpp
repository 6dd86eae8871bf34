#include "notes/settingsmenu.h"

#include "notes/mdpinly.h"
#include "platform/prompter.h"

namespace tw {

SettingsPage settingsPageOf(int k) {
    switch (k) {
    case 1: return {"他の人へ送信", 1};
    case 2:
    case 3: return {"ログ一覧", 2};
    case 4: return {"背景設定", 3};
    default: return {"期間設定", 0};
    }
}

bool mayOpenSettingsPage(AppState& st, int index, int k, const std::vector<int>& openNotes) {
    if (index < 0 || static_cast<size_t>(index) >= st.NoteTable.size()) return false;
    NoteRecord& r = st.NoteTable[static_cast<size_t>(index)];
    if (k == 0) {
        if (r.IsSent) {
            st.sys.prompter->ask(kProductName,
                                 std::string("送信データは期間設定できません") + "\r" +
                                     "「送信キャンセル」か「新規作成」を行って下さい",
                                 Icon::Information, Buttons::Ok);
            return false;
        }
        // A period could take the last visible note off the screen.
        if (isLastNote(st, index, openNotes, kCountVisible)) {
            st.sys.prompter->ask(kProductName, "最後の１枚の可能性がある付箋紙は期間設定できません", Icon::Information,
                                 Buttons::Ok);
            return false;
        }
    } else if (k == 1 && r.HasPeriod) {
        if (st.sys.prompter->ask(kConfirmTitle, "期間設定値はクリアされます", Icon::None, Buttons::OkCancel) !=
            Answer::Ok)
            return false;
        r.HasPeriod = false;
    }
    return true;
}

void chooseAlarmKind(NoteRecord& r, int k) {
    if (k == 0) {
        r.set(kFlagTimerDialog, !r.has(kFlagTimerDialog));
        r.set(kFlagTimerBlink, false);
    } else if (k == 1) {
        r.set(kFlagTimerBlink, !r.has(kFlagTimerBlink));
        r.set(kFlagTimerDialog, false);
    }
}

}  // namespace tw
