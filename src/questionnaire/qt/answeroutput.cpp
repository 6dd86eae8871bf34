#include "questionnaire/qt/answeroutput.h"

#include <QPrintDialog>
#include <QPrinter>

namespace tw {

std::optional<QString> QtAnswerOutput::saveFile(QWidget* parent, const OpenFileRequest& request) {
    return runFileDialog(parent, request, FileDialogMode::Save);
}

bool QtAnswerOutput::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tw
