#include "platform/qt/pictures.h"

#include <QImageReader>

namespace tw {

QImage loadPictureSafely(const QString& path) {
    QImageReader::setAllocationLimit(kMaxPictureMegabytes);
    QImageReader reader(path);
    // The size the header claims is checked before a single pixel is decoded.
    const QSize claimed = reader.size();
    if (claimed.isValid() && (claimed.width() > kMaxPictureSide || claimed.height() > kMaxPictureSide)) return {};
    QImage image;
    if (!reader.read(&image)) return {};
    return image;
}

}  // namespace tw
