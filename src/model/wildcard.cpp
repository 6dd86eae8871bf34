#include "model/wildcard.h"

#include <cstdint>
#include <vector>

namespace tw {

namespace {

std::u32string codePoints(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + static_cast<size_t>(n) > s.size()) n = 1;
        char32_t cp = n == 1 ? c : static_cast<char32_t>(c & (0x7F >> n));
        for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

// The set at p (just after "["); `end` receives the position after "]". No "]": not a set.
bool inSet(const std::u32string& p, size_t at, char32_t c, size_t& end) {
    size_t i = at;
    bool negate = false;
    if (i < p.size() && p[i] == U'!') {
        negate = true;
        ++i;
    }
    bool hit = false;
    const size_t first = i;
    for (; i < p.size(); ++i) {
        if (p[i] == U']' && i > first) {
            end = i + 1;
            return hit != negate;
        }
        if (i + 2 < p.size() && p[i + 1] == U'-' && p[i + 2] != U']') {
            if (p[i] <= c && c <= p[i + 2]) hit = true;
            i += 2;
        } else if (p[i] == c) {
            hit = true;
        }
    }
    end = std::u32string::npos;
    return false;
}

}  // namespace

bool wildcardMatch(const std::string& text, const std::string& pattern) {
    const std::u32string t = codePoints(text), p = codePoints(pattern);
    // Iterative matching with one backtrack point for the last "*": linear in practice.
    size_t ti = 0, pi = 0, starP = std::u32string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == U'*') {
            starP = ++pi;
            starT = ti;
            continue;
        }
        if (pi < p.size()) {
            if (p[pi] == U'?') {
                ++ti, ++pi;
                continue;
            }
            if (p[pi] == U'[') {
                size_t end = 0;
                const bool hit = inSet(p, pi + 1, t[ti], end);
                if (end != std::u32string::npos) {
                    if (hit) {
                        ++ti;
                        pi = end;
                        continue;
                    }
                } else if (t[ti] == U'[') {   // an unclosed "[" stands for itself
                    ++ti, ++pi;
                    continue;
                }
            } else if (p[pi] == t[ti]) {
                ++ti, ++pi;
                continue;
            }
        }
        if (starP == std::u32string::npos) return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

}  // namespace tw
