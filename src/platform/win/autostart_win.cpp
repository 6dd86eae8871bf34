#include "platform/autostart.h"
#include "platform/win/wide.h"

#include <windows.h>

namespace tw {

namespace {

const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kValue = L"TACKWISP";

FileError registryError(LSTATUS s) { return s == ERROR_SUCCESS ? FileError{} : makeError(static_cast<int>(s)); }

}  // namespace

Autostart::Autostart(std::string configHome) : configHome_(std::move(configHome)) {}

std::string Autostart::location() const { return "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\TACKWISP"; }

bool Autostart::enabled() const {
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValue, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

FileError Autostart::set(bool on, const std::string& program) const {
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS) return registryError(s);
    if (on) {
        const std::wstring command = L"\"" + win::widen(program) + L"\"";
        s = RegSetValueExW(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    } else {
        s = RegDeleteValueW(key, kValue);
        if (s == ERROR_FILE_NOT_FOUND) s = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return registryError(s);
}

}  // namespace tw
