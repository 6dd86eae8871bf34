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

}  // namespace tw
