// The shape files FSTYLE.nnn and the catalogue of the shapes found beside the program or in its data
// folder.
#include "window/shapes.h"

#include "model/records.h"
#include "model/shippedfiles.h"
#include "model/state.h"
#include "platform/codepage.h"
#include "platform/prompter.h"

#include <algorithm>
#include <cstdio>

namespace tw {

namespace {

constexpr size_t kHeaderBytes = 36;   // name count, the six sizes, dimensions, count, lower bound
constexpr size_t kPointBytes = 10;
// The longest sound file: the longest name and the most points.
constexpr size_t kMaxShapeFileBytes = kHeaderBytes + 0xFFFF + kPointBytes * kMaxShapePoints;

bool inUnits(int32_t v) { return v >= -kMaxShapeUnits && v <= kMaxShapeUnits; }
bool positiveUnits(int32_t v) { return v > 0 && v <= kMaxShapeUnits; }

bool isCentre(const ShapePoint& p) { return (p.flags & kPointArcCentre) != 0; }

// The reason given after "ファイル(…)にアクセスできません" for a file that is whole but unusable.
FileError unusableShapeFile() {
    FileError e;
    e.number = kErrPastEnd;
    e.description = "ファイルの内容が付箋形状データとして正しくありません。";
    return e;
}

}  // namespace

ShapeFault checkShape(const ShapeData& s) {
    if (!positiveUnits(s.baseWidth) || !positiveUnits(s.baseHeight)) return ShapeFault::BadBaseSize;
    if (!inUnits(s.textLeft) || !inUnits(s.textTop) || !positiveUnits(s.textWidth) || !positiveUnits(s.textHeight))
        return ShapeFault::BadTextRect;
    if (s.points.size() < 3 || s.points.size() > kMaxShapePoints) return ShapeFault::BadPointCount;
    for (const ShapePoint& p : s.points)
        if (!inUnits(p.x) || !inUnits(p.y)) return ShapeFault::BadPoint;
    if (isCentre(s.points.front()) || isCentre(s.points.back())) return ShapeFault::ArcAtEnd;
    return ShapeFault::None;
}

ShapeFault decodeShapeFile(const std::string& bytes, ShapeData& out) {
    ByteReader rd(bytes);
    ShapeData s;
    s.name = rd.text();
    s.baseWidth = rd.i32();
    s.baseHeight = rd.i32();
    s.textLeft = rd.i32();
    s.textTop = rd.i32();
    s.textWidth = rd.i32();
    s.textHeight = rd.i32();
    const uint16_t dimensions = rd.u16();
    const uint32_t count = rd.u32();
    const uint32_t lowerBound = rd.u32();
    if (rd.failed()) return ShapeFault::Cut;
    if (dimensions != 1 || lowerBound != 0) return ShapeFault::BadHeader;
    // The count is checked against its bound and the bytes that are there before anything is made
    // from it.
    if (count > kMaxShapePoints) return ShapeFault::BadPointCount;
    const size_t need = size_t{count} * kPointBytes;
    const size_t left = rd.rest().size();
    if (need > left) return ShapeFault::Cut;
    if (need < left) return ShapeFault::ExtraBytes;
    s.points.resize(count);
    for (ShapePoint& p : s.points) {
        p.flags = rd.u16();
        p.x = rd.i32();
        p.y = rd.i32();
    }
    if (rd.failed()) return ShapeFault::Cut;
    if (const ShapeFault f = checkShape(s); f != ShapeFault::None) return f;
    out = std::move(s);
    return ShapeFault::None;
}

std::optional<std::string> encodeShapeFile(const ShapeData& s) {
    if (checkShape(s) != ShapeFault::None) return std::nullopt;
    const std::string name = utf8ToCp932(s.name);
    if (name.size() > 0xFFFF) return std::nullopt;
    ByteWriter w;
    w.u16(static_cast<uint16_t>(name.size()));
    w.bytes(name.data(), name.size());
    for (int32_t v : {s.baseWidth, s.baseHeight, s.textLeft, s.textTop, s.textWidth, s.textHeight}) w.i32(v);
    w.u16(1);
    w.u32(static_cast<uint32_t>(s.points.size()));
    w.u32(0);
    for (const ShapePoint& p : s.points) {
        w.u16(p.flags);
        w.i32(p.x);
        w.i32(p.y);
    }
    return w.data();
}

std::string shapeFileName(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    return std::string("FSTYLE.") + digits;
}

std::string shapeFilePath(const AppState& st, int number) { return shippedFilePath(st.sys, shapeFileName(number)); }

bool loadShapeFile(AppState& st, int number, ShapeData& out) {
    const std::string path = shapeFilePath(st, number);
    FileError e;
    std::string bytes;
    // A shape file beside the program is never written by any member: it is read without a lock, and
    // so without leaving a lock folder in the program's folder.
    e = readFileUnlocked(path, bytes, kMaxShapeFileBytes);
    if (!e && bytes.size() > kMaxShapeFileBytes) e = unusableShapeFile();
    if (!e) {
        const ShapeFault fault = decodeShapeFile(bytes, out);
        if (fault == ShapeFault::Cut) e = makeError(kErrPastEnd);
        else if (fault != ShapeFault::None) e = unusableShapeFile();
    }
    if (!e) return true;
    st.sys.prompter->ask("エラー", "ファイル(" + path + ")にアクセスできません" + "\r" + e.description, Icon::Warning,
                         Buttons::Ok);
    return false;
}

std::vector<ShapeEntry> buildShapeCatalogue(AppState& st) {
    std::vector<ShapeEntry> catalogue;
    // The files beside the program and those of the data folder, in name order; a number found in
    // both is the file beside the program (shapeFilePath).
    std::vector<std::string> names;
    for (const std::string& folder : shippedFolders(st.sys))
        for (std::string& name : listDirectory(folder, "FSTYLE.???")) names.push_back(std::move(name));
    std::stable_sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (name.size() < 3) continue;
        const std::string digits = name.substr(name.size() - 3);
        bool numeric = true;
        for (char c : digits) numeric = numeric && c >= '0' && c <= '9';
        if (!numeric) continue;
        const int n = std::stoi(digits);
        if (n <= 1) continue;
        // A name that differs from FSTYLE.nnn in case only is the same file where names have no case;
        // elsewhere it is another file, which a load by number would not find.
        if (name != shapeFileName(n) && !fileExists(shapeFilePath(st, n))) continue;
        bool known = false;
        for (const ShapeEntry& e : catalogue) known = known || e.number == n;
        if (known || catalogue.size() >= static_cast<size_t>(kMaxCatalogueShapes)) continue;
        ShapeData shape;
        if (loadShapeFile(st, n, shape)) catalogue.push_back({static_cast<int16_t>(n), shape.name});
    }
    if (catalogue.empty()) {
        st.sys.prompter->ask(kProductName,
                             std::string("付箋形状基礎データファイルが１つも存在しません") + "\r\n" +
                                 "通常・円形以外の形状は使用できません。",
                             Icon::Warning, Buttons::Ok);
        catalogue.push_back({0, ""});
    }
    return catalogue;
}

}  // namespace tw
