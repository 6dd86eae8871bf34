// The dialogs the answer tally needs to put its text out: the save dialog of the text file and the
// printer dialog. The program shows Qt's; tests answer them through setAnswerOutput.
#pragma once

#include "platform/qt/commondialogs.h"

#include <QString>

#include <optional>

class QPrinter;
class QWidget;

namespace tw {

class AnswerOutput {
public:
    virtual ~AnswerOutput() = default;
    // The full path to write (it need not exist), or nothing when cancelled.
    virtual std::optional<QString> saveFile(QWidget* parent, const OpenFileRequest& request) = 0;
    // Sets `printer` up (printer, copies …); false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

class QtAnswerOutput : public AnswerOutput {
public:
    std::optional<QString> saveFile(QWidget* parent, const OpenFileRequest& request) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};

// The dialogs in use; nullptr brings Qt's back. The caller keeps `output` alive while it is set.
AnswerOutput& answerOutput();
void setAnswerOutput(AnswerOutput* output);

}  // namespace tw
