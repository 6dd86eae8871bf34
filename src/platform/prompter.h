// Every message box of the program goes through this interface: a QMessageBox in the program, a
// scripted double in tests.
#pragma once

#include <string>

namespace tw {

enum class Icon { None, Warning, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };

class Prompter {
public:
    virtual ~Prompter() = default;
    // Texts are UTF-8; a line break inside a text is "\r".
    virtual Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) = 0;
};

// For a process that must never ask anybody (the helper processes of the tests, tools): every
// question is declined (Cancel, No; a plain notice is just taken as read).
class DecliningPrompter : public Prompter {
public:
    Answer ask(const std::string&, const std::string&, Icon, Buttons buttons) override {
        switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::YesNo: return Answer::No;
        default: return Answer::Cancel;
        }
    }
};

}  // namespace tw
