// Facts about the running program itself.
#pragma once

#include <string>

namespace tw {

// Folder of the executable (no trailing separator) and its file name without extension.
std::string programFolder();
std::string executableName();
// The name the user logged in with ("" when the system does not tell).
std::string loginName();

}  // namespace tw
