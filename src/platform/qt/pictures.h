// Pictures from the shared folder are other members' files: loaded with a ceiling on the memory a
// picture may take, so that a damaged or enormous file (a decompression bomb) gives no picture
// rather than a crash.
#pragma once

#include <QImage>
#include <QString>

namespace tw {

// The largest picture taken, in pixels per side and in memory.
constexpr int kMaxPictureSide = 8192;
constexpr int kMaxPictureMegabytes = 128;

// The picture, or a null image when the file cannot be read, is not a picture or is too large.
QImage loadPictureSafely(const QString& path);

}  // namespace tw
