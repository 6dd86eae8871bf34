// The text descriptions our shape files are made from (shapes/src/*.txt), read into shape data and
// written as FSTYLE.nnn bytes. Used by the generator tests/tools/shapegen.cpp and by the test that
// remakes every file from its description and compares it with the one in the tree.
//
// One statement per line; "#" starts a comment; numbers are whole shape units, y growing downwards:
//   name <the menu caption, the rest of the line>
//   base <width> <height>                        the shape's coordinate space
//   text <left> <top> <width> <height>           the rectangle of the text label
//   point <x> <y> [increasing|decreasing]        an outline point
//   centre <x> <y> [increasing|decreasing]       the centre of an arc from the point before to the next
// "increasing" / "decreasing" makes the point a direction marker: arcs from there on run with
// increasing angle (clockwise on the screen) or decreasing angle; before the first marker they run
// decreasing. The last point closes the outline (usually the first point again).
#pragma once

#include "window/shapes.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tw::shapegen {

inline const char* faultText(ShapeFault f) {
    switch (f) {
    case ShapeFault::None: return "sound";
    case ShapeFault::Cut: return "cut";
    case ShapeFault::ExtraBytes: return "extra bytes";
    case ShapeFault::BadHeader: return "bad header";
    case ShapeFault::BadBaseSize: return "base width and height must be above 0";
    case ShapeFault::BadTextRect: return "text width and height must be above 0";
    case ShapeFault::BadPointCount: return "an outline needs 3 to 4096 points";
    case ShapeFault::BadPoint: return "a coordinate is out of range";
    case ShapeFault::ArcAtEnd: return "an arc centre cannot be the first or the last point";
    }
    return "?";
}

// The shape data of a description; nothing, with `error` set ("line N: ..."), when it is not one.
inline std::optional<ShapeData> parseDescription(const std::string& text, std::string& error) {
    ShapeData shape;
    bool haveName = false, haveBase = false, haveText = false;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string word;
        if (!(words >> word)) continue;
        auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(number) + ": " + what;
            return std::nullopt;
        };
        auto numbers = [&words](std::vector<int32_t>& out, size_t count) {
            for (size_t i = 0; i < count; ++i) {
                long long v;
                if (!(words >> v) || v < -kMaxShapeUnits || v > kMaxShapeUnits) return false;
                out.push_back(static_cast<int32_t>(v));
            }
            return true;
        };
        std::vector<int32_t> v;
        if (word == "name") {
            std::string rest;
            std::getline(words >> std::ws, rest);
            while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
            if (rest.empty()) return fail("the name is missing");
            shape.name = rest;
            haveName = true;
            continue;
        }
        if (word == "base") {
            if (!numbers(v, 2)) return fail("base needs a width and a height");
            shape.baseWidth = v[0];
            shape.baseHeight = v[1];
            haveBase = true;
        } else if (word == "text") {
            if (!numbers(v, 4)) return fail("text needs left, top, width and height");
            shape.textLeft = v[0];
            shape.textTop = v[1];
            shape.textWidth = v[2];
            shape.textHeight = v[3];
            haveText = true;
        } else if (word == "point" || word == "centre") {
            if (!numbers(v, 2)) return fail(word + " needs x and y");
            ShapePoint p;
            p.x = v[0];
            p.y = v[1];
            if (word == "centre") p.flags |= kPointArcCentre;
            std::string direction;
            if (words >> direction) {
                if (direction == "increasing") p.flags |= kPointDirection | kPointIncreasing;
                else if (direction == "decreasing") p.flags |= kPointDirection;
                else return fail("unknown direction \"" + direction + "\"");
            }
            shape.points.push_back(p);
        } else {
            return fail("unknown statement \"" + word + "\"");
        }
        std::string extra;
        if (words >> extra) return fail("unexpected \"" + extra + "\"");
    }
    if (!haveName || !haveBase || !haveText) {
        error = "name, base and text are all needed";
        return std::nullopt;
    }
    if (const ShapeFault f = checkShape(shape); f != ShapeFault::None) {
        error = faultText(f);
        return std::nullopt;
    }
    return shape;
}

// The FSTYLE.nnn bytes of a description.
inline std::optional<std::string> shapeFileBytes(const std::string& description, std::string& error) {
    const std::optional<ShapeData> shape = parseDescription(description, error);
    if (!shape) return std::nullopt;
    std::optional<std::string> bytes = encodeShapeFile(*shape);
    if (!bytes) error = "the name is too long";
    return bytes;
}

}  // namespace tw::shapegen
