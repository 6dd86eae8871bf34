// The face of a note window: the background picture, loaded from the shared folder (a plain file name
// only, with a ceiling on its size), drawn at its natural size or stretched over the note; the colours
// of the note's colour class.
#include "notes/qt/noteshapes.h"

#include "notes/notetable.h"

#include "platform/qt/pictures.h"
#include "window/background.h"
#include "window/qt/frmPinly.h"

#include <QPixmap>

namespace tw {

void NoteShapes::refreshBackground(frmPinly& w) {
    const int i = w.record();
    if (i < 0 || static_cast<size_t>(i) >= st_.NoteTable.size()) return;
    const NoteRecord& r = st_.NoteTable[static_cast<size_t>(i)];
    // A name that is not a plain file of the shared folder is never opened.
    const QString path = QString::fromStdString(picturePath(st_, r));
    if (path.isEmpty()) {
        w.setPicture(QPixmap());
        w.setWindowPicture(QPixmap());
        w.setLoadedPicture(QString());
        st_.backgroundChanged = false;
        return;
    }
    const QString key = path + QLatin1Char('|') + QString::number(r.Background.PictureMode < 1 ? 0 : 1);
    if (key != w.loadedPicture() || st_.backgroundChanged) {
        const QImage image = loadPictureSafely(path);
        const QPixmap picture = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
        if (r.Background.PictureMode < 1) {
            w.setPicture(QPixmap());
            w.setWindowPicture(picture);
        } else {
            w.setWindowPicture(QPixmap());
            w.setPicture(picture);
        }
        w.setLoadedPicture(key);
        st_.backgroundChanged = false;
    }
    w.setTextColour(r.Background.TextColor);
}

void NoteShapes::colourByClass(frmPinly& w, int index) {
    const auto cls = static_cast<size_t>(ColourClass(st_, index));
    w.setColours(st_.localConfig.BackColours[cls], st_.localConfig.TextColours[cls]);
}

}  // namespace tw
