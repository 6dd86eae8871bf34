#include "platform/system.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tw {

namespace {
std::string exePath() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}
}  // namespace

std::string programFolder() {
    std::string p = exePath();
    auto pos = p.find_last_of('/');
    return pos == std::string::npos ? std::string(".") : p.substr(0, pos);
}

std::string executableName() {
    std::string p = exePath();
    auto pos = p.find_last_of('/');
    std::string name = pos == std::string::npos ? p : p.substr(pos + 1);
    auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string loginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

}  // namespace tw
