// The window modes of a note (lock, front or back, see-through, its back side), its text size, and the
// placement of the always-in-front and always-at-back windows.
#pragma once

#include "model/state.h"
#include "window/qt/notehost.h"

#include <functional>

namespace tw {

class frmPinly;
class NoteShapes;
class NoteWindowSet;

class NoteModes final : public NoteModeHost {
public:
    // How the password of a note's back side is asked for: the dialog shown, its answer left in the
    // state's passwordAccepted. Empty: frmPass runs modally.
    using PasswordPrompt = std::function<void(AppState& st)>;

    NoteModes(AppState& st, NoteWindowSet& windows, NoteShapes& shapes, PasswordPrompt askPassword);
    NoteModes(const NoteModes&) = delete;
    NoteModes& operator=(const NoteModes&) = delete;

    void toggleLock(frmPinly* w) override;
    void zOrder(frmPinly* w, int i) override;
    void toggleSeeThrough(frmPinly* w) override;
    void flipNote(frmPinly* w) override;
    void setTextSize(frmPinly* w, int i) override;

    // Sends an always-at-back window to the bottom and re-raises the always-in-front ones.
    void sendToBack(frmPinly* w);
    // Puts a window always in front or takes it out of there; it is shown either way.
    void placeTopmost(frmPinly* w, bool on);

private:
    AppState& st_;
    NoteWindowSet& windows_;
    NoteShapes& shapes_;
    PasswordPrompt askPassword_;
};

}  // namespace tw
