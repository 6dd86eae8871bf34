// Whether the program starts when the user logs in. On a Linux desktop that is the user's XDG
// autostart entry, "<config home>/autostart/tackwisp.desktop" (the config home is $XDG_CONFIG_HOME,
// else ~/.config); on Windows the value "TACKWISP" under the user's Run key. The entry itself is the
// one record of the choice: nothing else keeps it.
#pragma once

#include "platform/sharedfile.h"

#include <string>

namespace tw {

class Autostart {
public:
    // `configHome` "" for the user's own (POSIX; Windows has no such folder and ignores it).
    explicit Autostart(std::string configHome = {});

    bool enabled() const;
    // Writes the entry that starts `program` (its full path) at login, or removes it.
    FileError set(bool on, const std::string& program) const;
    // Where the entry is, for messages.
    std::string location() const;

private:
    std::string configHome_;
};

// The desktop entry that starts `program` (POSIX): the path quoted as the entry format wants it, and
// the same path as the entry's TryExec, so that it does nothing once the program is removed.
std::string autostartEntryText(const std::string& program);

}  // namespace tw
