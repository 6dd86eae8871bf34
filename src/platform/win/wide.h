// Texts are UTF-8 inside the program; the Win32 calls take UTF-16.
#pragma once

#include <string>

namespace tw::win {

// Invalid UTF-8 becomes U+FFFD; never fails.
std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* s, size_t n);
inline std::string narrow(const std::wstring& s) { return narrow(s.data(), s.size()); }

}  // namespace tw::win
