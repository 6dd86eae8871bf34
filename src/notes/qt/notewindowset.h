// The open note windows of the running program, kept in creation order and by record index, so that
// the window of a record is found at once; and whether the end of the program has begun. The
// collection of note windows (NoteWindows) fills it; its collaborators look windows up in it.
#pragma once

#include <vector>

namespace tw {

class frmPinly;

class NoteWindowSet {
public:
    // A new window joins the set, bound to no record yet.
    void add(frmPinly& w);
    // Binds the window to record `index` and keeps it under that index.
    void bind(frmPinly& w, int index);
    // A window that is going away leaves the set; its record stays.
    void forget(frmPinly* w);
    // Every window leaves the set (they are closed by the caller).
    void clear();

    frmPinly* windowOf(int index) const;      // none: nullptr
    static int recordOf(const frmPinly* w);   // -1 when not bound
    // Every note window in creation order, bound or not, shown or hidden.
    const std::vector<frmPinly*>& windows() const { return windows_; }
    // Record indices of the open note windows (shown or hidden), for the last-note query.
    std::vector<int> openNotes() const;

    // The end of the program has begun: a blinking note stops, due timers fire no more.
    bool ended() const { return ended_; }
    void setEnded() { ended_ = true; }

private:
    std::vector<frmPinly*> windows_;    // creation order
    std::vector<frmPinly*> byRecord_;   // indexed by record; nullptr where a record has no window
    bool ended_ = false;
};

// Opens the window of a record (the owner of the set builds it); nullptr when the record gets none.
class NoteOpener {
public:
    virtual frmPinly* openNoteWindow(int index) = 0;

protected:
    ~NoteOpener() = default;
};

}  // namespace tw
