#include "platform/qt/qtshell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tw {

namespace {

#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

}  // namespace

bool QtShell::exists(const std::string& link) {
    const ShellTarget t = shellTarget(link, kWindows);
    return t.isAddress || QFileInfo::exists(QString::fromStdString(t.text));
}

void QtShell::open(const std::string& link) {
    const ShellTarget t = shellTarget(link, kWindows);
    const QString text = QString::fromStdString(t.text);
    QDesktopServices::openUrl(t.isAddress ? QUrl(text) : QUrl::fromLocalFile(text));
}

Shell& desktopShell() {
    static QtShell shell;
    return shell;
}

}  // namespace tw
