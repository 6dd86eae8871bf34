// Whether the desktop composes its windows: on X11, whether a compositing manager holds the screen's
// _NET_WM_CM_S<n> selection. Only then can a window have pixels that show what lies under it and
// still take the pointer there; without one such pixels come out black, and a window must be cut to
// its visible pixels instead.
#pragma once

namespace tw {

bool desktopComposesWindows();

}  // namespace tw
