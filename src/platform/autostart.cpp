#include "platform/autostart.h"

namespace tw {

namespace {

// A value of the entry format's string type: the backslash and the characters that would break the
// line are written as escapes, and a space at either end as "\s" (readers drop blanks there).
std::string stringValue(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case ' ': out += i == 0 || i + 1 == text.size() ? "\\s" : " "; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

std::string autostartEntryText(const std::string& program) {
    // Exec is a command line: inside double quotes '"', '`', '$' and '\' take a backslash and every '%'
    // is doubled; the quoted line is then a string value like any other, whose backslashes are
    // doubled again ("\\$" in the file is a '$' of the path).
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // TryExec is the plain path: a desktop session skips the entry once the program is gone, so an
    // uninstalled program leaves no start at login that fails.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=タックウィスプ\n"
           "Comment=ログイン時に付箋を表示します\n"
           "Exec=" + stringValue(quoted) + "\n"
           "TryExec=" + stringValue(program) + "\n"
           "Icon=tackwisp\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace tw
