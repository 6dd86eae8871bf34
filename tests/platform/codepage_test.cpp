// The system code page of the files (CP932) and the character counts of UTF-8 texts. Both builds
// must turn the same text into the same bytes.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tw;

namespace {
std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s.push_back(static_cast<char>(c));
    return s;
}
// A text as the user sees it.
std::string shown(const std::string& cp932) { return withKeptBytesShown(cp932ToUtf8(cp932)); }
}  // namespace

TEST(Cp932, ProductNameToItsExactBytes) {
    const std::string name = "タックウィスプ";
    const std::string sjis =
        bytes({0x83, 0x5E, 0x83, 0x62, 0x83, 0x4E, 0x83, 0x45, 0x83, 0x42, 0x83, 0x58, 0x83, 0x76});
    EXPECT_EQ(utf8ToCp932(name), sjis);
    EXPECT_EQ(cp932ToUtf8(sjis), name);
    // Seven characters, two bytes each in a file's length prefix.
    EXPECT_EQ(utf8Length(name), 7u);
    EXPECT_EQ(utf8ToCp932(name).size(), 14u);
}

TEST(Cp932, SingleByteCharactersAndTheBackslash) {
    EXPECT_EQ(utf8ToCp932(""), "");
    EXPECT_EQ(cp932ToUtf8(""), "");
    EXPECT_EQ(utf8ToCp932("ID00001.FDT"), "ID00001.FDT");
    // 0x5C stays the backslash of paths in both directions (not the yen sign).
    EXPECT_EQ(utf8ToCp932("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(cp932ToUtf8("\\\\server\\share"), "\\\\server\\share");
    // Half-width katakana take one byte.
    EXPECT_EQ(utf8ToCp932("ｱｲ"), bytes({0xB1, 0xB2}));
    EXPECT_EQ(cp932ToUtf8(bytes({0xB1, 0xB2})), "ｱｲ");
    // Control characters and the carriage return of messages pass through.
    EXPECT_EQ(utf8ToCp932("a\rb\n\t"), "a\rb\n\t");
    EXPECT_EQ(cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp932, TrailByte5CIsNotABackslash) {
    // "ソ" and "表" end in 0x5C; a converter that treats it as a separator breaks them.
    EXPECT_EQ(utf8ToCp932("ソ表"), bytes({0x83, 0x5C, 0x95, 0x5C}));
    EXPECT_EQ(cp932ToUtf8(bytes({0x83, 0x5C, 0x95, 0x5C, 0x5C})), "ソ表\\");
    const std::string mixed = "C:\\付箋\\表ソ\\ＡＢＣ１２３・ー〒";
    EXPECT_EQ(cp932ToUtf8(utf8ToCp932(mixed)), mixed);
    // "・" is a real character, not a placeholder for bad bytes.
    EXPECT_EQ(utf8ToCp932("・"), bytes({0x81, 0x45}));
    EXPECT_EQ(cp932ToUtf8(bytes({0x81, 0x45})), "・");
}

TEST(Cp932, CharactersWithoutACp932FormBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp932("é"), "?");            // no best-fit "e"
    EXPECT_EQ(utf8ToCp932("한글"), "??");         // Hangul
    EXPECT_EQ(utf8ToCp932("a😀b"), "a?b");        // beyond the basic plane: one "?" per character
    EXPECT_EQ(utf8ToCp932("付😀箋"), bytes({0x95, 0x74, '?', 0xE2, 0xB3}));
    // Bytes that are not UTF-8 at all.
    EXPECT_EQ(utf8ToCp932("A\xFF" "B"), "A?B");
}

TEST(Cp932, BothSystemsWriteTheSameBytes) {
    // Characters typed on Linux that Windows' own table keeps under a look-alike code point: the
    // wave dash, minus, em dash, double vertical line, cent, pound and not signs. Each side also
    // reads the bytes back as its table says (the Windows forms).
    EXPECT_EQ(utf8ToCp932("〜～"), bytes({0x81, 0x60, 0x81, 0x60}));
    EXPECT_EQ(cp932ToUtf8(bytes({0x81, 0x60})), "～");
    EXPECT_EQ(utf8ToCp932("−－—―‖∥"), bytes({0x81, 0x7C, 0x81, 0x7C, 0x81, 0x5C, 0x81, 0x5C, 0x81, 0x61, 0x81, 0x61}));
    EXPECT_EQ(utf8ToCp932("¢£¬"), bytes({0x81, 0x91, 0x81, 0x92, 0x81, 0xCA}));
    // The yen sign and the overline are the bytes a Japanese Windows shows as them; read back they
    // stay the backslash and the tilde.
    EXPECT_EQ(utf8ToCp932("¥100‾"), "\x5C" "100\x7E");
    EXPECT_EQ(utf8ToCp932("表¥ソ‾"), bytes({0x95, 0x5C, 0x5C, 0x83, 0x5C, 0x7E}));
    EXPECT_EQ(cp932ToUtf8("\x5C" "100\x7E"), "\\100~");
    EXPECT_EQ(utf8ToCp932("￥"), bytes({0x81, 0x8F}));
    // 0x80 is no character on its own (it is one as a trail byte: "÷"); U+0080 has no form.
    EXPECT_EQ(shown(bytes({0x41, 0x80, 0x42})), "A?B");
    EXPECT_EQ(cp932ToUtf8(bytes({0x81, 0x80})), "÷");
    EXPECT_EQ(utf8ToCp932("\xC2\x80"), "?");
    EXPECT_EQ(utf8ToCp932("\xEF\xA3\xB0"), "?");   // U+F8F0
    EXPECT_EQ(shown(bytes({0xA0, 0xFD, 0xFE, 0xFF})), "????");
}

TEST(Cp932, CharactersTheFileCannotHoldAreNamedOnceAndReplaced) {
    const struct {
        std::string text;
        std::vector<std::string> names;
        std::string replaced;
    } cases[] = {
        {"付箋 ¥100‾ ?！ｱ∵①", {}, "付箋 ¥100‾ ?！ｱ∵①"},
        {"😀𠮷é€♥✓한글", {"😀", "𠮷", "é", "€", "♥", "✓", "한", "글"}, "????????"},
        {"é?é😀é", {"é", "😀"}, "???" "??"},
        // Characters that show nothing by themselves are named by their code.
        {"a\xC2\xA0" "b\xE2\x80\x8B" "e\xCC\x81" "\xEF\xB8\x8F", {"U+00A0", "U+200B", "U+0301", "U+FE0F"}, "a?b?e??"},
        // Bytes read from a file that are no character go back as they came.
        {cp932ToUtf8(bytes({'A', 0x81, 0x20, 0xFA, 0x5B})) + "é", {"é"}, cp932ToUtf8(bytes({'A', 0x81, 0x20, 0xFA, 0x5B})) + "?"},
        {"A\xFF" "B", {"\xEF\xBF\xBD"}, "A?B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unstorableCharacters(c.text), c.names) << c.text;
        EXPECT_EQ(withUnstorableReplaced(c.text), c.replaced) << c.text;
        EXPECT_EQ(utf8ToCp932(c.replaced), utf8ToCp932(c.text)) << "the replacements are what the file holds";
        EXPECT_TRUE(unstorableCharacters(c.replaced).empty());
    }
}

TEST(Cp932, BytesThatAreNoCharacterShowAsQuestionMarksAndGoBackUnchanged) {
    const struct {
        std::string bytes, shown;
    } cases[] = {
        // A lead byte followed by a byte that cannot end it: the lead is bad, the next byte counts.
        {bytes({0x81, 0x20, 0x41}), "? A"},
        // A lead byte cut off at the end of the text.
        {bytes({0x41, 0x83}), "A?"},
        // A code in an unassigned row.
        {bytes({0x85, 0x40}), "?@"},
        // Good characters around bad ones are kept.
        {bytes({0x83, 0x5E, 0x81, 0x20, 0x83, 0x76}), "タ? プ"},
        // Every kind at once; FC 45 ("E") is a good two-byte character of its own.
        {bytes({'A', 0x81, 0x20, 'B', 0xFF, 0xFE, 'C', 0x80, 0xA0, 'D', 0xFD, 0xFC, 'E'}),
         "A? B??C??D?" + cp932ToUtf8(bytes({0xFC, 0x45}))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(c.bytes), c.shown);
        EXPECT_EQ(utf8ToCp932(cp932ToUtf8(c.bytes)), c.bytes) << "read and written again unchanged";
        // Once the user has edited the text, the "?" it showed is what it holds.
        EXPECT_EQ(utf8ToCp932(shown(c.bytes)), utf8ToCp932(c.shown));
    }
}

TEST(Cp932, CharactersWithASecondCodeKeepTheirOwnBytes) {
    // "∵" is 81 E6, and again FA 5B among the IBM and 87 9A among the NEC extensions; "Ⅰ" is 87 54
    // and FA 4A. Whichever code a text has, it shows the character and goes back with that code.
    for (const std::string& code : {bytes({0x81, 0xE6}), bytes({0xFA, 0x5B}), bytes({0x87, 0x9A})}) {
        EXPECT_EQ(shown(code), "∵");
        EXPECT_EQ(utf8ToCp932(cp932ToUtf8(code)), code);
    }
    for (const std::string& code : {bytes({0x87, 0x54}), bytes({0xFA, 0x4A})}) {
        EXPECT_EQ(shown(code), "Ⅰ");
        EXPECT_EQ(utf8ToCp932(cp932ToUtf8("A" + code + "B")), "A" + code + "B");
    }
    // Typed by the user, a character takes the code both systems write.
    EXPECT_EQ(utf8ToCp932("∵"), bytes({0x81, 0xE6}));
}

TEST(Cp932, EveryOneAndTwoByteSequenceGoesBackUnchanged) {
    for (int a = 0; a < 256; ++a) {
        const std::string one = bytes({a});
        ASSERT_EQ(utf8ToCp932(cp932ToUtf8(one)), one) << std::hex << a;
        for (int b = 0; b < 256; ++b) {
            const std::string two = bytes({a, b, 'x'});
            ASSERT_EQ(utf8ToCp932(cp932ToUtf8(two)), two) << std::hex << a << ' ' << b;
        }
    }
}

TEST(Utf8Text, CountsAndCutsByCharacters) {
    EXPECT_EQ(utf8Length(""), 0u);
    EXPECT_EQ(utf8Length("abc"), 3u);
    EXPECT_EQ(utf8Length("タックa"), 4u);
    EXPECT_EQ(utf8Length("a😀b"), 3u);

    const std::string s = "タックウィスプ";
    EXPECT_EQ(utf8Left(s, 0), "");
    EXPECT_EQ(utf8Left(s, 3), "タック");
    EXPECT_EQ(utf8Left(s, 7), s);
    EXPECT_EQ(utf8Left(s, 100), s);
    EXPECT_EQ(utf8Left("a😀b", 2), "a😀");
    EXPECT_EQ(utf8Left("ab", 1), "a");
    EXPECT_EQ(utf8Left("", 5), "");
}
