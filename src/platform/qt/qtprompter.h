// Message boxes of the running program: a QMessageBox per question, application-modal, above the
// notes (some of which stay on top of every other window).
#pragma once

#include "platform/prompter.h"

#include <QString>

class QMessageBox;

namespace tw {

class QtPrompter : public Prompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override;

    // The box ask() shows, before it is shown (the ui tests look at it).
    static void build(QMessageBox& box, const std::string& title, const std::string& text, Icon icon, Buttons buttons);
    // A text of the core ("\r" or "\r\n" between lines) as the box shows it.
    static QString displayText(const std::string& text);
};

}  // namespace tw
