#include "platform/autostart.h"

namespace tw {

std::string autostartEntryText(const std::string& program) {
    // Inside double quotes the entry format escapes '"', '`', '$' and '\' with a backslash, and every
    // '%' of the command line is doubled.
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=タックウィスプ\n"
           "Comment=ログイン時に付箋を表示します\n"
           "Exec=" + quoted + "\n"
           "Icon=tackwisp\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace tw
