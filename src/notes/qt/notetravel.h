// What the note windows do for sending and its follow-up: the pages of the note-settings dialog opened
// from the settings menu, the cancel of a send, the alarm kind, the answer tally of a questionnaire.
// The reception timer is paused while the dialog runs and while a send is cancelled.
#pragma once

#include "model/state.h"
#include "window/qt/notehost.h"

namespace tw {

class AnswerOutput;
class frmMain;
class frmPinly;
class NoteShapes;
class NoteWindowSet;
class ReceptionTimer;

class NoteTravel final : public NoteTravelHost {
public:
    // `settings`: the note-settings dialog whose pages the settings menu opens (none: the settings
    // entries do nothing). `reception`: the program's reception timer (none: nothing to pause).
    // `answers`: where the answer tally saves and prints.
    NoteTravel(AppState& st, NoteWindowSet& windows, NoteShapes& face, frmMain* settings, ReceptionTimer* reception,
               AnswerOutput& answers)
        : st_(st), windows_(windows), face_(face), settings_(settings), reception_(reception), answers_(answers) {}
    NoteTravel(const NoteTravel&) = delete;
    NoteTravel& operator=(const NoteTravel&) = delete;

    void openSettingsPage(frmPinly* w, int k) override;
    void cancelSend(frmPinly* w) override;
    void chooseAlarmKind(frmPinly* w, int k) override;
    bool offersAnswerTally(frmPinly* w) override;
    void openAnswerTally(frmPinly* w) override;

private:
    AppState& st_;
    NoteWindowSet& windows_;
    NoteShapes& face_;
    frmMain* settings_;
    ReceptionTimer* reception_;
    AnswerOutput& answers_;
};

}  // namespace tw
