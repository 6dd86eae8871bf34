// Cursor zones, clamping after a drag, the program's own drag, 16-bit fields, twips and pixels, and the
// menu state a note window takes from its record when it gains the focus.
#include "window/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tw;

namespace {

NoteRecord plainNote(int16_t shape = 0) {
    NoteRecord r;
    r.Width = 2145;
    r.Height = 450;
    r.ShapeIndex = shape;
    return r;
}

// A move over the window itself (not the label) of a 2145 x 450 note.
ZoneInput over(int x, int y, int w = 2145, int h = 450) {
    ZoneInput in;
    in.x = x;
    in.y = y;
    in.controlWidth = w;
    in.controlHeight = h;
    in.windowWidth = w;
    in.windowHeight = h;
    return in;
}

int16_t hitAt(const NoteRecord& r, const ZoneInput& in) {
    auto z = cursorZone(r, in);
    return z ? z->hit : int16_t(-1);
}

}  // namespace

TEST(CursorZones, BordersAreEightyTwipsWideWithStrictComparisons) {
    const NoteRecord r = plainNote();
    struct Case {
        int x, y;
        int16_t hit;
        ZoneCursor cursor;
    } cases[] = {
        {79, 200, kHitLeft, ZoneCursor::SizeWE},      {80, 200, kHitCaption, ZoneCursor::Arrow},
        {2065, 200, kHitCaption, ZoneCursor::Arrow},  {2066, 200, kHitRight, ZoneCursor::SizeWE},
        {1000, 79, kHitTop, ZoneCursor::SizeNS},      {1000, 80, kHitCaption, ZoneCursor::Arrow},
        {1000, 370, kHitCaption, ZoneCursor::Arrow},  {1000, 371, kHitBottom, ZoneCursor::SizeNS},
        {0, 0, kHitTopLeft, ZoneCursor::SizeNWSE},    {79, 449, kHitBottomLeft, ZoneCursor::SizeNESW},
        {2144, 0, kHitTopRight, ZoneCursor::SizeNESW}, {2144, 449, kHitBottomRight, ZoneCursor::SizeNWSE},
        {1072, 225, kHitCaption, ZoneCursor::Arrow},
    };
    for (const Case& c : cases) {
        auto z = cursorZone(r, over(c.x, c.y));
        ASSERT_TRUE(z.has_value()) << c.x << "," << c.y;
        EXPECT_EQ(z->hit, c.hit) << c.x << "," << c.y;
        EXPECT_EQ(z->cursor, c.cursor) << c.x << "," << c.y;
    }
}

TEST(CursorZones, NarrowNotesPreferLeftAndTop) {
    const NoteRecord r = plainNote();
    // 150 twips wide and high: x = 75 is both < 80 and > 70, y likewise.
    EXPECT_EQ(hitAt(r, over(75, 100, 150, 1000)), kHitLeft);
    EXPECT_EQ(hitAt(r, over(1000, 75, 2145, 150)), kHitTop);
    EXPECT_EQ(hitAt(r, over(75, 75, 150, 150)), kHitTopLeft);
}

TEST(CursorZones, NothingChangesWhenLockedHeldOrOverTheLabelOfAShape) {
    NoteRecord locked = plainNote();
    locked.set(kFlagLocked, true);
    EXPECT_FALSE(cursorZone(locked, over(0, 0)).has_value());

    ZoneInput held = over(0, 0);
    held.buttonHeld = true;
    EXPECT_FALSE(cursorZone(plainNote(), held).has_value());

    ZoneInput label = over(0, 0);
    label.overLabel = true;
    EXPECT_EQ(hitAt(plainNote(0), label), kHitTopLeft);   // a plain note's label is the whole note
    EXPECT_FALSE(cursorZone(plainNote(1), label).has_value());
    EXPECT_FALSE(cursorZone(plainNote(2), label).has_value());
}

TEST(CursorZones, OutlineShapesResizeOnlyByCorners) {
    const NoteRecord star = plainNote(2);
    // Window 1000 x 1000: the middle is 500; exactly at the middle counts as the upper/left half.
    EXPECT_EQ(hitAt(star, over(10, 300, 1000, 1000)), kHitTopLeft);
    EXPECT_EQ(hitAt(star, over(10, 500, 1000, 1000)), kHitTopLeft);
    EXPECT_EQ(hitAt(star, over(10, 501, 1000, 1000)), kHitBottomLeft);
    EXPECT_EQ(hitAt(star, over(990, 300, 1000, 1000)), kHitTopRight);
    EXPECT_EQ(hitAt(star, over(990, 700, 1000, 1000)), kHitBottomRight);
    EXPECT_EQ(hitAt(star, over(501, 10, 1000, 1000)), kHitTopRight);
    EXPECT_EQ(hitAt(star, over(500, 10, 1000, 1000)), kHitTopLeft);
    EXPECT_EQ(hitAt(star, over(600, 990, 1000, 1000)), kHitBottomRight);
    EXPECT_EQ(hitAt(star, over(400, 990, 1000, 1000)), kHitBottomLeft);
    EXPECT_EQ(hitAt(star, over(500, 500, 1000, 1000)), kHitCaption);
    EXPECT_EQ(cursorZone(star, over(10, 501, 1000, 1000))->cursor, ZoneCursor::SizeNESW);
    EXPECT_EQ(cursorZone(star, over(10, 300, 1000, 1000))->cursor, ZoneCursor::SizeNWSE);

    // The window's size decides the half, not the control's: a picture 400 high in a 1000 high window.
    ZoneInput picture = over(10, 300, 1000, 400);
    picture.windowHeight = 1000;
    EXPECT_EQ(hitAt(star, picture), kHitTopLeft);

    // The circle keeps its edges.
    EXPECT_EQ(hitAt(plainNote(1), over(10, 700, 1000, 1000)), kHitLeft);
}

TEST(DragClamp, MinimumSizeThenTopLeftThenBottomRight) {
    const int sw = 15360, sh = 11520;
    EXPECT_EQ(clampAfterDrag({100, 100, 100, 100}, sw, sh), (TwipsRect{100, 100, 160, 160}));
    EXPECT_EQ(clampAfterDrag({-30, -1, 2145, 450}, sw, sh), (TwipsRect{0, 0, 2145, 450}));
    // Dragged partly below the bottom: the bottom edge meets the screen's.
    EXPECT_EQ(clampAfterDrag({1000, 11400, 2145, 450}, sw, sh), (TwipsRect{1000, 11070, 2145, 450}));
    EXPECT_EQ(clampAfterDrag({14000, 1000, 2145, 450}, sw, sh), (TwipsRect{13215, 1000, 2145, 450}));
    // Exactly on the edge stays.
    EXPECT_EQ(clampAfterDrag({13215, 11070, 2145, 450}, sw, sh), (TwipsRect{13215, 11070, 2145, 450}));
    // Larger than the screen: the top/left step runs first, so the note ends above/left of it.
    EXPECT_EQ(clampAfterDrag({-50, -50, 20000, 12000}, sw, sh), (TwipsRect{-4640, -480, 20000, 12000}));
}

TEST(DragClamp, OwnDragMovesAndResizesByTheHitCode) {
    const TwipsRect s{100, 200, 300, 400};
    EXPECT_EQ(applyDrag(s, kHitCaption, 15, -20, 1), (TwipsRect{115, 180, 300, 400}));
    EXPECT_EQ(applyDrag(s, kHitRight, 50, 99, 1), (TwipsRect{100, 200, 350, 400}));
    EXPECT_EQ(applyDrag(s, kHitBottom, 99, -50, 1), (TwipsRect{100, 200, 300, 350}));
    EXPECT_EQ(applyDrag(s, kHitLeft, 50, 0, 1), (TwipsRect{150, 200, 250, 400}));
    EXPECT_EQ(applyDrag(s, kHitTopLeft, -10, -20, 1), (TwipsRect{90, 180, 310, 420}));
    EXPECT_EQ(applyDrag(s, kHitBottomRight, 10, 20, 1), (TwipsRect{100, 200, 310, 420}));
    EXPECT_EQ(applyDrag(s, kHitTopRight, 10, 20, 1), (TwipsRect{100, 220, 310, 380}));
    EXPECT_EQ(applyDrag(s, kHitBottomLeft, 10, 20, 1), (TwipsRect{110, 200, 290, 420}));
    // Past the opposite edge: the size stops at the minimum and that edge stays where it was.
    EXPECT_EQ(applyDrag(s, kHitLeft, 500, 0, 1), (TwipsRect{399, 200, 1, 400}));
    EXPECT_EQ(applyDrag(s, kHitTop, 0, 900, 1), (TwipsRect{100, 599, 300, 1}));
    EXPECT_EQ(applyDrag(s, kHitNowhere, 50, 50, 1), s);
}

TEST(SixteenBitFields, ClampInsteadOfWrapping) {
    EXPECT_EQ(clampInt16(40000LL), 32767);
    EXPECT_EQ(clampInt16(-40000LL), -32768);
    EXPECT_EQ(clampInt16(-32768LL), -32768);
    EXPECT_EQ(clampInt16(2.5), 2);
    EXPECT_EQ(clampInt16(3.5), 4);
    EXPECT_EQ(clampInt16(-2.5), -2);
    EXPECT_EQ(clampInt16(1e12), 32767);
    EXPECT_EQ(clampInt16(std::numeric_limits<double>::quiet_NaN()), 0);

    NoteRecord r;
    storeGeometry(r, {-50000, 70000, 33000, 160});
    EXPECT_EQ(r.Left, -32768);
    EXPECT_EQ(r.Top, 32767);
    EXPECT_EQ(r.Width, 32767);
    EXPECT_EQ(r.Height, 160);
    EXPECT_EQ(recordGeometry(r), (TwipsRect{-32768, 32767, 32767, 160}));
}

TEST(SixteenBitFields, TwipsAndPixelsRoundHalvesToEven) {
    EXPECT_EQ(twipsToPixels(2145, 15), 143);
    EXPECT_EQ(twipsToPixels(160, 15), 11);     // 10.67
    EXPECT_EQ(twipsToPixels(45, 2), 22);       // 22.5
    EXPECT_EQ(twipsToPixels(75, 2), 38);       // 37.5
    EXPECT_EQ(twipsToPixels(-45, 2), -22);
    EXPECT_EQ(twipsToPixels(100, 0), 100);     // a broken factor counts as 1
    EXPECT_EQ(pixelsToTwips(143, 15), 2145);
    EXPECT_EQ(pixelsToTwips(-3, 15), -45);
}

TEST(FocusMenu, EnablingFollowsTheSendState) {
    NoteRecord plain;
    auto m = focusMenuState(plain);
    EXPECT_FALSE(m.cancelSendEnabled);
    EXPECT_TRUE(m.periodEnabled);
    EXPECT_TRUE(m.sendEnabled);
    EXPECT_FALSE(m.receptionListEnabled);

    NoteRecord sent;
    sent.IsSent = true;
    m = focusMenuState(sent);
    EXPECT_TRUE(m.cancelSendEnabled);
    EXPECT_FALSE(m.periodEnabled);
    EXPECT_FALSE(m.sendEnabled);
    EXPECT_TRUE(m.receptionListEnabled);

    NoteRecord received;
    received.IsReceived = true;
    m = focusMenuState(received);
    EXPECT_FALSE(m.cancelSendEnabled);
    EXPECT_FALSE(m.periodEnabled);
    EXPECT_FALSE(m.sendEnabled);
    EXPECT_FALSE(m.receptionListEnabled);

    // A received note sent on: cancel yes, reception list no.
    received.IsSent = true;
    m = focusMenuState(received);
    EXPECT_TRUE(m.cancelSendEnabled);
    EXPECT_FALSE(m.receptionListEnabled);
}

TEST(FocusMenu, CheckMarksAndTheReverseCaption) {
    NoteRecord r;
    r.ShapeIndex = 3;
    r.TextSize = 2;
    r.Flags = kFlagAutoSize | kFlagTimerBlink | kFlagAlwaysBack | kFlagReversed | kFlagTransparent;
    auto m = focusMenuState(r);
    EXPECT_EQ(m.checkedShape, 3);
    EXPECT_EQ(m.checkedFont, 2);
    EXPECT_TRUE(m.autoSize);
    EXPECT_FALSE(m.timerDialog);
    EXPECT_TRUE(m.timerBlink);
    EXPECT_FALSE(m.locked);
    EXPECT_FALSE(m.alwaysFront);
    EXPECT_TRUE(m.alwaysBack);
    EXPECT_EQ(m.reverseCaption, "表返し(&R)");

    r.Flags = kFlagTimerDialog | kFlagLocked | kFlagAlwaysFront;
    m = focusMenuState(r);
    EXPECT_FALSE(m.autoSize);
    EXPECT_TRUE(m.timerDialog);
    EXPECT_FALSE(m.timerBlink);
    EXPECT_TRUE(m.locked);
    EXPECT_TRUE(m.alwaysFront);
    EXPECT_FALSE(m.alwaysBack);
    EXPECT_EQ(m.reverseCaption, "裏返し(&R)");
}
