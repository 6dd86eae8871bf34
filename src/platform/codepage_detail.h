// Shared by the two implementations of the code page: how bytes that a text must give back unchanged
// are kept inside a UTF-8 text, and the system-specific conversions underneath.
#pragma once

#include <string>

namespace tw::codepage {

// A byte 0x80–0xFF that is not part of any CP932 character is kept as the character U+F700 + byte
// (three bytes of UTF-8: EF 9E|9F xx). CP932 itself maps no character there.
std::string keptByte(unsigned char b);
// When a kept byte starts at s[i], stores it in `b` and returns true (it takes 3 bytes).
bool keptByteAt(const std::string& s, size_t i, unsigned char& b);

// A two-byte character that CP932 also has under another code (the NEC and IBM extensions): written
// again it would take the other code, so its own two bytes are kept, after this mark (U+F77F, EF 9D
// BF), which writes nothing and tells the display to show the character. The lead byte is a kept
// byte; the trail byte is one too, or the plain character 40–7E.
inline const std::string kKeptCharacterMark = "\xEF\x9D\xBF";

// UTF-8 without kept bytes, yen signs or overlines (utf8ToCp932 takes those itself) to CP932, by the
// system's tables ("?" for characters without a form).
std::string encodeRun(const std::string& utf8);
// CP932 to UTF-8 when every byte belongs to a CP932 character, by the system's tables; false (and
// `utf8` unspecified) otherwise. The bytes 80, A0 and FD–FF on their own are no character anywhere.
bool decodeRun(const std::string& bytes, std::string& utf8);

}  // namespace tw::codepage
