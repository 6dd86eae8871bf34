// The login start: the entry's exact text (a path with blanks and the characters the entry format
// escapes), written, found and removed again in a configuration folder of the test's own.
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
              "Exec=\"/opt/my notes/bin/tackwisp\"\nIcon=tackwisp\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    const std::string odd = autostartEntryText("/a\"b`c$d\\e%f");
    EXPECT_NE(odd.find("Exec=\"/a\\\"b\\`c\\$d\\\\e%%f\"\n"), std::string::npos) << odd;
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
