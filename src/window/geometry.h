// Geometry of a note window without any window: the cursor zones that choose between moving and
// resizing, the clamping after a move or resize, twips and pixels, and the state of the context menu
// that the window takes over from its record when it gains the focus.
// Everything here is in twips unless a name says pixels.
#pragma once

#include "model/records.h"
#include "model/twips.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tw {

constexpr int kZoneBorder = 80;     // width of the resize border inside a note

// Window hit-test codes handed to the system's move/size loop.
enum HitCode : int16_t {
    kHitNowhere = 0,
    kHitCaption = 2,   // move
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
};

enum class ZoneCursor { Arrow, SizeWE, SizeNS, SizeNWSE, SizeNESW };

struct Zone {
    int16_t hit = kHitCaption;
    ZoneCursor cursor = ZoneCursor::Arrow;
    bool operator==(const Zone&) const = default;
};

// One mouse move over the label, the picture or the window itself.
struct ZoneInput {
    int x = 0, y = 0;                        // in the coordinates of the control under the cursor
    int controlWidth = 0, controlHeight = 0;
    int windowWidth = 0, windowHeight = 0;
    bool overLabel = false;                  // the control under the cursor is the text label
    bool buttonHeld = false;                 // any mouse button is down
};

// The hit code and cursor for a mouse move, or nothing when the move changes nothing: the note is
// locked, a button is held, or the cursor is over the label of a shaped note.
std::optional<Zone> cursorZone(const NoteRecord& note, const ZoneInput& in);

// True for the codes that start the system's size loop (edges and corners).
bool isSizeCode(int16_t hit);

// After a move or resize: minimum size, then top/left not below 0, then the bottom and right edges
// pulled back onto the screen. A note larger than the screen ends with a negative top or left.
TwipsRect clampAfterDrag(TwipsRect r, int screenWidth, int screenHeight);

// A drag done by the program itself where the system offers no move/size loop: the rectangle the
// window has after the mouse moved by (dx, dy) since the press, for the given hit code. Sizes never
// go below `minSize` (the opposite edge stays put). Works in any unit.
TwipsRect applyDrag(const TwipsRect& start, int16_t hit, int dx, int dy, int minSize);

// Menu state a note window takes from its record when it gains the focus.
struct NoteMenuState {
    bool cancelSendEnabled = false;      // mnuCancelSend
    bool periodEnabled = false;          // mnuSetmForm(0)
    bool sendEnabled = false;            // mnuSetmForm(1)
    bool receptionListEnabled = false;   // mnuSetmForm(2)
    int checkedShape = 0;                // mnuFstyleItem(i) checked exactly when i == checkedShape
    int checkedFont = 0;                 // mnuFont(i) likewise
    bool autoSize = false;               // mnuTextAutoSize
    bool timerDialog = false;            // mnuTmrMsg(0)
    bool timerBlink = false;             // mnuTmrMsg(1)
    bool locked = false;                 // mnuLock
    bool alwaysFront = false;            // mnuZorder(0)
    bool alwaysBack = false;             // mnuZorder(1)
    std::string reverseCaption;          // mnuReverse
    bool seeThrough = false;             // mnuThrough
};

NoteMenuState focusMenuState(const NoteRecord& r);

inline const std::string kReverseCaption = "裏返し(&R)";
inline const std::string kObverseCaption = "表返し(&R)";

}  // namespace tw
