// The files that ship with the program: beside the program, else in the installed program's data
// folder; and the shape catalogue built from both.
#include "model/shippedfiles.h"
#include "model/state.h"
#include "window/shapes.h"

#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tw;
using namespace tw::test;

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void copyShape(int number, const std::string& folder) {
    const std::string name = shapeFileName(number);
    std::filesystem::copy_file(std::filesystem::path(TW_SHAPES_DIR) / name, std::filesystem::path(folder) / name);
}

struct ShippedFiles : ::testing::Test {
    TempDir prefix;
    TestServices env;
    AppState st{env.services()};
    std::string bin, data;

    void SetUp() override {
        bin = prefix.file("bin");
        data = prefix.file("share");
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(data);
        st.sys.programDir = bin;
        st.sys.dataDir = data;
    }
};

}  // namespace

TEST_F(ShippedFiles, AFileBesideTheProgramWins) {
    writeFile(joinPath(bin, "tackwisp.html"), "beside");
    writeFile(joinPath(data, "tackwisp.html"), "installed");
    EXPECT_EQ(shippedFilePath(st.sys, "tackwisp.html"), joinPath(bin, "tackwisp.html"));
}

TEST_F(ShippedFiles, AFileOnlyInTheDataFolderIsFoundThere) {
    writeFile(joinPath(data, "tackwisp.html"), "installed");
    EXPECT_EQ(shippedFilePath(st.sys, "tackwisp.html"), joinPath(data, "tackwisp.html"));
}

TEST_F(ShippedFiles, AFileInNeitherIsNamedBesideTheProgram) {
    EXPECT_EQ(shippedFilePath(st.sys, "tackwisp.html"), joinPath(bin, "tackwisp.html"));
}

TEST_F(ShippedFiles, NoDataFolderMeansBesideTheProgramOnly) {
    writeFile(joinPath(data, "tackwisp.html"), "installed");
    st.sys.dataDir.clear();
    EXPECT_EQ(shippedFilePath(st.sys, "tackwisp.html"), joinPath(bin, "tackwisp.html"));
    EXPECT_EQ(shippedFolders(st.sys), std::vector<std::string>{bin});
}

TEST_F(ShippedFiles, TheShapesOfBothFoldersMakeOneCatalogueInNumberOrder) {
    copyShape(2, data);
    copyShape(3, data);
    copyShape(4, bin);
    const std::vector<ShapeEntry> catalogue = buildShapeCatalogue(st);
    ASSERT_EQ(catalogue.size(), 3u);
    EXPECT_EQ(catalogue[0].number, 2);
    EXPECT_EQ(catalogue[1].number, 3);
    EXPECT_EQ(catalogue[2].number, 4);
    EXPECT_FALSE(catalogue[0].name.empty());
    EXPECT_EQ(shapeFilePath(st, 2), joinPath(data, "FSTYLE.002"));
    EXPECT_EQ(shapeFilePath(st, 4), joinPath(bin, "FSTYLE.004"));
}

TEST_F(ShippedFiles, AShapeBesideTheProgramHidesTheInstalledOneOfItsNumber) {
    copyShape(2, data);
    // Beside the program, number 2 holds the drawing of number 3.
    std::filesystem::copy_file(std::filesystem::path(TW_SHAPES_DIR) / "FSTYLE.003", std::filesystem::path(bin) / "FSTYLE.002");
    ShapeData beside, installed;
    ASSERT_TRUE(loadShapeFile(st, 2, beside));
    st.sys.programDir = prefix.file("elsewhere");
    ASSERT_TRUE(loadShapeFile(st, 2, installed));
    EXPECT_NE(beside.name, installed.name);
    st.sys.programDir = bin;
    const std::vector<ShapeEntry> catalogue = buildShapeCatalogue(st);
    ASSERT_EQ(catalogue.size(), 1u);
    EXPECT_EQ(catalogue[0].name, beside.name);
}

TEST_F(ShippedFiles, WithoutShapesInEitherFolderTheUserIsTold) {
    env.prompter.expect(kProductName,
                        std::string("付箋形状基礎データファイルが１つも存在しません") + "\r\n" +
                            "通常・円形以外の形状は使用できません。",
                        Icon::Warning, Buttons::Ok, Answer::Ok);
    const std::vector<ShapeEntry> catalogue = buildShapeCatalogue(st);
    ASSERT_EQ(catalogue.size(), 1u);
    EXPECT_EQ(catalogue[0].number, 0);
}
