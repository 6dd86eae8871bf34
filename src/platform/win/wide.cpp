#include "platform/win/wide.h"

#include <climits>
#include <windows.h>

namespace tw::win {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) return {};
    int len = static_cast<int>(utf8.size());
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, out.data(), n);
    return out;
}

std::string narrow(const wchar_t* s, size_t n) {
    if (n == 0 || n > static_cast<size_t>(INT_MAX)) return {};
    int len = static_cast<int>(n);
    int m = WideCharToMultiByte(CP_UTF8, 0, s, len, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return {};
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, len, out.data(), m, nullptr, nullptr);
    return out;
}

}  // namespace tw::win
