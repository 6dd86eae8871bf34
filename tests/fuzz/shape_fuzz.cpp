// Shape files FSTYLE.nnn as they may lie beside the program: read through the program's own loader,
// written back, and scaled into window outlines.
//
// What must happen, decided by the walk below from the bytes alone: a file whose fields are all there
// with nothing after the points, whose header says one dimension from 0, and whose sizes, count and
// coordinates are within bounds (sizes above 0, no arc centre first or last) is taken and writes back
// to the same bytes; anything else is refused with one message and leaves the shape held before. A
// shape taken scales to a handful of window sizes without harm: at most one outline point per arc
// step, every point near the window.
//
// Seeds: written by fuzz_make_seeds, plus our own shape files (shapes/FSTYLE.nnn) copied as they are.
#include "fuzz_support.h"

#include "platform/sharedfile.h"
#include "window/shapes.h"

#include <algorithm>
#include <cmath>

using namespace tw;
using namespace tw::fuzz;

namespace {

bool inUnits(int32_t v) { return v >= -kMaxShapeUnits && v <= kMaxShapeUnits; }
bool positive(int32_t v) { return v > 0 && v <= kMaxShapeUnits; }

// Whether the walk finds a sound shape file; `s` receives its fields.
bool soundByWalk(std::string_view input, ShapeData& s) {
    LayoutWalk w(input);
    w.str();
    s.baseWidth = w.i32();
    s.baseHeight = w.i32();
    s.textLeft = w.i32();
    s.textTop = w.i32();
    s.textWidth = w.i32();
    s.textHeight = w.i32();
    const uint16_t dimensions = w.u16();
    const uint32_t count = w.u32();
    const uint32_t lowerBound = w.u32();
    if (!w.ok() || dimensions != 1 || lowerBound != 0) return false;
    if (count < 3 || count > kMaxShapePoints || input.size() - w.pos() != size_t{count} * 10) return false;
    for (uint32_t i = 0; i < count; ++i) {
        ShapePoint p;
        p.flags = w.u16();
        p.x = w.i32();
        p.y = w.i32();
        if (!inUnits(p.x) || !inUnits(p.y)) return false;
        s.points.push_back(p);
    }
    FUZZ_CHECK(w.ok() && w.atEnd());
    if (!positive(s.baseWidth) || !positive(s.baseHeight) || !positive(s.textWidth) || !positive(s.textHeight) ||
        !inUnits(s.textLeft) || !inUnits(s.textTop))
        return false;
    return (s.points.front().flags & kPointArcCentre) == 0 && (s.points.back().flags & kPointArcCentre) == 0;
}

void checkOutline(const ShapeData& s, int pw, int ph) {
    const std::vector<IntPoint> outline = scaledOutline(s, pw, ph);
    FUZZ_CHECK(!outline.empty());
    // An arc's sweep is under a full turn: at most 72 steps of about 5° each.
    FUZZ_CHECK(outline.size() <= s.points.size() * 73 + 1);
    // Points lie within kMaxShapeUnits of the origin and arcs have a radius under three times that.
    const double sx = static_cast<double>(pw) / s.baseWidth, sy = static_cast<double>(ph) / s.baseHeight;
    for (const IntPoint& p : outline) {
        FUZZ_CHECK(std::abs(static_cast<double>(p.x)) <= sx * 4.0 * kMaxShapeUnits + 1);
        FUZZ_CHECK(std::abs(static_cast<double>(p.y)) <= sy * 4.0 * kMaxShapeUnits + 1);
    }
    const std::vector<IntPoint> region = regionPolygon(s, pw, ph);
    FUZZ_CHECK(region.empty() ? outline.size() < 4 : region.size() + 1 == outline.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string& folder = emptyScratchFolder();
    Member m(folder);
    m.st.sys.programDir = folder;
    writeFileBytes(joinPath(folder, "FSTYLE.002"), input);

    ShapeData walked;
    const bool sound = soundByWalk(input, walked);

    ShapeData s;
    s.name = "前の形状";
    const bool loaded = loadShapeFile(m.st, 2, s);
    FUZZ_CHECK(loaded == sound);
    FUZZ_CHECK(m.prompter.shown == (sound ? 0 : 1));
    if (!loaded) {
        FUZZ_CHECK(s.name == "前の形状" && s.points.empty());
        return 0;
    }
    FUZZ_CHECK(s.baseWidth == walked.baseWidth && s.baseHeight == walked.baseHeight);
    FUZZ_CHECK(s.textLeft == walked.textLeft && s.textTop == walked.textTop);
    FUZZ_CHECK(s.textWidth == walked.textWidth && s.textHeight == walked.textHeight);
    FUZZ_CHECK(s.points == walked.points);
    const std::optional<std::string> back = encodeShapeFile(s);
    FUZZ_CHECK(back && *back == input);

    for (int pw : {1, 160, 2184}) checkOutline(s, pw, std::clamp(shapeWindowHeight(s, pw), 0, 30000));
    checkOutline(s, 300, 7);
    const TwipsRect text = shapeTextRect(s, 3000, 3000);
    FUZZ_CHECK(text.width >= 0 && text.height >= 0);
    return 0;
}
