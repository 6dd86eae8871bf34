// Twips, pixels and the 16-bit fields of the records.
#include "model/twips.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tw {

int16_t clampInt16(long long v) {
    return static_cast<int16_t>(std::clamp<long long>(v, std::numeric_limits<int16_t>::min(),
                                                      std::numeric_limits<int16_t>::max()));
}

int16_t clampInt16(double v) {
    if (std::isnan(v)) return 0;
    if (v <= std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    if (v >= std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    return static_cast<int16_t>(std::nearbyint(v));
}

void storeGeometry(NoteRecord& r, const TwipsRect& g) {
    r.Left = clampInt16(static_cast<long long>(g.left));
    r.Top = clampInt16(static_cast<long long>(g.top));
    r.Width = clampInt16(static_cast<long long>(g.width));
    r.Height = clampInt16(static_cast<long long>(g.height));
}

TwipsRect recordGeometry(const NoteRecord& r) { return {r.Left, r.Top, r.Width, r.Height}; }

int twipsToPixels(int twips, int twipsPerPixel) {
    const int f = std::max(twipsPerPixel, 1);
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / f));
}

int pixelsToTwips(int pixels, int twipsPerPixel) {
    const long long v = static_cast<long long>(pixels) * std::max(twipsPerPixel, 1);
    return static_cast<int>(std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace tw
