// What the helper programs of the real runs share: boxes printed and declined, and texts given on the
// command line with "\n" for a line break.
#pragma once

#include "platform/prompter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tw::tools {

// Nobody answers a tool's boxes: each is printed and declined.
class PrintingDecliningPrompter : public DecliningPrompter {
public:
    Answer ask(const std::string& title, const std::string& text, Icon icon, Buttons buttons) override {
        std::fprintf(stderr, "message box: %s: %s\n", title.c_str(), text.c_str());
        return DecliningPrompter::ask(title, text, icon, buttons);
    }
};

// "\n" in a command-line text becomes CR LF.
inline std::string unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

inline int16_t number(const char* s) { return static_cast<int16_t>(std::atoi(s)); }

}  // namespace tw::tools
