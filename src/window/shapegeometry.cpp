// The geometry of shaped notes: the outline of a file shape scaled to its window, with its arcs
// resolved into points, and the rectangles of the text label.
//
// The constants of the arcs are those every member's program draws with (a half turn of 3.1415925 for
// the running angle and the sweep, 3.14159265352979 in the angle function): a shape has to come out
// with the same points wherever it is shown.
#include "window/shapes.h"

#include <cmath>
#include <limits>

namespace tw {

namespace {

constexpr double kHalfTurn = 3.1415925;            // bound of the running angle, sweeps across it
constexpr double kAngleHalfTurn = 3.14159265352979;
constexpr double kQuarterTurn = 1.570796326764895;
constexpr double kFullTurn = 6.283185;
constexpr double kArcStep = 0.08726645833333332;   // about 5°
constexpr double kMinArcGap = 5;                   // pixels between two kept arc points

// The direction of (dx, dy) from the x axis, y growing downwards, in (−π, π].
double angleOf(double dy, double dx) {
    if (dx > 0) return std::atan(dy / dx);
    if (dx == 0) return dy > 0 ? kQuarterTurn : dy < 0 ? -kQuarterTurn : 0;
    return dy >= 0 ? std::atan(dy / dx) + kAngleHalfTurn : std::atan(dy / dx) - kAngleHalfTurn;
}

IntPoint scaled(IntPoint p, double sx, double sy) { return {roundToInt(sx * p.x), roundToInt(sy * p.y)}; }
IntPoint pointOf(const ShapePoint& p) { return {p.x, p.y}; }
bool isCentre(const ShapePoint& p) { return (p.flags & kPointArcCentre) != 0; }

double distance(IntPoint a, IntPoint b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dy = static_cast<double>(a.y) - b.y;
    return std::nearbyint(std::sqrt(dx * dx + dy * dy));
}

bool usableBase(const ShapeData& s) { return s.baseWidth > 0 && s.baseHeight > 0; }

}  // namespace

int roundToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(std::nearbyint(v));
}

std::vector<IntPoint> shapeArc(IntPoint start, IntPoint centre, IntPoint end, bool increasing, double sx, double sy) {
    const double cx = centre.x, cy = centre.y;
    const double r = std::nearbyint(std::sqrt((cy - start.y) * (cy - start.y) + (cx - start.x) * (cx - start.x)));
    const double a0 = angleOf(start.y - cy, start.x - cx);
    const double a1 = angleOf(end.y - cy, end.x - cx);
    double step, sweep;
    if (increasing) {
        step = kArcStep;
        sweep = a0 > 0 && a1 < 0 ? (kHalfTurn - a0) + (a1 + kHalfTurn) : a1 - a0;
    } else {
        step = -kArcStep;
        sweep = a0 < 0 && a1 > 0 ? (kHalfTurn - a1) + (a0 + kHalfTurn) : a0 - a1;
        if (sweep == -kAngleHalfTurn) sweep = kAngleHalfTurn;   // from angle 0 to the half turn
    }
    // Both angles lie within a half turn either side of 0: at most some 145 steps.
    const int steps = static_cast<int>(std::nearbyint(sweep / kArcStep));
    std::vector<IntPoint> out{start};
    double t = a0 + step;
    for (int j = 1; j <= steps; ++j) {
        const IntPoint p{roundToInt(r * std::cos(t) + cx), roundToInt(r * std::sin(t) + cy)};
        if (!(distance(scaled(p, sx, sy), scaled(out.back(), sx, sy)) < kMinArcGap)) out.push_back(p);
        t += step;
        if (t > kHalfTurn) t -= kFullTurn;
        else if (t < -kHalfTurn) t += kFullTurn;
    }
    out.push_back(end);
    return out;
}

// The points are written into slots, one per point of the shape; an arc centre's slot takes the arc's
// inner points instead (as many slots as they need, none when the arc has none), and the points after
// it move along. The last slot is the one the region leaves out.
std::vector<IntPoint> scaledOutline(const ShapeData& shape, int pw, int ph) {
    const std::vector<ShapePoint>& pts = shape.points;
    if (pts.empty() || !usableBase(shape) || isCentre(pts.front()) || isCentre(pts.back())) return {};
    const double sx = static_cast<double>(pw) / shape.baseWidth;
    const double sy = static_cast<double>(ph) / shape.baseHeight;
    std::vector<IntPoint> slots(1);
    auto put = [&slots](long long index, IntPoint p) {
        if (index < 0) return;   // cannot happen: the first point is never a centre
        const auto at = static_cast<size_t>(index);
        if (at >= slots.size()) slots.resize(at + 1);
        slots[at] = p;
    };
    long long k = 0;
    bool increasing = false;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (i > 0) slots.emplace_back();
        const ShapePoint& p = pts[i];
        const auto at = static_cast<long long>(i);
        if (p.flags & kPointDirection) increasing = (p.flags & kPointIncreasing) != 0;
        if (isCentre(p)) {
            const std::vector<IntPoint> arc =
                shapeArc(pointOf(pts[i - 1]), pointOf(p), pointOf(pts[i + 1]), increasing, sx, sy);
            const auto inner = static_cast<long long>(arc.size()) - 2;
            for (long long j = 0; j < inner; ++j) put(k + at + j, scaled(arc[static_cast<size_t>(j + 1)], sx, sy));
            k += inner - 1;
        } else {
            put(k + at, scaled(pointOf(p), sx, sy));
        }
    }
    return slots;
}

std::vector<IntPoint> regionPolygon(const ShapeData& shape, int pw, int ph) {
    std::vector<IntPoint> outline = scaledOutline(shape, pw, ph);
    if (outline.size() < 4) return {};
    outline.pop_back();
    return outline;
}

TwipsRect circleTextRect(int w, int h) {
    const double hw = w / 2.0, hh = h / 2.0;
    TwipsRect r;
    r.width = roundToInt(std::sqrt(2 * hw * hw));
    r.height = roundToInt(std::sqrt(2 * hh * hh));
    r.left = roundToInt((static_cast<double>(w) - r.width) / 2);
    r.top = roundToInt((static_cast<double>(h) - r.height) / 2);
    return r;
}

int shapeWindowHeight(const ShapeData& shape, int width) {
    if (!usableBase(shape)) return width;
    return roundToInt(static_cast<double>(width) * shape.baseHeight / shape.baseWidth);
}

TwipsRect shapeTextRect(const ShapeData& shape, int w, int h) {
    if (!usableBase(shape)) return {0, 0, w, h};
    const double bw = shape.baseWidth, bh = shape.baseHeight;
    TwipsRect r;
    r.top = roundToInt(shape.textTop / bh * h);
    r.left = roundToInt(shape.textLeft / bw * w);
    r.width = roundToInt(shape.textWidth / bw * w);
    r.height = roundToInt(shape.textHeight / bh * h);
    return r;
}

}  // namespace tw
