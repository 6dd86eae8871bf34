// Texts as the files hold them: CP932 bytes from any member's computer, however damaged. Every text
// the program reads goes back out byte for byte, is valid UTF-8 inside the program, and shows as
// valid UTF-8 with its kept bytes as "?". The other way, any UTF-8 (and any byte string that only
// claims to be UTF-8) converts to CP932 without harm, and the characters it cannot hold are named.
#include "fuzz_support.h"

#include "platform/codepage.h"

using namespace tw;
using namespace tw::fuzz;

namespace {

// Strict UTF-8: shortest forms only, no surrogates, nothing beyond U+10FFFF. Calls `each` with every
// code point.
template <class Each>
bool validUtf8(std::string_view s, Each&& each) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
        each(cp);
        i += len;
    }
    return true;
}

bool validUtf8(std::string_view s) {
    return validUtf8(s, [](uint32_t) {});
}

// The characters that stand for kept bytes (U+F780–U+F7FF) and the mark before a kept character
// (U+F77F) never show.
bool showsNoKeptCharacter(std::string_view s) {
    bool none = true;
    const bool valid = validUtf8(s, [&](uint32_t cp) {
        if (cp >= 0xF77F && cp <= 0xF7FF) none = false;
    });
    return valid && none;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // As read from a file.
    const std::string text = cp932ToUtf8(input);
    FUZZ_CHECK(validUtf8(text));
    FUZZ_CHECK(utf8ToCp932(text) == input);
    const std::string shown = withKeptBytesShown(text);
    FUZZ_CHECK(showsNoKeptCharacter(shown));

    // A cut by characters stays a prefix of whole characters.
    const size_t chars = utf8Length(text);
    const std::string left = utf8Left(text, size % (chars + 1));
    FUZZ_CHECK(validUtf8(left) && text.compare(0, left.size(), left) == 0);
    FUZZ_CHECK(utf8Length(left) == size % (chars + 1));

    // As typed, pasted or put together by the program.
    const std::string out = utf8ToCp932(input);
    if (validUtf8(input)) FUZZ_CHECK(validUtf8(withKeptBytesShown(input)));
    FUZZ_CHECK(validUtf8(cp932ToUtf8(out)));

    // The characters named as ones the file cannot hold are exactly those that become "?".
    if (validUtf8(input)) {
        const std::string replaced = withUnstorableReplaced(input);
        FUZZ_CHECK(utf8ToCp932(replaced) == out);
        FUZZ_CHECK(unstorableCharacters(replaced).empty());
        FUZZ_CHECK(unstorableCharacters(input).empty() == (replaced == input));
    }
    return 0;
}
