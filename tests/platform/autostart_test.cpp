// The login start: the entry's exact text (a path with blanks and the characters the entry format
// escapes, in its command line and in its TryExec), written, found and removed again in a
// configuration folder of the test's own.
#include "platform/autostart.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tw {
namespace {

TEST(Autostart, EntryText) {
    EXPECT_EQ(autostartEntryText("/opt/my notes/bin/tackwisp"),
              "[Desktop Entry]\nType=Application\nName=タックウィスプ\nComment=ログイン時に付箋を表示します\n"
              "Exec=\"/opt/my notes/bin/tackwisp\"\nTryExec=/opt/my notes/bin/tackwisp\nIcon=tackwisp\nTerminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

// Exec is a quoted command line whose backslashes the string escapes double again; TryExec is the
// path itself as a string value. The two lines exactly, as in the file.
TEST(Autostart, EntryLinesOfOddPaths) {
    struct Case {
        const char* program;
        const char* exec;
        const char* tryExec;
    } cases[] = {
        {"/a\"b`c$d\\e%f", R"(Exec="/a\\"b\\`c\\$d\\\\e%%f")", R"(TryExec=/a"b`c$d\\e%f)"},
        {"/opt/x/tackwisp ", "Exec=\"/opt/x/tackwisp \"", R"(TryExec=/opt/x/tackwisp\s)"},
        {"/a\tb\nc\rd", "Exec=\"/a\\tb\\nc\\rd\"", R"(TryExec=/a\tb\nc\rd)"},
        {"/x y/it's #1;[a]", "Exec=\"/x y/it's #1;[a]\"", "TryExec=/x y/it's #1;[a]"},
    };
    for (const Case& c : cases) {
        const std::string text = autostartEntryText(c.program);
        EXPECT_NE(text.find(std::string("\n") + c.exec + "\n" + c.tryExec + "\n"), std::string::npos) << text;
    }
}

#ifndef _WIN32
TEST(Autostart, WrittenFoundRemoved) {
    test::TempDir config;
    const Autostart a(config.str());
    EXPECT_EQ(a.location(), config.str() + "/autostart/tackwisp.desktop");
    EXPECT_FALSE(a.enabled());
    EXPECT_FALSE(a.set(false, "/usr/bin/tackwisp")) << "removing what is not there is no error";
    ASSERT_FALSE(a.set(true, "/usr/bin/tackwisp"));
    EXPECT_TRUE(a.enabled());
    std::ifstream in(a.location(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), autostartEntryText("/usr/bin/tackwisp"));
    ASSERT_FALSE(a.set(true, "/opt/tackwisp/bin/tackwisp")) << "written over";
    ASSERT_FALSE(a.set(false, ""));
    EXPECT_FALSE(a.enabled());
    // Nothing but the entry was ever there: no temporary file is left.
    EXPECT_TRUE(std::filesystem::is_empty(config.str() + "/autostart"));
}
#endif

}  // namespace
}  // namespace tw
