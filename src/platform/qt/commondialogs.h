// The system's common dialogs as the forms use them; the program shows Qt's, tests answer them.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace tw {

struct OpenFileRequest {
    QString title;
    QString fileName;      // proposed in the name box
    QString filter;        // "description|pattern|description|pattern|"
    int filterIndex = 1;   // 1 = the first pair
    QString folder;        // where the dialog starts; empty: the current folder
};

class CommonDialogs {
public:
    virtual ~CommonDialogs() = default;
    // The full path of the chosen file (it need not exist yet), or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const OpenFileRequest& request) = 0;
    // The colour dialog starting from `initial`; nothing when cancelled. The base answers Cancel.
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial);
    // The font dialog (name, size, bold, italic) starting from `initial`; nothing when cancelled.
    virtual std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial);
};

class QtCommonDialogs : public CommonDialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const OpenFileRequest& request) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) override;
};

// "desc|pattern|..." as Qt name filters ("desc (pattern)"); a description that already ends in its
// pattern in parentheses is kept as it is. "*.*" matches every file, with or without an extension.
QStringList nameFiltersOf(const QString& filter);

// Qt's file dialog for `request`, the one behind every open and save box: Open takes a name that
// need not exist yet, Save asks before an existing file is replaced. The full path chosen, or
// nothing when cancelled.
enum class FileDialogMode { Open, Save };
std::optional<QString> runFileDialog(QWidget* parent, const OpenFileRequest& request,
                                     FileDialogMode mode);

}  // namespace tw
