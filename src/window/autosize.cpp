// A note that follows its text: the window's new size by shape, kept inside the screen.
#include "window/autosize.h"

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr int kMaxWindowTwips = 32767;

bool usableFileShape(int shape, const ShapeData* s) {
    return shape >= kFirstFileShape && shape <= kLastFileShape && s && s->baseWidth > 0 && s->baseHeight > 0 &&
           s->textWidth > 0 && s->textHeight > 0;
}

}  // namespace

TwipsSize autoSizeWindow(int shape, const ShapeData* shapeData, int lw, int lh, double* fittedLabelHeight) {
    lw = std::max(lw, 1);
    lh = std::max(lh, 1);
    if (shape == kShapeCircle) return {roundToInt(std::sqrt(2.0) * lw), roundToInt(std::sqrt(2.0) * lh)};
    if (!usableFileShape(shape, shapeData)) return {lw, lh};
    const ShapeData& s = *shapeData;
    // The label takes the proportions of the shape's text rectangle, compared in single precision so
    // that a rounding difference alone does not change a label that already has them.
    const double textRatio = static_cast<double>(s.textHeight) / s.textWidth;
    double height = lh;
    if (static_cast<float>(textRatio) != static_cast<float>(static_cast<double>(lh) / lw)) {
        height = textRatio * lw;
        if (fittedLabelHeight) *fittedLabelHeight = height;
    }
    return {roundToInt(static_cast<double>(s.baseWidth) / s.textWidth * lw),
            roundToInt(static_cast<double>(s.baseHeight) / s.textHeight * height)};
}

AutoSizeResult autoSize(const AutoSizeInput& in) {
    AutoSizeResult out;
    out.window = in.window;
    if (in.labelWidth > in.screenWidth || in.labelHeight > in.screenHeight) return out;
    double fitted = -1;
    const TwipsSize size = autoSizeWindow(in.shape, in.shapeData, in.labelWidth, in.labelHeight, &fitted);
    out.resize = true;
    // The record keeps sizes in 16 bits.
    out.window.width = std::min(size.width, kMaxWindowTwips);
    out.window.height = std::min(size.height, kMaxWindowTwips);
    if (fitted >= 0) {
        out.labelHeightSet = true;
        out.labelHeight = roundToInt(fitted);
    }
    // Only the right and bottom edges are pulled back: a window larger than the screen ends with its
    // left or top edge off the screen.
    if (static_cast<long long>(out.window.left) + out.window.width > in.screenWidth)
        out.window.left = roundToInt(static_cast<double>(in.screenWidth) - out.window.width);
    if (static_cast<long long>(out.window.top) + out.window.height > in.screenHeight)
        out.window.top = roundToInt(static_cast<double>(in.screenHeight) - out.window.height);
    return out;
}

}  // namespace tw
