// Cursor zones, clamping and unit conversions of note windows.
#include "window/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {

namespace {

ZoneCursor cursorOf(int16_t hit) {
    switch (hit) {
    case kHitTopLeft:
    case kHitBottomRight: return ZoneCursor::SizeNWSE;
    case kHitTopRight:
    case kHitBottomLeft: return ZoneCursor::SizeNESW;
    case kHitLeft:
    case kHitRight: return ZoneCursor::SizeWE;
    case kHitTop:
    case kHitBottom: return ZoneCursor::SizeNS;
    default: return ZoneCursor::Arrow;
    }
}

}  // namespace

std::optional<Zone> cursorZone(const NoteRecord& note, const ZoneInput& in) {
    if (note.has(kFlagLocked) || in.buttonHeld) return std::nullopt;
    // The label of a circle or outline note covers only its inner rectangle: no borders there.
    if (in.overLabel && note.ShapeIndex != 0) return std::nullopt;

    const long long x = in.x, y = in.y;
    const bool left = x < kZoneBorder;
    const bool right = x > static_cast<long long>(in.controlWidth) - kZoneBorder;
    const bool top = y < kZoneBorder;
    const bool bottom = y > static_cast<long long>(in.controlHeight) - kZoneBorder;

    int16_t hit;
    if (left)
        hit = top ? kHitTopLeft : bottom ? kHitBottomLeft : kHitLeft;
    else if (right)
        hit = top ? kHitTopRight : bottom ? kHitBottomRight : kHitRight;
    else if (top)
        hit = kHitTop;
    else if (bottom)
        hit = kHitBottom;
    else
        hit = kHitCaption;

    // Outline shapes (not the circle) are resized by their corners only, so that they keep their
    // proportions: an edge becomes the nearer corner of the window.
    if (note.ShapeIndex >= 2) {
        // Past the middle: twice the coordinate beyond the size (exact in integers).
        const bool lowerHalf = 2 * y > in.windowHeight, rightHalf = 2 * x > in.windowWidth;
        switch (hit) {
        case kHitLeft: hit = lowerHalf ? kHitBottomLeft : kHitTopLeft; break;
        case kHitRight: hit = lowerHalf ? kHitBottomRight : kHitTopRight; break;
        case kHitTop: hit = rightHalf ? kHitTopRight : kHitTopLeft; break;
        case kHitBottom: hit = rightHalf ? kHitBottomRight : kHitBottomLeft; break;
        default: break;
        }
    }
    return Zone{hit, cursorOf(hit)};
}

bool isSizeCode(int16_t hit) { return hit >= kHitLeft && hit <= kHitBottomRight; }

TwipsRect clampAfterDrag(TwipsRect r, int screenWidth, int screenHeight) {
    r.width = std::max(r.width, kMinNoteSize);
    r.height = std::max(r.height, kMinNoteSize);
    r.top = std::max(r.top, 0);
    r.left = std::max(r.left, 0);
    if (static_cast<long long>(r.top) + r.height > screenHeight) r.top = screenHeight - r.height;
    if (static_cast<long long>(r.left) + r.width > screenWidth) r.left = screenWidth - r.width;
    return r;
}

TwipsRect applyDrag(const TwipsRect& s, int16_t hit, int dx, int dy, int minSize) {
    TwipsRect r = s;
    if (hit == kHitCaption) {
        r.left += dx;
        r.top += dy;
        return r;
    }
    const bool left = hit == kHitLeft || hit == kHitTopLeft || hit == kHitBottomLeft;
    const bool right = hit == kHitRight || hit == kHitTopRight || hit == kHitBottomRight;
    const bool top = hit == kHitTop || hit == kHitTopLeft || hit == kHitTopRight;
    const bool bottom = hit == kHitBottom || hit == kHitBottomLeft || hit == kHitBottomRight;
    const int right0 = s.left + s.width, bottom0 = s.top + s.height;
    if (left) {
        r.width = std::max(s.width - dx, minSize);
        r.left = right0 - r.width;
    } else if (right) {
        r.width = std::max(s.width + dx, minSize);
    }
    if (top) {
        r.height = std::max(s.height - dy, minSize);
        r.top = bottom0 - r.height;
    } else if (bottom) {
        r.height = std::max(s.height + dy, minSize);
    }
    return r;
}

NoteMenuState focusMenuState(const NoteRecord& r) {
    NoteMenuState m;
    m.cancelSendEnabled = r.IsSent;
    m.periodEnabled = !r.IsSent && !r.IsReceived;
    m.sendEnabled = !r.IsSent && !r.IsReceived;
    m.receptionListEnabled = r.IsSent && !r.IsReceived;
    m.checkedShape = r.ShapeIndex;
    m.checkedFont = r.TextSize;
    m.autoSize = r.has(kFlagAutoSize);
    m.timerDialog = r.has(kFlagTimerDialog);
    m.timerBlink = r.has(kFlagTimerBlink);
    m.locked = r.has(kFlagLocked);
    m.alwaysFront = r.has(kFlagAlwaysFront);
    m.alwaysBack = r.has(kFlagAlwaysBack);
    m.reverseCaption = r.has(kFlagReversed) ? kObverseCaption : kReverseCaption;
    m.seeThrough = r.has(kFlagTransparent);
    return m;
}

}  // namespace tw
