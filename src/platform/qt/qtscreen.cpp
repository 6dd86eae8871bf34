#include "platform/qt/qtscreen.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace tw {

namespace {

constexpr int kFallbackWidth = 1024, kFallbackHeight = 768, kFallbackTwips = 15;

QScreen* primary() { return QGuiApplication::primaryScreen(); }

}  // namespace

int QtScreen::twipsPerPixelFor(double logicalDpi) {
    if (!(logicalDpi >= 10 && logicalDpi <= 1440)) return kFallbackTwips;
    return std::max(1, static_cast<int>(std::nearbyint(1440.0 / logicalDpi)));
}

int QtScreen::twipsPerPixelX() {
    QScreen* s = primary();
    return twipsPerPixelFor(s ? s->logicalDotsPerInchX() : 0);
}

int QtScreen::twipsPerPixelY() {
    QScreen* s = primary();
    return twipsPerPixelFor(s ? s->logicalDotsPerInchY() : 0);
}

int QtScreen::widthTwips() {
    QScreen* s = primary();
    return (s ? s->geometry().width() : kFallbackWidth) * twipsPerPixelX();
}

int QtScreen::heightTwips() {
    QScreen* s = primary();
    return (s ? s->geometry().height() : kFallbackHeight) * twipsPerPixelY();
}

}  // namespace tw
