// The desktop in twips, from the primary screen: twips per pixel = 1440 / logical DPI (15 at 96 dpi).
#pragma once

#include "platform/screen.h"

namespace tw {

class QtScreen : public Screen {
public:
    int widthTwips() override;
    int heightTwips() override;
    int twipsPerPixelX() override;
    int twipsPerPixelY() override;

    // 1440 / dpi rounded to a whole number of twips; 15 when the screen reports no usable DPI.
    static int twipsPerPixelFor(double logicalDpi);
};

}  // namespace tw
