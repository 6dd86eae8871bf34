// The program's own folder and name, where REG.CFG, the shape files and the help file live.
#include "platform/sharedfile.h"
#include "platform/system.h"

#include <gtest/gtest.h>

using namespace tw;

TEST(System, ProgramFolderAndNameNameThisExecutable) {
    std::string folder = programFolder();
    std::string name = executableName();
    EXPECT_EQ(name, "core_tests");
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), pathSeparator()) << "no trailing separator";
    EXPECT_TRUE(directoryExists(folder)) << folder;
#ifdef _WIN32
    EXPECT_TRUE(fileExists(joinPath(folder, name + ".exe"))) << folder;
#else
    EXPECT_TRUE(fileExists(joinPath(folder, name))) << folder;
#endif
}
