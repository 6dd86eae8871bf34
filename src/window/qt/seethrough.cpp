// A see-through note: its text drawn straight onto a window that is cut to the letters.
#include "window/qt/frmPinly.h"

#include "platform/qt/compositing.h"

#include <QBitmap>
#include <QFontInfo>
#include <QPainter>

#include <algorithm>

namespace tw {

frmPinly::DirectText frmPinly::directText() const {
    DirectText t;
    // The label's face, style and size (the letters keep the size the note's preset gives them when
    // the note turns see-through), never bold; without smoothing, so that the cut of the window and
    // the drawn letters cover the same pixels.
    t.font = lbl->font();
    t.font.setPixelSize(std::max(1, QFontInfo(lbl->font()).pixelSize()));
    t.font.setBold(false);
    t.font.setStyleStrategy(QFont::NoAntialias);
    t.rect = QRect(lbl->geometry().topLeft(), QPoint(width() - 1, height() - 1));
    // The real text, also on a note turned over.
    const NoteRecord* r = const_cast<frmPinly*>(this)->note();
    t.text = displayText(r ? r->Text : caption_);
    return t;
}

void frmPinly::applySeeThroughMask() {
    if (width() <= 0 || height() <= 0) return;
    if (composedSeeThrough_) {
        // Transparent pixels are the desktop's to show and still the note's to click.
        if (shapeOutline_.isEmpty())
            clearMask();
        else
            setMask(shapeOutline_);
        return;
    }
    const DirectText t = directText();
    QBitmap cut(size());
    cut.fill(Qt::color0);
    {
        QPainter p(&cut);
        p.setFont(t.font);
        p.setPen(Qt::color1);
        p.drawText(t.rect, Qt::TextWordWrap, t.text);
    }
    // A note without a letter keeps one pixel: a window cut to nothing would vanish for good.
    QRegion region(cut);
    if (!shapeOutline_.isEmpty()) region &= shapeOutline_;
    if (region.isEmpty()) region = QRegion(0, 0, 1, 1);
    setMask(region);
}

// A window's transparency is fixed when the system makes it: the window is made again, in place.
void frmPinly::setComposedSeeThrough(bool on) {
    if (composedSeeThrough_ == on) return;
    composedSeeThrough_ = on;
    setAttribute(Qt::WA_TranslucentBackground, on);
    setAutoFillBackground(!on);
    if (testAttribute(Qt::WA_WState_Created)) {
        const bool shown = isVisible();
        const QRect place = geometry();
        hide();
        destroy();
        create();
        setGeometry(place);
        if (shown) show();
    }
}

void frmPinly::paintComposedSeeThrough() {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const DirectText t = directText();
    p.setFont(t.font);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(t.rect, Qt::TextWordWrap, t.text);
}

void frmPinly::setSeeThrough(bool on) {
    seeThrough_ = on;
    setComposedSeeThrough(on && desktopComposesWindows());
    lbl->setVisible(!on && !editing_);
    applyFrameStyle(on);
    layoutLabel();
    update();
}

}  // namespace tw
