// Numbered contents of a shared file for the replace tests, shared by the writer tool and the tests
// that check what it left: version k is a header naming k and a body that depends on k, of two
// alternating sizes, so that a mix of two versions, a cut-off file or an empty one is recognised.
#pragma once

#include <cstdlib>
#include <string>

namespace tw::test {

inline std::string contentVersion(long k) {
    std::string s = "VERSION " + std::to_string(k) + "\n";
    const size_t size = (k % 2 == 0) ? 2000000 : 1500001;
    const size_t header = s.size();
    s.resize(size);
    for (size_t i = header; i < size; ++i)
        s[i] = static_cast<char>('!' + (static_cast<size_t>(k) * 31 + i * 7) % 90);
    return s;
}

// The number of the version `content` is exactly, or -1.
inline long whichContentVersion(const std::string& content) {
    if (content.compare(0, 8, "VERSION ") != 0) return -1;
    const size_t nl = content.find('\n');
    if (nl == std::string::npos || nl > 30) return -1;
    const long k = std::strtol(content.c_str() + 8, nullptr, 10);
    return content == contentVersion(k) ? k : -1;
}

}  // namespace tw::test
