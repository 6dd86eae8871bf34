// The system code page (CP932, Shift-JIS) used for every text in the files and in shell calls.
// Inside the program texts are UTF-8.
#pragma once

#include <string>
#include <vector>

namespace tw {

// A character with no CP932 form becomes "?". The yen sign and the overline become 5C and 7E.
std::string utf8ToCp932(const std::string& utf8);
// The characters of a text that utf8ToCp932 turns into "?", each named once in the order they come:
// the character itself, or "U+XXXX" for one that shows nothing on its own.
std::vector<std::string> unstorableCharacters(const std::string& utf8);
// The text with "?" in place of each of those characters: what the bytes of utf8ToCp932 show.
std::string withUnstorableReplaced(const std::string& utf8);
// Never fails. Bytes that are not part of a CP932 character are kept as characters of their own
// (U+F780–U+F7FF), which utf8ToCp932 turns back into the same bytes: a text read from a file goes
// back out byte for byte however damaged it is, on every system.
std::string cp932ToUtf8(const std::string& bytes);

// A text as the user sees and edits it: every kept byte shows as "?". Once edited, the "?" is what
// the text holds.
std::string withKeptBytesShown(const std::string& utf8);

// Counts and cuts by characters, not bytes (UTF-8).
size_t utf8Length(const std::string& s);
std::string utf8Left(const std::string& s, size_t chars);

}  // namespace tw
