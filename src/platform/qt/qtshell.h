// The desktop's default action for links (QDesktopServices).
#pragma once

#include "platform/shell.h"

namespace tw {

class QtShell : public Shell {
public:
    bool exists(const std::string& link) override;
    void open(const std::string& link) override;
};

// The one shell of the running program.
Shell& desktopShell();

}  // namespace tw
