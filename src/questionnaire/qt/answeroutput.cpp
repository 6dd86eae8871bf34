#include "questionnaire/qt/answeroutput.h"

#include <QPrintDialog>
#include <QPrinter>

namespace tw {

namespace {

AnswerOutput* current = nullptr;

}  // namespace

std::optional<QString> QtAnswerOutput::saveFile(QWidget* parent, const OpenFileRequest& request) {
    return runFileDialog(parent, request, FileDialogMode::Save);
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
