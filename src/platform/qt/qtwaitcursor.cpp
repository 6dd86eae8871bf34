#include "platform/qt/qtwaitcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace tw {

// The platform hands a changed cursor to the window system at once, so it shows although the
// program does not return to its event loop while it waits.
void QtWaitCursor::beginWait() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

void QtWaitCursor::endWait() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace tw
