// Our shape files shapes/FSTYLE.nnn are what the generator makes of their descriptions in
// shapes/src/ (remade with shapes/remake.sh), and each makes a window region.
#include "tools/shapegen.h"
#include "window/shapes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

using namespace tw;
namespace fs = std::filesystem;

namespace {

std::string fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const fs::path kShapes = fs::u8path(TW_SHAPES_DIR);

bool insidePolygon(const std::vector<IntPoint>& poly, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const IntPoint a = poly[i], b = poly[j];
        if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / double(b.y - a.y)) in = !in;
    }
    return in;
}

// Whether the rectangle lies in the outline, tried every half unit along its edges just inside them.
bool rectInside(const std::vector<IntPoint>& poly, double l, double t, double r, double b) {
    for (double x = l + 0.25; x < r; x += 0.5)
        if (!insidePolygon(poly, x, t + 0.25) || !insidePolygon(poly, x, b - 0.25)) return false;
    for (double y = t + 0.25; y < b; y += 0.5)
        if (!insidePolygon(poly, l + 0.25, y) || !insidePolygon(poly, r - 0.25, y)) return false;
    return true;
}

}  // namespace

TEST(ShapeFilesInTheTree, AreRemadeFromTheirDescriptions) {
    std::map<std::string, fs::path> descriptions;   // "002" -> shapes/src/002-star.txt
    for (const auto& e : fs::directory_iterator(kShapes / "src"))
        if (e.path().extension() == ".txt") descriptions[e.path().filename().string().substr(0, 3)] = e.path();
    std::map<std::string, fs::path> files;
    for (const auto& e : fs::directory_iterator(kShapes)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("FSTYLE.", 0) == 0) files[name.substr(7)] = e.path();
    }
    ASSERT_GE(files.size(), 5u);
    ASSERT_EQ(descriptions.size(), files.size());
    for (const auto& [number, file] : files) {
        ASSERT_TRUE(descriptions.count(number)) << "FSTYLE." << number << " has no description";
        std::string error;
        const std::optional<std::string> made = shapegen::shapeFileBytes(fileBytes(descriptions[number]), error);
        ASSERT_TRUE(made) << descriptions[number] << ": " << error;
        EXPECT_EQ(*made, fileBytes(file)) << "FSTYLE." << number << " differs from its description";

        ShapeData s;
        ASSERT_EQ(decodeShapeFile(*made, s), ShapeFault::None);
        const int w = 300, h = shapeWindowHeight(s, w);
        EXPECT_GE(regionPolygon(s, w, h).size(), 3u) << "FSTYLE." << number;
        // The text sits inside the outline, at the shape's own size.
        const std::vector<IntPoint> outline = regionPolygon(s, s.baseWidth, s.baseHeight);
        EXPECT_TRUE(rectInside(outline, s.textLeft, s.textTop, s.textLeft + s.textWidth, s.textTop + s.textHeight))
            << "FSTYLE." << number;
    }
    ShapeData star, heart;
    ASSERT_EQ(decodeShapeFile(fileBytes(kShapes / "FSTYLE.002"), star), ShapeFault::None);
    ASSERT_EQ(decodeShapeFile(fileBytes(kShapes / "FSTYLE.003"), heart), ShapeFault::None);
    EXPECT_EQ(star.name, "星型");
    EXPECT_EQ(heart.name, "ハート型");
    // The star's text rectangle is the largest the outline holds: a unit more on any side leaves it.
    const std::vector<IntPoint> starOutline = regionPolygon(star, star.baseWidth, star.baseHeight);
    const double l = star.textLeft, t = star.textTop, r = l + star.textWidth, b = t + star.textHeight;
    EXPECT_GE(star.textWidth * star.textHeight, 4900);
    EXPECT_FALSE(rectInside(starOutline, l - 1, t, r, b));
    EXPECT_FALSE(rectInside(starOutline, l, t - 1, r, b));
    EXPECT_FALSE(rectInside(starOutline, l, t, r + 1, b));
    EXPECT_FALSE(rectInside(starOutline, l, t, r, b + 1));
    // The heart's lobes are arcs: its region has many more points than its file.
    EXPECT_GT(regionPolygon(heart, 300, 270).size(), 2 * heart.points.size());
}

TEST(ShapeGenerator, RefusesBrokenDescriptions) {
    const std::string head = "name 四角\nbase 10 10\ntext 1 1 8 8\n";
    const std::string square = "point 0 0\npoint 10 0\npoint 10 10\npoint 0 10\npoint 0 0\n";
    struct Case {
        std::string text, error;
    } cases[] = {
        {"base 10 10\ntext 1 1 8 8\n" + square, "name, base and text are all needed"},
        {head + "point 0 0\nsquare 1 1\n", "line 5: unknown statement \"square\""},
        {head + "point 0\n", "line 4: point needs x and y"},
        {head + "point 0 0 sideways\n", "line 4: unknown direction \"sideways\""},
        {head + "centre 5 5\n" + square, "an arc centre cannot be the first or the last point"},
        {"name 四角\nbase 0 10\ntext 1 1 8 8\n" + square, "base width and height must be above 0"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(shapegen::shapeFileBytes(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const std::optional<ShapeData> s = shapegen::parseDescription(head + "point 0 0 increasing # a comment\ncentre 1 2 decreasing\n" + square, error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->points[0].flags, kPointDirection | kPointIncreasing);
    EXPECT_EQ(s->points[1].flags, kPointArcCentre | kPointDirection);
    EXPECT_EQ(s->name, "四角");
}
