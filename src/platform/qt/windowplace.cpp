#include "platform/qt/windowplace.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#ifdef TACKWISP_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#endif

namespace tw {

std::optional<QPoint> placeOnScreen(const QWidget& window) {
#ifdef TACKWISP_HAVE_XCB
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return std::nullopt;
    const QWindow* handle = window.windowHandle();
    if (!handle || !handle->handle()) return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return std::nullopt;
    const auto id = static_cast<xcb_window_t>(handle->winId());
    // The root of the window's own screen: the answer of the tree query names it.
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr);
    if (!tree) return std::nullopt;
    const xcb_window_t root = tree->root;
    std::free(tree);
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
    if (!at) return std::nullopt;
    const QPoint native(at->dst_x, at->dst_y);
    std::free(at);
    const double ratio = handle->devicePixelRatio();
    return QPoint(static_cast<int>(std::lround(native.x() / ratio)), static_cast<int>(std::lround(native.y() / ratio)));
#else
    (void)window;
    return std::nullopt;
#endif
}

}  // namespace tw
