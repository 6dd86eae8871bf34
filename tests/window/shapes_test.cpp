// Shape files: the decoder against a file written byte by byte, damaged files, the scaled outline
// with its arcs against points worked out by hand, the label rectangles and the aspect rule, and the
// catalogue of the files beside the program.
#include "window/shapes.h"

#include "model/state.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tw;
using namespace tw::test;

namespace {

// "星", 200 × 100, text (10, 20, 150, 60), six points: (0, 0) marking increasing arcs, (120, 20), the
// arc centre (20, 20), (117, 46), (-4, 100) and (0, 0) closing.
const std::string kHandMade = std::string(
    "\x02\x00" "\x90\xAF"
    "\xC8\x00\x00\x00" "\x64\x00\x00\x00"
    "\x0A\x00\x00\x00" "\x14\x00\x00\x00" "\x96\x00\x00\x00" "\x3C\x00\x00\x00"
    "\x01\x00" "\x06\x00\x00\x00" "\x00\x00\x00\x00"
    "\x05\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
    "\x00\x00" "\x78\x00\x00\x00" "\x14\x00\x00\x00"
    "\x02\x00" "\x14\x00\x00\x00" "\x14\x00\x00\x00"
    "\x00\x00" "\x75\x00\x00\x00" "\x2E\x00\x00\x00"
    "\x00\x00" "\xFC\xFF\xFF\xFF" "\x64\x00\x00\x00"
    "\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00", 98);

// Offsets in kHandMade.
constexpr size_t kBaseWidthAt = 4, kBaseHeightAt = 8, kTextWidthAt = 20, kDimensionsAt = 28, kCountAt = 30,
                 kLowerBoundAt = 34, kPointsAt = 38;

std::string patched(std::string bytes, size_t at, uint32_t value, size_t width = 4) {
    for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

ShapeData handMade() {
    ShapeData s;
    EXPECT_EQ(decodeShapeFile(kHandMade, s), ShapeFault::None);
    return s;
}

}  // namespace

TEST(ShapeFile, DecodesAHandMadeFileFieldByField) {
    const ShapeData s = handMade();
    EXPECT_EQ(s.name, "星");
    EXPECT_EQ(s.baseWidth, 200);
    EXPECT_EQ(s.baseHeight, 100);
    EXPECT_EQ(s.textLeft, 10);
    EXPECT_EQ(s.textTop, 20);
    EXPECT_EQ(s.textWidth, 150);
    EXPECT_EQ(s.textHeight, 60);
    const std::vector<ShapePoint> want = {{5, 0, 0},   {0, 120, 20}, {2, 20, 20},
                                          {0, 117, 46}, {0, -4, 100}, {0, 0, 0}};
    EXPECT_EQ(s.points, want);
    EXPECT_EQ(encodeShapeFile(s), kHandMade);
}

TEST(ShapeFile, DamagedFilesAreRefusedAndLeaveTheShapeAsItWas) {
    struct Case {
        const char* what;
        std::string bytes;
        ShapeFault fault;
    } cases[] = {
        {"empty", "", ShapeFault::Cut},
        {"cut in the name", kHandMade.substr(0, 3), ShapeFault::Cut},
        {"cut in the sizes", kHandMade.substr(0, 30), ShapeFault::Cut},
        {"cut in the last point", kHandMade.substr(0, kHandMade.size() - 1), ShapeFault::Cut},
        {"a byte too many", kHandMade + '\0', ShapeFault::ExtraBytes},
        {"two dimensions", patched(kHandMade, kDimensionsAt, 2, 2), ShapeFault::BadHeader},
        {"lower bound 1", patched(kHandMade, kLowerBoundAt, 1), ShapeFault::BadHeader},
        {"base width 0", patched(kHandMade, kBaseWidthAt, 0), ShapeFault::BadBaseSize},
        {"negative base height", patched(kHandMade, kBaseHeightAt, static_cast<uint32_t>(-5)), ShapeFault::BadBaseSize},
        {"absurd base width", patched(kHandMade, kBaseWidthAt, 2000000), ShapeFault::BadBaseSize},
        {"text width 0", patched(kHandMade, kTextWidthAt, 0), ShapeFault::BadTextRect},
        {"huge count", patched(kHandMade, kCountAt, 0xFFFFFFFF), ShapeFault::BadPointCount},
        {"count beyond the bytes", patched(kHandMade, kCountAt, 7), ShapeFault::Cut},
        {"count short of the bytes", patched(kHandMade, kCountAt, 5), ShapeFault::ExtraBytes},
        {"two points", patched(kHandMade, kCountAt, 2).substr(0, kPointsAt + 20), ShapeFault::BadPointCount},
        {"absurd coordinate", patched(kHandMade, kPointsAt + 12, 0x7FFFFFFF), ShapeFault::BadPoint},
        {"centre first", patched(kHandMade, kPointsAt, 2, 2), ShapeFault::ArcAtEnd},
        {"centre last", patched(kHandMade, kPointsAt + 50, 2, 2), ShapeFault::ArcAtEnd},
    };
    for (const Case& c : cases) {
        ShapeData s;
        s.name = "前の形状";
        EXPECT_EQ(decodeShapeFile(c.bytes, s), c.fault) << c.what;
        EXPECT_EQ(s.name, "前の形状") << c.what;
        EXPECT_TRUE(s.points.empty()) << c.what;
    }
}

TEST(ShapeOutline, ArcsAreResolvedIntoScaledPoints) {
    // The arc from (120, 20) around (20, 20) to (117, 46): radius 100, from angle 0 to atan(26/97),
    // three steps of about 5° at (120, 29), (118, 37), (117, 46). At half size the first lies 4 pixels
    // from the start, (60, 14) against (60, 10), and is dropped; the third, (58, 23) against (59, 18),
    // lies 5 pixels away and is kept. Then (117, 46) follows once more as the arc's end.
    const std::string decreasing = patched(kHandMade, kPointsAt, 0, 2);
    struct Case {
        const std::string* bytes;
        int pw, ph;
        std::vector<IntPoint> region;
    } cases[] = {
        {&kHandMade, 200, 100, {{0, 0}, {120, 20}, {120, 29}, {118, 37}, {117, 46}, {117, 46}, {-4, 100}}},
        {&kHandMade, 100, 50, {{0, 0}, {60, 10}, {59, 18}, {58, 23}, {58, 23}, {-2, 50}}},
        // Decreasing, the arc would run the long way round backwards: no step, start and end joined,
        // and the closing point stays in the region.
        {&decreasing, 200, 100, {{0, 0}, {120, 20}, {117, 46}, {-4, 100}, {0, 0}}},
    };
    for (const Case& c : cases) {
        ShapeData s;
        ASSERT_EQ(decodeShapeFile(*c.bytes, s), ShapeFault::None);
        EXPECT_EQ(regionPolygon(s, c.pw, c.ph), c.region) << c.pw << " x " << c.ph;
        const std::vector<IntPoint> outline = scaledOutline(s, c.pw, c.ph);
        EXPECT_EQ(outline.size(), c.region.size() + 1);
    }
}

TEST(ShapeOutline, WithoutArcsTheLastPointIsLeftOut) {
    ShapeData s = handMade();
    s.points = {{0, 0, 0}, {0, 200, 0}, {0, 200, 100}, {0, 0, 100}, {0, 0, 0}};
    EXPECT_EQ(regionPolygon(s, 400, 50), (std::vector<IntPoint>{{0, 0}, {400, 0}, {400, 50}, {0, 50}}));
    s.points.resize(3);   // two points are no polygon
    EXPECT_TRUE(regionPolygon(s, 400, 50).empty());
    s.baseWidth = 0;
    EXPECT_TRUE(scaledOutline(s, 400, 50).empty());
}

TEST(ShapeOutline, ArcSweepsAcrossTheHalfTurn) {
    const IntPoint c{500, 500};
    struct Case {
        const char* what;
        IntPoint start, end;
        bool increasing;
        size_t size;
        IntPoint middle;   // element 18
    } cases[] = {
        // From angle 0 to the half turn, decreasing: over the top, 36 steps, none dropped.
        {"right to left over the top", {600, 500}, {400, 500}, false, 38, {500, 400}},
        // From the top to the bottom, decreasing: through the half turn, on the left.
        {"top to bottom on the left", {500, 400}, {500, 600}, false, 38, {400, 500}},
        // From the bottom to the top, increasing: the same way round.
        {"bottom to top on the left", {500, 600}, {500, 400}, true, 38, {400, 500}},
    };
    for (const Case& k : cases) {
        const std::vector<IntPoint> arc = shapeArc(k.start, c, k.end, k.increasing, 1, 1);
        ASSERT_EQ(arc.size(), k.size) << k.what;
        EXPECT_EQ(arc.front(), k.start) << k.what;
        EXPECT_EQ(arc.back(), k.end) << k.what;
        EXPECT_EQ(arc[18], k.middle) << k.what;
        for (const IntPoint& p : arc) {
            const double r = std::hypot(p.x - c.x, p.y - c.y);
            EXPECT_NEAR(r, 100, 0.75) << k.what;
            EXPECT_EQ(k.middle.y == 400 ? p.y <= 500 : p.x <= 500, true) << k.what << " " << p.x << "," << p.y;
        }
    }
    // A sweep under half a step (2°) adds nothing.
    EXPECT_EQ(shapeArc({600, 500}, c, {600, 503}, true, 1, 1), (std::vector<IntPoint>{{600, 500}, {600, 503}}));
}

TEST(ShapeRects, CircleTextIsTheInscribedSquare) {
    EXPECT_EQ(circleTextRect(1500, 1500), (TwipsRect{220, 220, 1061, 1061}));   // 219.5 rounds to even
    EXPECT_EQ(circleTextRect(3000, 1000), (TwipsRect{440, 146, 2121, 707}));     // 439.5 and 146.5
}

TEST(ShapeRects, FileShapesKeepTheirAspectAndPlaceTheLabel) {
    ShapeData s = handMade();
    EXPECT_EQ(shapeWindowHeight(s, 3000), 1500);
    EXPECT_EQ(shapeTextRect(s, 3000, 1500), (TwipsRect{150, 300, 2250, 900}));
    EXPECT_EQ(shapeTextRect(s, 30, 15).width, 22);   // 22.5 to even
    s.baseHeight = 101;
    EXPECT_EQ(shapeWindowHeight(s, 100), 50);   // 50.5
    EXPECT_EQ(shapeWindowHeight(s, 300), 152);  // 151.5
    s.baseWidth = 0;
    EXPECT_EQ(shapeWindowHeight(s, 300), 300);
    EXPECT_EQ(shapeTextRect(s, 300, 200), (TwipsRect{0, 0, 300, 200}));
}

namespace {

struct ShapeFolder {
    TempDir dir;
    TestServices services;
    AppState st{services.services()};
    ShapeFolder() { st.sys.programDir = dir.str(); }
    void put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir.file(name), std::ios::binary) << bytes;
    }
};

}  // namespace

TEST(ShapeCatalogue, TakesNumberedFilesAboveOne) {
    ShapeFolder f;
    for (const char* name : {"FSTYLE.000", "FSTYLE.001", "FSTYLE.abc", "FSTYLE.012", "FSTYLE.002", "OTHER.003"})
        f.put(name, kHandMade);
    EXPECT_EQ(buildShapeCatalogue(f.st), (std::vector<ShapeEntry>{{2, "星"}, {12, "星"}}));
    // Reading them leaves nothing beside the program: no lock folder, no temporary file.
    const auto entries = std::filesystem::directory_iterator(f.dir.str());
    EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 6);
}

TEST(ShapeCatalogue, KeepsThirteenShapes) {
    ShapeFolder f;
    for (int n = 2; n <= 15; ++n) f.put(shapeFileName(n), kHandMade);
    const std::vector<ShapeEntry> c = buildShapeCatalogue(f.st);
    ASSERT_EQ(c.size(), 13u);
    EXPECT_EQ(c.back().number, 14);
}

TEST(ShapeCatalogue, ADamagedFileIsReportedAndLeftOut) {
    ShapeFolder f;
    f.put("FSTYLE.002", kHandMade);
    f.put("FSTYLE.003", kHandMade.substr(0, 50));
    f.services.prompter.expect("エラー",
                               "ファイル(" + f.dir.file("FSTYLE.003") + ")にアクセスできません\r" +
                                   makeError(kErrPastEnd).description,
                               Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(buildShapeCatalogue(f.st), (std::vector<ShapeEntry>{{2, "星"}}));
}

TEST(ShapeCatalogue, WithoutShapesOnlyNormalAndCircleRemain) {
    ShapeFolder f;
    f.services.prompter.expect(kProductName, "付箋形状基礎データファイルが１つも存在しません\r\n通常・円形以外の形状は使用できません。",
                               Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(buildShapeCatalogue(f.st), (std::vector<ShapeEntry>{{0, ""}}));
}

TEST(ShapeCatalogue, LoadingAMissingFileKeepsTheShapeAndMakesNoFile) {
    ShapeFolder f;
    f.put("FSTYLE.004", patched(kHandMade, kBaseWidthAt, 0));
    ShapeData s = handMade();
    const ShapeData before = s;
    f.services.prompter.expect("エラー",
                               "ファイル(" + f.dir.file("FSTYLE.003") + ")にアクセスできません\r" +
                                   makeError(kErrFileNotFound).description,
                               Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(loadShapeFile(f.st, 3, s));
    EXPECT_FALSE(fileExists(f.dir.file("FSTYLE.003")));
    f.services.prompter.expect("エラー",
                               "ファイル(" + f.dir.file("FSTYLE.004") + ")にアクセスできません\r" +
                                   "ファイルの内容が付箋形状データとして正しくありません。",
                               Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(loadShapeFile(f.st, 4, s));
    EXPECT_EQ(s, before);
}
