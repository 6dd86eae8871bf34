// The arithmetic of a note that follows its text ("サイズ自動調整"): from the size the text label needs
// to the window's new rectangle, for every shape. The window measures the text with the label's font
// and line breaks and applies what comes back; everything here is in twips.
#pragma once

#include "model/twips.h"
#include "window/shapes.h"

namespace tw {

struct AutoSizeInput {
    int labelWidth = 0, labelHeight = 0;    // what the label needs for its text
    TwipsRect window;                       // the window as it is now (left and top are kept if they can be)
    int screenWidth = 0, screenHeight = 0;
    int shape = kShapeNormal;               // the note's ShapeIndex
    const ShapeData* shapeData = nullptr;   // the loaded file of a file shape; none: sized as a rectangle
};

struct AutoSizeResult {
    // False when the text needs more than the screen: the label goes back to its former size and the
    // window stays as it is.
    bool resize = false;
    TwipsRect window;   // the new window, moved back inside the screen's right and bottom edges
    // A file shape whose text rectangle has other proportions than the text: the label is given this
    // height (its width stays) and sizes itself no more.
    bool labelHeightSet = false;
    int labelHeight = 0;
};

AutoSizeResult autoSize(const AutoSizeInput& in);

// The window size for a label of lw × lh, by shape: the label itself (normal and any shape without
// usable data), √2 times it (circle: the label is the square inscribed in the ellipse), the shape's
// base size over its text rectangle (file shape; `fittedLabelHeight` receives the label height that
// keeps the text rectangle's proportions, or stays untouched when the label already has them).
// Sizes below 1 count as 1.
struct TwipsSize {
    int width = 0, height = 0;
    bool operator==(const TwipsSize&) const = default;
};
TwipsSize autoSizeWindow(int shape, const ShapeData* shapeData, int lw, int lh, double* fittedLabelHeight = nullptr);

}  // namespace tw
