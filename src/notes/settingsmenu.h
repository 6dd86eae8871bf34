// The settings menu of a note (mnuSetmForm): which page of the note-settings dialog each entry
// opens under which caption, what is refused or asked first, and the choice of a note's alarm kind.
#pragma once

#include "model/state.h"

#include <string>
#include <vector>

namespace tw {

struct SettingsPage {
    std::string caption;   // the dialog's caption while the page is open
    int page = 0;          // 0 period, 1 send, 2 lists, 3 background
};
// Entry k = 0..4 (an entry outside that range gives the period page).
SettingsPage settingsPageOf(int k);

// The checks before page k opens for note `index`: a sent note gets no period, nor does the last
// note that may stay visible (both told); a note to be sent loses its period after the user agreed
// (Cancel stops). `openNotes` are the record indices of the open note windows.
bool mayOpenSettingsPage(AppState& st, int index, int k, const std::vector<int>& openNotes);

// Entry k of the alarm kinds (0 a box, 1 blinking) was chosen: it toggles, and the other kind goes
// off, so at most one is set.
void chooseAlarmKind(NoteRecord& r, int k);

}  // namespace tw
