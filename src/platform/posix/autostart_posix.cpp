#include "platform/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tw {

namespace {

std::string userConfigHome() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    return {};
}

}  // namespace

Autostart::Autostart(std::string configHome) : configHome_(configHome.empty() ? userConfigHome() : std::move(configHome)) {}

std::string Autostart::location() const {
    return configHome_.empty() ? std::string() : configHome_ + "/autostart/tackwisp.desktop";
}

bool Autostart::enabled() const { return !configHome_.empty() && fileExists(location()); }

FileError Autostart::set(bool on, const std::string& program) const {
    if (configHome_.empty()) return makeError(kErrPathNotFound);
    const std::string path = location();
    if (!on) {
        // An entry that is not there (nor its folder) is off already.
        FileError e = removeFile(path);
        return e.number == kErrFileNotFound || e.number == kErrPathNotFound ? FileError{} : e;
    }
    std::error_code ec;
    std::filesystem::create_directories(configHome_ + "/autostart", ec);
    // A new file beside the entry that then takes its place: a login never finds half an entry.
    const std::string temp = temporaryNameBeside(path);
    if (FileError e = writeNewFile(temp, autostartEntryText(program))) return e;
    if (FileError e = renameFile(temp, path)) {
        removeFile(temp);
        return e;
    }
    return {};
}

}  // namespace tw
