// Window geometry as the records keep it: twips in signed 16-bit fields. Computations run in wider
// integers and are clamped before they are stored, so that no value ever wraps.
#pragma once

#include "model/records.h"

#include <cstdint>

namespace tw {

constexpr int kMinNoteSize = 160;   // smallest width and height a note is left with, in twips

struct TwipsRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// 16-bit record fields never wrap: values beyond the range stick at its ends.
int16_t clampInt16(long long v);
// Rounds to the nearest integer, halves to even, then clamps; NaN gives 0.
int16_t clampInt16(double v);
void storeGeometry(NoteRecord& r, const TwipsRect& g);
TwipsRect recordGeometry(const NoteRecord& r);

// Twips and pixels; the conversion to pixels rounds halves to even. A factor below 1 counts as 1.
int twipsToPixels(int twips, int twipsPerPixel);
int pixelsToTwips(int pixels, int twipsPerPixel);

}  // namespace tw
