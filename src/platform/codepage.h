// The system code page (CP932, Shift-JIS) used for every text in the files and in shell calls.
// Inside the program texts are UTF-8.
#pragma once

#include <string>

namespace tw {

// A character with no CP932 form becomes "?".
std::string utf8ToCp932(const std::string& utf8);
// Bytes that are not valid CP932 become "?" as well; never fails.
std::string cp932ToUtf8(const std::string& bytes);

// Counts and cuts by characters, not bytes (UTF-8).
size_t utf8Length(const std::string& s);
std::string utf8Left(const std::string& s, size_t chars);

}  // namespace tw
