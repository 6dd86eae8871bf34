// The dialogs the answer tally needs to put its text out: the save dialog of the text file and the
// printer dialog. The program shows Qt's (QtAnswerOutput); whoever opens a tally hands it the output
// to use, and tests hand it one that answers for the user.
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

}  // namespace tw
