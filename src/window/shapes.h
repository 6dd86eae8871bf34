// Note shapes without any window: the shape files FSTYLE.nnn beside the program (their decoder and
// encoder), the catalogue of the shapes found at start-up, and the geometry a shaped window applies:
// the scaled outline with its circular arcs, the circle's text rectangle, the height a file shape
// imposes and the rectangle of its text label.
//
// Shape numbers: 0 the plain rectangle, 1 the circle (an ellipse filling the window), 2..12 the file
// FSTYLE.nnn with that number.
//
// File layout (little-endian, no padding):
//   u16 L, L bytes name (CP932)      the menu caption
//   i32 base width, i32 base height  the shape's own coordinate space (both > 0)
//   i32 text left, top, width, height   the rectangle of the text label, in shape units
//   u16 dimensions (1), u32 point count N, u32 lower bound (0)
//   N × { u16 flags, i32 x, i32 y }  the outline in drawing order, y growing downwards
// Point flags: 2 arc centre (the outline runs from the previous to the next point on a circle around
// it; never the first or the last point); 1 direction marker (from this point on arcs run with
// increasing angle when 4 is set too, with decreasing angle otherwise; they start decreasing).
// The last point closes the outline and is not part of the window region.
#pragma once

#include "model/twips.h"
#include "platform/sharedfile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tw {

struct AppState;

constexpr int kShapeNormal = 0;
constexpr int kShapeCircle = 1;
constexpr int kFirstFileShape = 2;
constexpr int kLastFileShape = 12;     // the shape menu has entries 0..12
constexpr int kMaxCatalogueShapes = 13;

// What a shape file may hold at most: anything beyond is damage, refused before it is allocated.
constexpr uint32_t kMaxShapePoints = 4096;
constexpr int32_t kMaxShapeUnits = 1000000;   // bound of every size and coordinate, either sign

enum ShapePointFlag : uint16_t {
    kPointDirection = 1,
    kPointArcCentre = 2,
    kPointIncreasing = 4,
};

struct ShapePoint {
    uint16_t flags = 0;
    int32_t x = 0, y = 0;
    bool operator==(const ShapePoint&) const = default;
};

struct ShapeData {
    std::string name;   // UTF-8 in memory, CP932 in the file
    int32_t baseWidth = 0, baseHeight = 0;
    int32_t textLeft = 0, textTop = 0, textWidth = 0, textHeight = 0;
    std::vector<ShapePoint> points;
    bool operator==(const ShapeData&) const = default;
};

// Why a shape file was refused.
enum class ShapeFault {
    None,
    Cut,             // the bytes end inside the record or inside the point list
    ExtraBytes,      // bytes after the last point
    BadHeader,       // dimensions other than 1 or a lower bound other than 0
    BadBaseSize,     // base width or height not above 0, or beyond kMaxShapeUnits
    BadTextRect,     // text width or height not above 0, or a value beyond kMaxShapeUnits
    BadPointCount,   // fewer than 3 points or more than kMaxShapePoints
    BadPoint,        // a coordinate beyond kMaxShapeUnits
    ArcAtEnd,        // an arc centre as the first or the last point
};

// The checks of the decoder on data in memory (the generator's too).
ShapeFault checkShape(const ShapeData& shape);
// Fills `out` only when the whole file is sound; otherwise `out` keeps what it held.
ShapeFault decodeShapeFile(const std::string& bytes, ShapeData& out);
// The file bytes of sound data; nothing when the data fail checkShape or the name is too long.
std::optional<std::string> encodeShapeFile(const ShapeData& shape);

// "FSTYLE.nnn" and its path in the program's folder.
std::string shapeFileName(int number);
std::string shapeFilePath(const AppState& st, int number);

// Reads shape `number` from the program's folder into `out`. On any failure (a missing, busy or
// damaged file) tells the user "ファイル(<path>)にアクセスできません" with the reason and returns
// false; `out` then keeps what it held.
bool loadShapeFile(AppState& st, int number, ShapeData& out);

struct ShapeEntry {
    int16_t number = 0;
    std::string name;
    bool operator==(const ShapeEntry&) const = default;
};

// The shapes of the files FSTYLE.nnn (nnn numeric, above 1) in the program's folder and in its data
// folder (a number in both: the file beside the program), in name order,
// at most 13, each read once (a damaged one is reported by loadShapeFile and left out). With none,
// the user is told that only the normal and circle shapes can be used, and the catalogue is the one
// entry {0, ""}. Entries above 12 have no menu entry.
std::vector<ShapeEntry> buildShapeCatalogue(AppState& st);

// ---- geometry ----

// A point in whole units: shape units or pixels, as the name of the function says.
struct IntPoint {
    int x = 0, y = 0;
    bool operator==(const IntPoint&) const = default;
};

// One arc in shape units: from `start` around `centre` to `end`, with increasing or decreasing angle,
// in steps of about 5°. Starts with `start` and ends with `end`; a point closer than 5 pixels (after
// scaling by sx, sy) to the previous kept one is dropped.
std::vector<IntPoint> shapeArc(IntPoint start, IntPoint centre, IntPoint end, bool increasing, double sx,
                                 double sy);

// The outline of a file shape scaled to a window of pw × ph pixels, arcs resolved: every point the
// outline drawing walks through. Empty when the shape cannot be scaled (no points, a base size not
// above 0, an arc centre first or last).
std::vector<IntPoint> scaledOutline(const ShapeData& shape, int pw, int ph);
// The polygon of the window region: the scaled outline without its last point. Empty (keep the
// rectangle and report the failure) when fewer than 3 points remain.
std::vector<IntPoint> regionPolygon(const ShapeData& shape, int pw, int ph);

// The text label of a circle note w × h: the square inscribed in the ellipse, centred (same units as
// w and h).
TwipsRect circleTextRect(int w, int h);

// The height of a file-shape window `width` wide: the shape's aspect ratio. `width` when the shape
// has no usable base size.
int shapeWindowHeight(const ShapeData& shape, int width);

// The text label of a file-shape window w × h: the shape's text rectangle scaled to the window (same
// units as w and h). The whole window when the shape has no usable base size.
TwipsRect shapeTextRect(const ShapeData& shape, int w, int h);

// Rounds to the nearest integer, halves to even, held inside the range of int (NaN gives 0).
int roundToInt(double v);

}  // namespace tw
