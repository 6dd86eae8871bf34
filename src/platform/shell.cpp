#include "platform/shell.h"

#include <algorithm>

namespace tw {

namespace {

std::string withSlashes(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

}  // namespace

ShellTarget shellTarget(const std::string& link, bool windows) {
    if (link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0) return {true, link};
    const bool network = link.size() > 2 && link[0] == '\\' && link[1] == '\\';
    const bool drive = link.size() > 2 && link[1] == ':' && (link[2] == '\\' || link[2] == '/');
    if (windows) return {false, withSlashes(link)};
    if (network) return {true, "smb://" + withSlashes(link.substr(2))};
    if (drive) return {false, withSlashes(link.substr(2))};
    return {false, withSlashes(link)};
}

}  // namespace tw
