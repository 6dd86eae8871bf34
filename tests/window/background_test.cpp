// Background pictures without a window: which names may be opened, the patterns, the picture list of
// a folder and what the page stores.
#include "model/wildcard.h"
#include "support/temp_dir.h"
#include "support/test_services.h"
#include "window/background.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tw {
namespace {

TEST(Wildcard, CaseSensitivePatternsWithSets) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"a.jpg", "*.jpg", true},       {"A.JPG", "*.jpg", false},     {"A.JPG", "*.JPG", true},
        {"x.jpg.bak", "*.jpg", false},  {"写真.jpg", "*.jpg", true},    {"写真.jpg", "??.jpg", true},
        {"写真.jpg", "?.jpg", false},    {"1:30", "[0-2]:[0-5][0-9]", true}, {"3:30", "[0-2]:*", false},
        {"b", "[abc]", true},           {"d", "[!abc]", true},         {"a", "[!abc]", false},
        {"[x", "[x", true},             {"", "*", true},               {"", "?", false},
        {"aaa", "a*a*a*a", false},      {"abcabd", "*abd", true},
    };
    for (const Case& c : cases) EXPECT_EQ(wildcardMatch(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
}

TEST(Background, OnlyPlainNamesAreOpened) {
    // The names are UTF-8. Windows takes the superscripts ¹ ² ³ after COM and LPT for digits, not ⁴ or
    // a superscript followed by more.
    for (const char* ok : {"写真.jpg", "a b.bmp", "x", "CONFIG.gif", "com10.jpg", "a .jpg", "NUL x.jpg", "COM⁴.jpg",
                           "LPT¹0.bmp", "COM¹¹.gif", "COM½.jpg", "ＣＯＭ１.jpg", "CO¹.jpg", "xCOM¹.jpg"})
        EXPECT_TRUE(isPlainFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "../x.jpg", "..\\x.jpg", "sub/x.jpg", "C:x.jpg", "\\\\server\\s\\x.jpg",
                            "x.jpg.", "x.jpg ", " x.jpg", "CON", "nul.jpg", "COM1.jpg", "lpt9", "a\tb.jpg", "a?.jpg",
                            "NUL .jpg", "COM9 .x", "CONIN$ .$", "con   .bmp", "lpt1 ..gif", "COM¹", "COM².jpg",
                            "COM³.bmp", "LPT¹.gif", "lpt².jpg", "Lpt³", "com¹ .jpg", "LPT³  ..x"})
        EXPECT_FALSE(isPlainFileName(bad)) << bad;
    test::TestServices env;
    AppState st(env.services());
    st.SharedPath = "share";
    NoteRecord r;
    r.Background.PictureFile = "../../etc/passwd";
    EXPECT_EQ(picturePath(st, r), "");
    r.Background.PictureFile = "p.jpg";
    EXPECT_NE(picturePath(st, r), "");
}

TEST(Background, PicturesOfAFolderByType) {
    test::TempDir dir;
    for (const char* f : {"b.jpg", "A.JPG", "c.Jpg", "d.bmp", "e.jpg.txt"}) std::ofstream(dir.file(f)) << "x";
    EXPECT_EQ(pictureFiles(dir.str(), 0), (std::vector<std::string>{"A.JPG", "b.jpg"}));
    EXPECT_EQ(pictureFiles(dir.str(), 1), (std::vector<std::string>{"d.bmp"}));
    EXPECT_EQ(pictureTypeOf("x.gif"), 2);
    EXPECT_EQ(pictureTypeOf("X.JPG"), -1);
}

TEST(Background, StoreAndTheChangedFlag) {
    // mode and picture before, choice → picture, mode, colour after, flag
    struct Case {
        const char* before;
        int16_t mode;
        BackgroundChoice choice;
        const char* after;
        int16_t modeAfter;
        uint32_t colourAfter;
        bool changed;
    } cases[] = {
        {"", 0, {"", 1, 5}, "", 0, 7, false},             // nothing chosen: nothing stored
        {"", 0, {"a.jpg", 0, 5}, "a.jpg", 0, 5, false},
        {"a.jpg", 0, {"a.jpg", 1, 5}, "a.jpg", 1, 5, true},
        {"a.jpg", 1, {"a.jpg", 1, 9}, "a.jpg", 1, 9, false},   // only the colour
        {"a.jpg", 1, {"a.jpg", 2, 9}, "", 1, 7, true},       // cleared: mode and colour stay
        {"a.jpg", 0, {"b.jpg", 0, 7}, "b.jpg", 0, 7, false},
    };
    for (const Case& c : cases) {
        NoteRecord r;
        r.Background = {c.before, 7, c.mode};
        EXPECT_EQ(storeBackground(r, c.choice), c.changed) << c.before << " " << c.choice.file;
        EXPECT_EQ(r.Background.PictureFile, c.after);
        EXPECT_EQ(r.Background.PictureMode, c.modeAfter);
        EXPECT_EQ(r.Background.TextColor, c.colourAfter);
    }
}

}  // namespace
}  // namespace tw
