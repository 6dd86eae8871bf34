// What the network check asks of the note windows: windows for received notes, answer sheets for
// received questionnaires, the due alarm timers on each tick and the refresh after every check.
#pragma once

#include "model/state.h"
#include "notes/qt/receptiontimer.h"

namespace tw {

class NoteLinks;
class NoteOpener;
class NoteShapes;
class NoteWindowSet;

class NoteCheck final : public NetworkCheckHost {
public:
    NoteCheck(AppState& st, NoteWindowSet& windows, NoteOpener& opener, NoteShapes& face, NoteLinks& links)
        : st_(st), windows_(windows), opener_(opener), face_(face), links_(links) {}
    NoteCheck(const NoteCheck&) = delete;
    NoteCheck& operator=(const NoteCheck&) = delete;

    void openNoteWindow(int index) override;
    bool openAnswerSheet(const LogRecord& entry, const NoteRecord& note) override;
    // Colours that changed class, sent marks, notes to hide, windows for notes that have none (also
    // those closed with the system close key).
    void refreshWindows() override;
    void fireDueTimers() override;

private:
    AppState& st_;
    NoteWindowSet& windows_;
    NoteOpener& opener_;
    NoteShapes& face_;
    NoteLinks& links_;
};

}  // namespace tw
