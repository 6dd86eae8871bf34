// The workstation file: its layout, its failures, and where it lives.
#include "app/groval_fixture.h"
#include "app/blocked_folder.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace tw;
using namespace tw::test::files;
using tw::test::Blocking;
using tw::test::BlockedFolder;
using tw::test::TempDir;

namespace {

std::string workstationRecord(const std::string& folder, int16_t id) {
    ByteWriter w;
    encode(w, member(folder, id));
    return w.data();
}

int expectedError(Blocking how) { return how == Blocking::FileInItsPlace ? kErrPathNotFound : kErrAccessDenied; }

}  // namespace

TEST_F(GrovalTest, WorkstationFileLayoutAndRoundTrip) {
    st.SharedPath = "\\\\srv\\共有";
    st.CurrentMemberId = 258;
    WriteWorkstation(st);
    std::string bytes = slurp(program.file("REG.CFG"));
    std::string want = std::string("\x0A\x00", 2) + "\\\\srv\\" + "\x8B\xA4\x97\x4C" + std::string("\x02\x01", 2) +
                       std::string(12, '\0');
    EXPECT_EQ(bytes, want);
    st.SharedPath = "x";
    st.CurrentMemberId = 1;
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "\\\\srv\\共有");
    EXPECT_EQ(st.CurrentMemberId, 258);
}

TEST_F(GrovalTest, WorkstationFileFailures) {
    const std::string name = program.file("REG.CFG");
    auto text = [&](int err) { return "ファイル" + name + "\rにアクセスできません\r" + makeError(err).description; };

    // Held by someone else: no silent retry for the local file.
    WriteWorkstation(st);
    {
        SharedFile holder;
        ASSERT_FALSE(holder.open(name, ShareMode::ReadDenyWrite));
        prompter.expect(kErrorTitle, text(kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
        ReadWorkstation(st);
        EXPECT_EQ(st.SharedPath, "");
        EXPECT_EQ(st.CurrentMemberId, 0);
        prompter.expect(kErrorTitle, text(kErrAccessDenied), Icon::Warning, Buttons::Ok, Answer::Ok);
        WriteWorkstation(st);
    }

    // Damaged: named as damaged, nothing taken from it.
    spit(name, std::string("\x05\x00", 2) + "ab");
    prompter.expect(kErrorTitle, "ファイル" + name + "\rは壊れているため読み込めません\r" + makeError(kErrPastEnd).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    st.SharedPath = "x";
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
    EXPECT_EQ(st.CurrentMemberId, 0);

    // Program folder gone: there is no workstation file and none can be made, so this computer is
    // not set up (the setup says why it cannot be); writing one fails.
    st.sys.programDir = program.file("nowhere");
    const std::string name2 = program.file("nowhere") + pathSeparator() + "REG.CFG";
    st.SharedPath = "x";
    ReadWorkstation(st);
    EXPECT_EQ(st.SharedPath, "");
    prompter.expect(kErrorTitle, "ファイル" + name2 + "\rにアクセスできません\r" + makeError(kErrPathNotFound).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(WriteWorkstation(st));
}

// Where the workstation file is read from and written to, with the program's folder unusable in one
// of the ways a computer makes it so.
class WorkstationPlaces : public ::testing::TestWithParam<Blocking> {
protected:
    void SetUp() override {
        if (const std::string why = tw::test::reasonWhyNot(GetParam()); !why.empty()) GTEST_SKIP() << why;
        st.sys.programDir = program.str();
    }

    // The folder a workstation file holds, "" for an empty one, "(none)" for none.
    static std::string folderIn(const std::string& path) {
        if (!std::filesystem::is_regular_file(path)) return "(none)";
        const std::string bytes = slurp(path);
        UserEntry rec;
        ByteReader rd(bytes);
        return bytes.empty() ? "" : decode(rd, rec) ? rec.MemberName : "(damaged)";
    }

    tw::test::TestServices env;
    AppState st{env.services()};
    TempDir program, home;
    const std::string config = (home.path() / "config" / "tackwisp").string();
    const std::string beside = program.file("REG.CFG");
    const std::string inConfig = joinPath(config, "REG.CFG");
};

TEST_P(WorkstationPlaces, BesideTheProgramOrInTheUserConfiguration) {
    enum Where { Nowhere, Beside, InConfig };
    struct Case {
        std::string what;
        bool besideThere, configThere, programBlocked, configSet;
        Where readFrom, writtenTo;
    };
    const std::vector<Case> cases = {
        {"a new one goes beside the program", false, false, false, true, Nowhere, Beside},
        {"a program folder that cannot take one sends it to the configuration", false, false, true, true, Nowhere,
         InConfig},
        {"the one beside the program wins when both exist", true, true, false, true, Beside, Beside},
        {"one in the configuration is used though the program folder could take one", false, true, false, true,
         InConfig, InConfig},
        {"one in the configuration is used where the program folder cannot be used", false, true, true, true, InConfig,
         InConfig},
        {"no place at all: not set up, and no write", false, false, true, false, Nowhere, Nowhere},
    };
    const std::string error = makeError(expectedError(GetParam())).description;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(home.path() / "config");
        std::filesystem::remove(beside);
        st.sys.userConfigDir = c.configSet ? config : "";
        if (c.besideThere) spit(beside, workstationRecord("beside", 1));
        if (c.configThere) {
            std::filesystem::create_directories(config);
            spit(inConfig, workstationRecord("config", 2));
        }
        std::optional<BlockedFolder> blocked;
        if (c.programBlocked) blocked.emplace(program.path(), GetParam());

        ReadWorkstation(st);
        EXPECT_EQ(st.SharedPath, c.readFrom == Beside ? "beside" : c.readFrom == InConfig ? "config" : "");
        st.SharedPath = "written";
        st.CurrentMemberId = 9;
        if (c.writtenTo == Nowhere) {
            env.prompter.expect(kErrorTitle, "ファイル" + beside + "\rにアクセスできません\r" + error, Icon::Warning,
                                Buttons::Ok, Answer::Ok);
        }
        EXPECT_EQ(WriteWorkstation(st), c.writtenTo != Nowhere);
        blocked.reset();
        const bool keptBeside = c.besideThere && !(c.programBlocked && GetParam() == Blocking::FileInItsPlace);
        EXPECT_EQ(folderIn(beside), c.writtenTo == Beside ? "written" : keptBeside ? "beside" : "(none)");
        EXPECT_EQ(folderIn(inConfig), c.writtenTo == InConfig ? "written" : c.configThere ? "config" : "(none)");
    }
}

// The check before a setup makes the file where it will live and leaves its content as it was, even
// a damaged one; it fails, naming the file, where no workstation file can be written at all.
TEST_P(WorkstationPlaces, CheckingTheWorkstationFileLeavesItAsItWas) {
    std::string path;
    EXPECT_TRUE(checkWorkstationWritable(st, path).ok());
    EXPECT_EQ(path, beside);
    EXPECT_EQ(folderIn(beside), "") << "made empty";
    const std::string damaged = std::string("\x05\x00", 2) + "ab";
    spit(beside, damaged);
    EXPECT_TRUE(checkWorkstationWritable(st, path).ok());
    EXPECT_EQ(slurp(beside), damaged);

    std::filesystem::remove(beside);
    BlockedFolder blocked(program.path(), GetParam());
    FileError e = checkWorkstationWritable(st, path);
    EXPECT_EQ(e.number, expectedError(GetParam()));
    EXPECT_EQ(path, beside);

    st.sys.userConfigDir = config;
    EXPECT_TRUE(checkWorkstationWritable(st, path).ok());
    EXPECT_EQ(path, inConfig);
    EXPECT_EQ(folderIn(inConfig), "");
}

INSTANTIATE_TEST_SUITE_P(ProgramFolder, WorkstationPlaces, ::testing::ValuesIn(tw::test::kEveryBlocking),
                         tw::test::blockingParamName);

