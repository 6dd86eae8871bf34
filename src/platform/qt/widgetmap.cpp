#include "platform/qt/widgetmap.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QEvent>
#include <QFile>
#include <QTabBar>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace tw {

namespace {

QString place(const QRect& r) {
    return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A rectangle of `w` in screen pixels.
QRect onScreen(const QWidget* w, const QRect& r) { return QRect(w->mapToGlobal(r.topLeft()), r.size()); }

QString oneLine(QString s) {
    s.replace(QLatin1Char('\t'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

QString nameOf(const QObject* o) { return o->objectName().isEmpty() ? QStringLiteral("-") : o->objectName(); }

}  // namespace

WidgetMap::WidgetMap(QString file, QObject* parent) : QObject(parent), file_(std::move(file)) {}

WidgetMap* WidgetMap::installFromEnvironment(QObject* application) {
    const QString file = qEnvironmentVariable("TACKWISP_WIDGET_MAP");
    if (file.isEmpty() || !application) return nullptr;
    auto* map = new WidgetMap(file, application);
    application->installEventFilter(map);
    return map;
}

bool WidgetMap::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::Show && t != QEvent::Move && t != QEvent::Resize) return false;
    if (!watched->isWidgetType()) return false;
    QWidget* window = static_cast<QWidget*>(watched)->window();
    if (std::find(pending_.begin(), pending_.end(), window) == pending_.end()) pending_.emplace_back(window);
    // One block per window once the events of the moment are through: a page shown moves and shows
    // many widgets at once.
    if (!scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(0, this, [this] { writePending(); });
    }
    return false;
}

void WidgetMap::writePending() {
    scheduled_ = false;
    QString out;
    for (const QPointer<QWidget>& w : pending_)
        if (w && w->isVisible()) out += describe(w);
    pending_.clear();
    if (out.isEmpty()) return;
    QFile f(file_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) f.write(out.toUtf8());
}

QString WidgetMap::describe(QWidget* window) const {
    const QString title = oneLine(window->windowTitle());
    QString out = title + QStringLiteral("\t*\t") + QString::fromLatin1(window->metaObject()->className()) +
                  QLatin1Char('\t') + place(window->frameGeometry()) + QLatin1Char('\n');
    auto line = [&](const QString& name, const QString& text, const QRect& r) {
        out += title + QLatin1Char('\t') + name + QLatin1Char('\t') + oneLine(text) + QLatin1Char('\t') + place(r) +
               QLatin1Char('\n');
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->window() == window) line(nameOf(b), b->text(), onScreen(b, b->rect()));
    for (QTabBar* bar : window->findChildren<QTabBar*>()) {
        if (!bar->isVisible() || bar->window() != window) continue;
        for (int i = 0; i < bar->count(); ++i)
            if (bar->isTabVisible(i)) line(QStringLiteral("tab"), bar->tabText(i), onScreen(bar, bar->tabRect(i)));
    }
    for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
        if (!view->isVisible() || view->window() != window || !view->model()) continue;
        const QAbstractItemModel* m = view->model();
        for (int row = 0; row < m->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = m->index(row, 0, view->rootIndex());
            const QRect r = view->visualRect(index).intersected(view->viewport()->rect());
            if (r.isEmpty()) continue;
            line(nameOf(view), index.data().toString(), onScreen(view->viewport(), r));
        }
    }
    return out;
}

}  // namespace tw
