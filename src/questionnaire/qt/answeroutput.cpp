#include "questionnaire/qt/answeroutput.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace tw {

namespace {

AnswerOutput* current = nullptr;

}  // namespace

std::optional<QString> QtAnswerOutput::saveFile(QWidget* parent, const OpenFileRequest& request) {
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFiltersOf(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

bool QtAnswerOutput::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

AnswerOutput& answerOutput() {
    static QtAnswerOutput qt;
    return current ? *current : qt;
}

void setAnswerOutput(AnswerOutput* output) { current = output; }

}  // namespace tw
