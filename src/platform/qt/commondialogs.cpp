#include "platform/qt/commondialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

namespace tw {

QStringList nameFiltersOf(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& desc = parts[i];
        QString pattern = parts[i + 1];
        if (desc.isEmpty() && pattern.isEmpty()) continue;
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses; "*.*" would miss files without a dot.
        const QString qtPattern = pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern;
        if (desc.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')) && qtPattern == pattern)
            out << desc;
        else
            out << desc + QStringLiteral(" (") + qtPattern + QLatin1Char(')');
    }
    return out;
}

std::optional<QString> runFileDialog(QWidget* parent, const OpenFileRequest& request,
                                     FileDialogMode mode) {
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(mode == FileDialogMode::Save ? QFileDialog::AcceptSave
                                                      : QFileDialog::AcceptOpen);
    // Open too takes a file that does not exist yet: a new shared folder has no GRPINLY.CFG.
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFiltersOf(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtCommonDialogs::openFile(QWidget* parent, const OpenFileRequest& request) {
    return runFileDialog(parent, request, FileDialogMode::Open);
}

std::optional<QColor> CommonDialogs::chooseColour(QWidget*, const QColor&) { return std::nullopt; }
std::optional<QFont> CommonDialogs::chooseFont(QWidget*, const QFont&) { return std::nullopt; }

std::optional<QColor> QtCommonDialogs::chooseColour(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

std::optional<QFont> QtCommonDialogs::chooseFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return f;
}

}  // namespace tw
