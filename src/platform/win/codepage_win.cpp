// CP932 through the system's own tables (code page 932). Unmappable characters become "?" and bytes
// that are no character are kept, exactly as in the POSIX build, so both builds read and write the
// same bytes.
#include "platform/codepage.h"
#include "platform/codepage_detail.h"
#include "platform/win/wide.h"

#include <climits>
#include <windows.h>

namespace tw {

namespace {

constexpr UINT kCp932 = 932;

bool isSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Converts one run that is known to be valid CP932; false when the system refuses it.
bool decodeStrict(const char* p, size_t n, std::wstring& out) {
    if (n == 0) return true;
    if (n > static_cast<size_t>(INT_MAX)) return false;
    int len = static_cast<int>(n);
    int m = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, p, len, nullptr, 0);
    if (m <= 0) return false;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(m));
    return MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, p, len, out.data() + at, m) == m;
}

// The POSIX build's CP932 table also takes the JIS forms of a few characters whose CP932 code
// the Windows table gives to a look-alike (the wave dash typed on Linux is U+301C, on Windows
// U+FF5E), and it has no form for U+0080 or the private-use characters Windows keeps for the bytes
// A0, FD, FE and FF. Both builds must write the same bytes for the same text.
wchar_t sameAsPosix(wchar_t c) {
    switch (c) {
    case 0x00A2: return 0xFFE0;   // cent sign
    case 0x00A3: return 0xFFE1;   // pound sign
    case 0x00AC: return 0xFFE2;   // not sign
    case 0x2014: return 0x2015;   // em dash
    case 0x2016: return 0x2225;   // double vertical line
    case 0x2212: return 0xFF0D;   // minus sign
    case 0x301C: return 0xFF5E;   // wave dash
    case 0x0080:
    case 0xF8F0:
    case 0xF8F1:
    case 0xF8F2:
    case 0xF8F3: return L'?';
    default: return c;
    }
}

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The bytes 80, A0, FD, FE and FF on their own are no character; only the Windows table gives them
// one (U+0080, U+F8F0–U+F8F3).
bool isWindowsOnlyByte(unsigned char b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }

bool hasWindowsOnlyByte(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (isLeadByte(b))
            ++i;
        else if (isWindowsOnlyByte(b))
            return true;
    }
    return false;
}


}  // namespace

std::string codepage::encodeRun(const std::string& utf8) {
    if (utf8.empty()) return {};
    std::wstring wide = win::widen(utf8);
    // Characters beyond the basic plane never have a CP932 form: one "?" per character, not one
    // per UTF-16 half.
    std::wstring bmp;
    bmp.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        wchar_t c = wide[i];
        if (isHighSurrogate(c) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) {
            bmp.push_back(L'?');
            ++i;
        } else if (isSurrogate(c)) {
            bmp.push_back(L'?');
        } else {
            bmp.push_back(sameAsPosix(c));
        }
    }
    if (bmp.size() > static_cast<size_t>(INT_MAX)) return {};
    int len = static_cast<int>(bmp.size());
    // No best-fit guesses ("é" must not turn into "e"): a character without its own form is "?".
    int n = WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, bmp.data(), len, nullptr, 0, "?", nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, bmp.data(), len, out.data(), n, "?", nullptr);
    return out;
}

bool codepage::decodeRun(const std::string& bytes, std::string& utf8) {
    std::wstring wide;
    if (hasWindowsOnlyByte(bytes) || !decodeStrict(bytes.data(), bytes.size(), wide)) return false;
    utf8 = win::narrow(wide);
    return true;
}

}  // namespace tw
