// The trial of a folder before it is shared.
#include "platform/foldercheck.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tw;

TEST(FolderCheck, AGoodFolderPassesAndKeepsNothingMissingOrClosedFoldersSayWhichStep) {
    test::TempDir dir;
    FolderCheck good = checkFolderForSharing(dir.str());
    EXPECT_TRUE(good.ok) << good.step << " " << good.error.description;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    FolderCheck missing = checkFolderForSharing(dir.file("gone"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.step, "フォルダの確認");
    EXPECT_EQ(missing.error.number, kErrPathNotFound);
#ifdef __linux__
    FolderCheck closed = checkFolderForSharing("/proc");
    EXPECT_FALSE(closed.ok);
    EXPECT_EQ(closed.step, "フォルダの作成");
#endif
}
