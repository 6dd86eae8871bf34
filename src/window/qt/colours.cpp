// System colours are taken from the desktop's palette where it has a matching role, otherwise from
// the classic Windows scheme.
#include "window/qt/colours.h"

#include <QApplication>
#include <QPalette>

namespace tw {

namespace {

QColor systemColour(uint32_t n) {
    const QPalette pal = QApplication::palette();
    switch (n) {
    case 5: return pal.color(QPalette::Base);               // window
    case 8: return pal.color(QPalette::Text);               // window text
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);            // button face
    case 16: return pal.color(QPalette::Dark);              // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: return pal.color(QPalette::ButtonText);
    case 20: return pal.color(QPalette::Light);             // button highlight
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: break;
    }
    // The rest of the classic scheme.
    static const QRgb classic[] = {
        0xC0C0C0, 0x3A6EA5, 0x000080, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF,
        0xC0C0C0, 0xC0C0C0, 0x808080, 0x000080, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080, 0x000000, 0xC0C0C0,
        0xFFFFFF, 0x404040, 0xC0C0C0, 0x000000, 0xFFFFE1,
    };
    if (n < sizeof classic / sizeof classic[0]) return QColor(classic[n]);
    return QColor(Qt::black);
}

}  // namespace

QColor colourFromValue(uint32_t value) {
    if (value & 0x80000000u) return systemColour(value & 0x00FFFFFFu);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

}  // namespace tw
