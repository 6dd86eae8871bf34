// File-name patterns as the note settings and links use them: "*" any run of characters, "?" one
// character, "[abc]" one of those, "[a-z]" one of a range, "[!a-z]" one not in it; everything else
// stands for itself, letter case included. Characters are UTF-8 code points.
#pragma once

#include <string>

namespace tw {

bool wildcardMatch(const std::string& text, const std::string& pattern);

}  // namespace tw
