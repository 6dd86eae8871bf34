#include "platform/system.h"
#include "platform/win/wide.h"

#include <windows.h>

namespace tw {

namespace {

std::wstring modulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        // Cut off: the path is longer than the buffer.
        buf.assign(buf.size() * 2, L'\0');
    }
}

size_t lastSeparator(const std::wstring& p) { return p.find_last_of(L"\\/"); }

}  // namespace

std::string programFolder() {
    std::wstring p = modulePath();
    size_t pos = lastSeparator(p);
    return pos == std::wstring::npos ? std::string(".") : win::narrow(p.substr(0, pos));
}

std::string executableName() {
    std::wstring p = modulePath();
    size_t pos = lastSeparator(p);
    std::wstring name = pos == std::wstring::npos ? p : p.substr(pos + 1);
    size_t dot = name.find_last_of(L'.');
    return win::narrow(dot == std::wstring::npos ? name : name.substr(0, dot));
}

std::string loginName() {
    wchar_t buf[257];
    DWORD n = sizeof buf / sizeof buf[0];
    if (!GetUserNameW(buf, &n) || n == 0) return {};
    return win::narrow(buf, n - 1);   // the count includes the terminating zero
}

}  // namespace tw
