// The shapes of the note windows and auto-size: the outline cut from the window, the place of the
// text, the size that follows the text. The arithmetic is in window/shapes and window/autosize; this
// file measures and applies.
#include "notes/qt/noteshapes.h"

#include "model/twips.h"
#include "notes/notetable.h"
#include "platform/prompter.h"
#include "platform/screen.h"
#include "window/autosize.h"
#include "window/qt/frmPinly.h"

#include <QFontMetrics>
#include <QPolygon>

#include <algorithm>

namespace tw {

namespace {

int recordOf(const frmPinly* w) { return w ? w->record() : -1; }

QRect toPixels(const TwipsRect& r, int tx, int ty) {
    return QRect(twipsToPixels(r.left, tx), twipsToPixels(r.top, ty), twipsToPixels(r.width, tx),
                 twipsToPixels(r.height, ty));
}

}  // namespace

void NoteShapes::loadShapeCatalogue() {
    shapes_ = buildShapeCatalogue(st_);
    shapeFiles_.clear();
}

const ShapeData* NoteShapes::shapeData(int number) {
    if (number < kFirstFileShape || number > kLastFileShape) return nullptr;
    // A shape whose file was not found at start-up (a note from a member with other shape files) is
    // shown as the plain rectangle, without a message at every resize.
    if (std::none_of(shapes_.begin(), shapes_.end(), [&](const ShapeEntry& e) { return e.number == number; }))
        return nullptr;
    if (auto it = shapeFiles_.find(number); it != shapeFiles_.end()) return &it->second;
    ShapeData data;
    if (!loadShapeFile(st_, number, data)) return nullptr;
    return &shapeFiles_.emplace(number, std::move(data)).first->second;
}

void NoteShapes::setShape(frmPinly* w, int i) {
    const int index = recordOf(w);
    if (index < 0 || static_cast<size_t>(index) >= st_.NoteTable.size() || i < 0 || i > 12) return;
    NoteRecord& r = st_.NoteTable[static_cast<size_t>(index)];
    r.ShapeIndex = static_cast<int16_t>(i);
    if (r.has(kFlagAutoSize)) autoSize(*w);
    applyShape(*w);
    w->retakeMenuState();
}

void NoteShapes::toggleAutoSize(frmPinly* w) {
    const int index = recordOf(w);
    if (index < 0 || static_cast<size_t>(index) >= st_.NoteTable.size()) return;
    NoteRecord& r = st_.NoteTable[static_cast<size_t>(index)];
    if (!r.has(kFlagAutoSize)) autoSize(*w);
    r.set(kFlagAutoSize, !r.has(kFlagAutoSize));
    w->retakeMenuState();
}

void NoteShapes::autoSizeIfOn(frmPinly& w) {
    const int index = w.record();
    if (index >= 0 && static_cast<size_t>(index) < st_.NoteTable.size() &&
        st_.NoteTable[static_cast<size_t>(index)].has(kFlagAutoSize))
        autoSize(w);
}

void NoteShapes::applyShape(frmPinly& w) {
    const int index = w.record();
    if (applyingShape_ || index < 0 || static_cast<size_t>(index) >= st_.NoteTable.size()) {
        w.layoutLabel();
        return;
    }
    applyingShape_ = true;
    const int shape = st_.NoteTable[static_cast<size_t>(index)].ShapeIndex;
    Screen& screen = *st_.sys.screen;
    const int tx = std::max(1, screen.twipsPerPixelX()), ty = std::max(1, screen.twipsPerPixelY());
    TwipsRect g = w.twipsGeometry();
    const ShapeData* file = shapeData(shape);
    if (shape == kShapeCircle) {
        w.setShapeLayout(QRegion(0, 0, w.width(), w.height(), QRegion::Ellipse),
                         toPixels(circleTextRect(g.width, g.height), tx, ty));
    } else if (file) {
        // The shape keeps its proportions: the height follows the width.
        const int height = shapeWindowHeight(*file, g.width);
        if (height != g.height) {
            g.height = height;
            w.setTwipsGeometry(g);
            storeGeometry(st_.NoteTable[static_cast<size_t>(index)], w.twipsGeometry());
        }
        QPolygon outline;
        for (const IntPoint& p : regionPolygon(*file, w.width(), w.height())) outline << QPoint(p.x, p.y);
        const QRect label = toPixels(shapeTextRect(*file, g.width, g.height), tx, ty);
        if (outline.size() < 3) {
            st_.sys.prompter->ask("エラー", "付箋紙形状描画に失敗しました", Icon::Warning, Buttons::Ok);
            w.setShapeLayout(QRegion(), label);
        } else {
            w.setShapeLayout(QRegion(outline, Qt::OddEvenFill), label);
        }
    } else {
        w.setShapeLayout(QRegion(), QRect());
    }
    applyingShape_ = false;
}

// What the window's text needs, worked out from the label's font and line breaks: the window's
// rectangle for it, or nothing when the text needs more than the screen.
std::optional<AutoSizeResult> NoteShapes::sizedToText(frmPinly& w) {
    const int index = w.record();
    if (index < 0 || static_cast<size_t>(index) >= st_.NoteTable.size()) return std::nullopt;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(index)];
    Screen& screen = *st_.sys.screen;
    const int tx = std::max(1, screen.twipsPerPixelX()), ty = std::max(1, screen.twipsPerPixelY());

    // What the label needs for its text: one line per line of the text, in the label's font, with
    // the label's margins.
    const QSize need = w.textExtent();
    AutoSizeInput in;
    in.labelWidth = pixelsToTwips(need.width(), tx);
    in.labelHeight = pixelsToTwips(need.height(), ty);
    in.window = w.twipsGeometry();
    in.screenWidth = screen.widthTwips();
    in.screenHeight = screen.heightTwips();
    in.shape = r.ShapeIndex;
    in.shapeData = shapeData(r.ShapeIndex);
    const AutoSizeResult out = tw::autoSize(in);
    if (!out.resize) return std::nullopt;
    return out;
}

void NoteShapes::autoSize(frmPinly& w) {
    const std::optional<AutoSizeResult> out = sizedToText(w);
    if (!out) return;
    w.setTwipsGeometry(out->window);
    storeGeometry(st_.NoteTable[static_cast<size_t>(w.record())], w.twipsGeometry());
    applyShape(w);
}

}  // namespace tw
