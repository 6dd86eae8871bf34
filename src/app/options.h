// What the environment dialog does without a window: the limits of its number boxes and their spin
// steps, storing its controls into the local settings, deleting members from the shared member list
// and the steps of a move to another shared folder.
#pragma once

#include "model/state.h"
#include "platform/sharedfile.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tw {

// ---- number boxes txtInt(0..4) ----
// 0 caution lead days, 1 caution lead minutes, 2 warning lead days, 3 warning lead minutes, 4 the
// reception-check interval in units of `unit` (0 minutes, 1 hours, 2 seconds).
int numberBoxMaximum(int box, int unit);
// A box's text is valid when it is a whole number from 0 to the box's maximum.
bool numberBoxValid(int box, const std::string& text, int unit);
// One step of a box's spin button (+1 or -1): the new text, or nothing when the box stays as it is
// (the result would be out of range). An empty box becomes "0".
std::optional<std::string> spinStep(int box, const std::string& text, int unit, int delta);

// ---- storing the controls ----
struct FontChoice {
    std::string name;
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// The dialog's controls as plain values.
struct OptionsControls {
    std::string name;                       // txtStr(1)
    std::string memberIdText;               // lblNID
    std::array<std::string, 5> numbers;     // txtInt(0..4)
    int checkUnit = 0;                      // cmb1
    std::array<uint32_t, 5> backColours{};  // pic(0..4)
    std::array<uint32_t, 5> textColours{};  // lblT(0..4)
    std::array<FontChoice, 3> fonts;        // lblFont(0..2)
    int timerBase = 0;                      // the checked optTmr
    int defaultTextSize = 0;                // the checked optTxt
    bool autoSize = false;                  // chk
};

// Stores the controls into `cfg`. The name is kept as it is when `keepName` (a move to another folder
// is going on: the member is found there by his old name). An empty number box stores 0, a member
// number that is not a number 0; font sizes are stored as whole points.
void storeOptions(LocalConfig& cfg, const OptionsControls& c, bool keepName);

// ---- the member list ----
enum class MemberDelete {
    Written,     // the others are left in GRPINLY.CFG
    NoneLeft,    // nobody is left: GRPINLY.CFG is deleted, the program has to end
    Failed,      // told ("設定変更はできませんでした"); nothing changed
};

// Deletes the members with these numbers from the member list as it is in the folder now, read under
// the member-list lock, so that members who joined since the list was shown stay. The file itself is
// deleted only when nobody is left in it.
MemberDelete deleteMembers(AppState& st, const std::vector<int16_t>& ids);
// Deletes GRPINLY.CFG, the whole member list ("ｸﾘｱ(&C)"). False when it could not be deleted (told).
bool deleteAllMembers(AppState& st);

// ---- moving to another shared folder ----
// Before the notes are closed: writes the member's local settings and notes into the old folder and
// takes the name for the new one. False when a file could not be written (told): the program ends.
bool saveForFolderMove(AppState& st, const std::string& newName);
// After the notes are closed: points this computer at `folder` (the workstation file), and empties the
// notes and the undo list. On failure nothing is changed and the error is returned.
FileError switchToFolder(AppState& st, const std::string& folder);

}  // namespace tw
