// The window size of a note that follows its text, for every kind of shape, and its place on the
// screen.
#include "window/autosize.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

// Base 200 × 100 with a text rectangle of 150 × 60 (height : width 0.4).
ShapeData fileShape() {
    ShapeData s;
    s.name = "形";
    s.baseWidth = 200;
    s.baseHeight = 100;
    s.textLeft = 10;
    s.textTop = 20;
    s.textWidth = 150;
    s.textHeight = 60;
    s.points = {{0, 0, 0}, {0, 200, 0}, {0, 100, 100}, {0, 0, 0}};
    return s;
}

AutoSizeInput input(int lw, int lh, int shape, const ShapeData* data = nullptr) {
    AutoSizeInput in;
    in.labelWidth = lw;
    in.labelHeight = lh;
    in.window = {1000, 2000, 3000, 3000};
    in.screenWidth = 15360;
    in.screenHeight = 11520;
    in.shape = shape;
    in.shapeData = data;
    return in;
}

}  // namespace

TEST(AutoSize, WindowSizeByShape) {
    const ShapeData s = fileShape();
    struct Case {
        const char* what;
        int shape;
        const ShapeData* data;
        int lw, lh;
        TwipsSize window;
        bool labelHeightSet;
        int labelHeight;
    } cases[] = {
        {"normal", kShapeNormal, nullptr, 2000, 500, {2000, 500}, false, 0},
        {"circle", kShapeCircle, nullptr, 1000, 500, {1414, 707}, false, 0},
        {"file shape, text in proportion", 2, &s, 1500, 600, {2000, 1000}, false, 0},
        {"file shape, label made taller", 2, &s, 1500, 450, {2000, 1000}, true, 600},
        {"file shape, label made lower", 7, &s, 1000, 900, {1333, 667}, true, 400},
        {"file shape without data", 3, nullptr, 2000, 500, {2000, 500}, false, 0},
        {"shape number beyond the menu", 13, &s, 2000, 500, {2000, 500}, false, 0},
    };
    for (const Case& c : cases) {
        const AutoSizeResult r = autoSize(input(c.lw, c.lh, c.shape, c.data));
        EXPECT_TRUE(r.resize) << c.what;
        EXPECT_EQ((TwipsSize{r.window.width, r.window.height}), c.window) << c.what;
        EXPECT_EQ(r.window.left, 1000) << c.what;
        EXPECT_EQ(r.window.top, 2000) << c.what;
        EXPECT_EQ(r.labelHeightSet, c.labelHeightSet) << c.what;
        if (c.labelHeightSet) {
            EXPECT_EQ(r.labelHeight, c.labelHeight) << c.what;
        }
    }
}

TEST(AutoSize, TextLargerThanTheScreenChangesNothing) {
    for (auto [lw, lh] : {std::pair{15361, 500}, std::pair{500, 11521}}) {
        const AutoSizeResult r = autoSize(input(lw, lh, kShapeNormal));
        EXPECT_FALSE(r.resize);
        EXPECT_EQ(r.window, (TwipsRect{1000, 2000, 3000, 3000}));
    }
    EXPECT_TRUE(autoSize(input(15360, 11520, kShapeNormal)).resize);   // exactly the screen still fits
}

TEST(AutoSize, AGrowingNoteIsPulledBackFromTheRightAndBottomEdges) {
    AutoSizeInput in = input(2000, 1000, kShapeNormal);
    in.window.left = 14000;
    in.window.top = 11000;
    const AutoSizeResult r = autoSize(in);
    EXPECT_EQ(r.window, (TwipsRect{13360, 10520, 2000, 1000}));
    // A circle around a label as wide as the screen is wider than the screen: its left edge goes off.
    in = input(15000, 100, kShapeCircle);
    EXPECT_EQ(autoSize(in).window.left, 15360 - 21213);
}
