// The window modes of a note kept in its flag word: lock, always in front or at the back, and the
// password that turns a note back to its front side.
#pragma once

#include "model/state.h"

#include <string>

namespace tw {

// Toggles the lock; true when the note is now locked.
bool toggleLock(NoteRecord& r);

// What a change of the z-order asks of the windows.
enum class ZOrderMove {
    None,                  // an always-at-back note goes down at the next press on it
    RaiseFront,            // every always-in-front note is raised again (this one among them)
    DropThenRaiseFront,    // this one leaves the topmost band, then the others are raised again
    DropToBack,            // this one leaves the topmost band for the bottom, the others are raised again
};
// The z-order command i (0 always in front, 1 always at the back) toggles that mode and clears the
// other one when it switches on. An always-in-front note made always-at-back leaves the topmost band
// at once; any other always-at-back note goes down at the next press on it.
ZOrderMove zOrderCommand(NoteRecord& r, int i);

// The flip to the back side: with no password set the user is asked first ("確認", Yes/No).
// True when the note is now on its back.
bool flipToBack(AppState& st, NoteRecord& r);

// The password dialog's check: an exact match (an empty password takes an empty entry).
bool passwordMatches(const std::string& entered, const std::string& password);

// What the password boxes tell the member about the characters of a password: the environment
// dialog's box takes the capital letters A to Z and the digits 0 to 9 only, so a password holds
// nothing else.
inline constexpr const char* kPasswordCharacters = "半角英大文字と数字のみ";

}  // namespace tw
