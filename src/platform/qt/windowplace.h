// Where a top-level window really is on the screen, asked of the window system itself.
//
// Qt keeps its own idea of a window's place, learnt from the window system's notices. Under X11 a
// window manager that takes a window into its frame can leave that idea wrong: Qt asks where the
// window is while the frame still stands at 0,0, and no later notice corrects it. The window is
// then shown at its place while Qt, and a note's record, believe it is at 0,0; a move that the
// window manager runs from that belief throws the window as far again as it stood from the corner.
#pragma once

#include <QPoint>

#include <optional>

class QWidget;

namespace tw {

// The top-left corner of the window's client area on the screen, in Qt's (device-independent)
// pixels; nothing where the platform cannot be asked (not X11, or built without xcb) or the window
// has no native window yet.
std::optional<QPoint> placeOnScreen(const QWidget& window);

}  // namespace tw
