// Opening what a note's text names through the desktop: web addresses, network paths
// ("\\server\share\file.ext") and drive paths ("C:\folder\file.ext"). Each platform opens what it
// can: Windows the names as written; elsewhere a network path becomes an smb:// address and a drive
// path the same path from the root of the file system.
#pragma once

#include <string>

namespace tw {

// What the platform is handed for a link: an address (web, smb) or a path of its file system.
struct ShellTarget {
    bool isAddress = false;
    std::string text;
};
ShellTarget shellTarget(const std::string& link, bool windows);

class Shell {
public:
    virtual ~Shell() = default;
    // Whether a file of that name can be found (a web address and an smb:// address always can).
    virtual bool exists(const std::string& link) = 0;
    // Hands the link to the desktop's default action; the result is not looked at.
    virtual void open(const std::string& link) = 0;
};

}  // namespace tw
