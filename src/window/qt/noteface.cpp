// The note's face under and in its text: the window's own picture and the text colour.
#include "window/qt/frmPinly.h"

#include "window/qt/colours.h"

#include <QPixmap>

namespace tw {

void frmPinly::setWindowPicture(const QPixmap& picture) {
    delete windowPicture_;
    windowPicture_ = picture.isNull() ? nullptr : new QPixmap(picture);
    update();
}

void frmPinly::setTextColour(uint32_t text) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, colourFromValue(text));
    setPalette(pal);
}

}  // namespace tw
