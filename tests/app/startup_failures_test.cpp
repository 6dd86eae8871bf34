// The start-up where files cannot be written or are damaged: a join never leaves a member behind that
// this computer cannot remember, and a damaged member file no longer stops every start.
#include "app/startup_fixture.h"
#include "app/blocked_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace tw;
using namespace tw::test::startup;
using tw::test::Blocking;
using tw::test::BlockedFolder;
using tw::test::TempDir;

namespace {

// A member's own file cut by an older program killed while writing it no longer stops every start:
// its complete records are loaded, its bytes kept in a copy, and the user is told once. A damaged
// member list is still refused, naming the file (a join or rename would drop the members cut off),
// and another folder is offered as after any failed access.
TEST_F(StartupTest, DamagedFilesAtAnOrdinaryStart) {
    const std::string stamp = ".damaged-20000717-090000";   // kNow
    auto notice = [&](const std::string& label, const std::string& path, const std::string& goingOn) {
        return label + "ファイル" + path + "\rは途中で切れていました。" + goingOn + "\r元の内容は" + path + stamp +
               "\rに残しました。";
    };
    struct Case {
        std::string what, file;
        std::function<void(const std::string& path)> expectBoxes;
        StartupResult result;
        std::vector<std::string> calls;
        std::function<void(const AppState&)> check;
    };
    const std::vector<Case> cases = {
        {"the note file", "ID00003.FDT",
         [&](const std::string& path) {
             prompter.expect("確認", notice("付箋紙データ", path, "読み込めた1枚の付箋紙で続けます。"), Icon::Information,
                             Buttons::Ok, Answer::Ok);
         },
         StartupResult::Running, kRunningCalls,
         [](const AppState& s) {
             ASSERT_EQ(s.NoteTable.size(), 1u);
             EXPECT_EQ(s.NoteTable[0].Text, "会議");
             EXPECT_EQ(s.localConfig.CheckUnit, 2);
         }},
        {"the local settings", "ID00003.FCG",
         [&](const std::string& path) {
             prompter.expect("確認", notice("ローカル設定", path, "名前とID以外の設定は初期値で続けます。"),
                             Icon::Information, Buttons::Ok, Answer::Ok);
         },
         StartupResult::Running, kRunningCalls,
         [](const AppState& s) {
             EXPECT_EQ(s.localConfig.CheckUnit, 0) << "the design settings";
             EXPECT_EQ(s.localConfig.MemberName, "鈴木");
             EXPECT_EQ(s.localConfig.MemberId, 3);
             EXPECT_EQ(s.NoteTable.size(), 2u);
         }},
        {"the member list", "GRPINLY.CFG",
         [&](const std::string& path) {
             prompter.expect("エラー", "共有設定ファイル" + path + "\rは壊れているため読み込めません\r" + makeError(kErrPastEnd).description,
                             Icon::Warning, Buttons::Ok, Answer::Ok);
             prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + shared.str() + ")を変更しますか？", Icon::None,
                             Buttons::OkCancel, Answer::Cancel);
         },
         StartupResult::Failed, {"unit"},
         [](const AppState& s) {
             EXPECT_TRUE(s.NoteTable.empty());
             EXPECT_EQ(exitCodeOf(StartupResult::Failed), 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(shared.path());
        std::filesystem::create_directory(shared.path());
        prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {{3, {note("会議", 0, 0), note("電話", 0, 0)}}});
        prepareWorkstation(shared.str(), 3);
        const std::string path = shared.file(c.file);
        const std::string bytes = readBytes(path);
        const std::string cut = bytes.substr(0, bytes.size() - 1);   // the last record lost its last byte
        std::ofstream(path, std::ios::binary | std::ios::trunc) << cut;
        c.expectBoxes(path);
        AppState s = fresh();
        FakeHost h{s};

        EXPECT_EQ(runStartup(s, h), c.result);

        EXPECT_EQ(h.calls, c.calls);
        c.check(s);
        const bool salvaged = c.result == StartupResult::Running;
        EXPECT_EQ(std::filesystem::exists(path + stamp), salvaged);
        if (salvaged) {
            EXPECT_EQ(readBytes(path + stamp), cut);
        }
        EXPECT_EQ(readBytes(path), cut) << "rewritten only by the program's next write";
    }
}

TEST_F(StartupTest, ADamagedWorkstationFileIsNamedAsDamagedAndTheSetupRunsAgain) {
    const std::string reg = programDir.file("REG.CFG");
    std::ofstream(reg, std::ios::binary) << std::string("\x05\x00", 2) << "ab";
    prompter.expect("エラー", "ファイル" + reg + "\rは壊れているため読み込めません\r" + makeError(kErrPastEnd).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    expectWelcome();
    host.answerSetup(shared.str(), "山田");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_EQ(workstation().MemberName, shared.str());
    EXPECT_EQ(workstation().MemberId, 1);
}

// A folder that cannot be reached: the user names another one in the dialog, shown as for the first
// setup (its folder box open, no member entry yet to rename), and joins there in the same start.
TEST_F(StartupTest, AFolderNamedAfterAFailedJoinIsJoinedInTheSameStart) {
    std::ofstream(shared.file("plain")) << "not a folder";
    const std::string unreachable = joinPath(shared.file("plain"), "folder");
    expectWelcome();
    host.answerSetupInTurn({unreachable, shared.str()}, "山田");
    prompter.expect("エラー", "共有設定ファイルにアクセスできません\r" + makeError(kErrPathNotFound).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + unreachable + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Ok);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    std::vector<std::string> calls = {"unit", "dialog", "unit", "dialog"};
    calls.insert(calls.end(), kRunningCalls.begin(), kRunningCalls.end());
    EXPECT_EQ(host.calls, calls);
    EXPECT_EQ(host.readyAtDialog, (std::vector<bool>{false, false}));
    EXPECT_EQ(host.nameAtDialog, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(st.localConfig.MemberName, "山田");
    EXPECT_EQ(workstation().MemberName, shared.str());
    EXPECT_EQ(workstation().MemberId, 1);
    ASSERT_EQ(membersOnDisk().size(), 1u);
}

// ---- folders that cannot be written ----

// A folder made unusable the ways a computer does (see blocked_folder.h).
class BlockedFolderTest : public StartupTest, public ::testing::WithParamInterface<Blocking> {
protected:
    void SetUp() override {
        if (const std::string why = tw::test::reasonWhyNot(GetParam()); !why.empty()) GTEST_SKIP() << why;
    }
    std::string why() const {
        return makeError(GetParam() == Blocking::FileInItsPlace ? kErrPathNotFound : kErrAccessDenied).description;
    }
    std::string reg() const { return programDir.file("REG.CFG"); }
    // "name/number" of every entry of the member list on disk.
    std::vector<std::string> entries() {
        std::vector<std::string> v;
        for (const UserEntry& m : membersOnDisk()) v.push_back(m.MemberName + "/" + std::to_string(m.MemberId));
        return v;
    }
};

// A computer that cannot keep its workstation file would join again at every start, adding an entry
// each time: the setup ends before anyone joins, naming the file and why.
TEST_P(BlockedFolderTest, AProgramFolderThatCannotKeepTheWorkstationFileEndsTheSetupBeforeAnyoneJoins) {
    prepareFolder({member("佐藤", 1)}, {});
    const std::string before = readBytes(shared.file("GRPINLY.CFG"));
    BlockedFolder blocked(programDir.path(), GetParam());
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        AppState s = fresh();
        FakeHost h{s};
        h.answerSetup(shared.str(), "山田");
        prompter.expect("エラー", "ファイル" + reg() + "\rに書き込めないため、セットアップは中止されました。\r" + why(),
                        Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_EQ(runStartup(s, h), StartupResult::Failed);
        EXPECT_TRUE(h.calls.empty()) << "not even the setup dialog";
        EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), before) << "nobody joined";
    }
}

// An installed program: the workstation file lives in the user's configuration folder, and the next
// start is an ordinary one.
TEST_P(BlockedFolderTest, AProgramFolderThatCannotKeepTheWorkstationFileLeavesItToTheUserConfiguration) {
    TempDir home;
    const std::string config = (home.path() / "tackwisp").string();
    BlockedFolder blocked(programDir.path(), GetParam());
    st.sys.userConfigDir = config;
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindLocal));   // as the end of the run does
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));

    AppState again = fresh();
    again.sys.userConfigDir = config;
    FakeHost second{again};
    ASSERT_EQ(runStartup(again, second), StartupResult::Running);
    EXPECT_EQ(second.calls, kRunningCalls) << "no second setup";
    EXPECT_EQ(again.CurrentMemberId, 1);
    EXPECT_EQ(entries(), std::vector<std::string>{"山田/1"});
    UserEntry rec;
    const std::string bytes = readBytes(joinPath(config, "REG.CFG"));
    ByteReader rd(bytes);
    ASSERT_TRUE(decode(rd, rec));
    EXPECT_EQ(rec.MemberName, shared.str());
    EXPECT_EQ(rec.MemberId, 1);
}

// The workstation file still cannot be written after the join (the program's folder was lost while
// the user was in the setup dialog): the new entry goes out of the member list again, and the next
// start offers the setup again and adds the member once.
TEST_P(BlockedFolderTest, AWorkstationFileLostDuringTheSetupTakesTheNewEntryBack) {
    struct Case {
        std::string what;
        std::vector<UserEntry> members;
        int16_t number;
    };
    const std::vector<Case> cases = {
        {"a folder with members", {member("佐藤", 1), member("鈴木", 3)}, 2},
        {"a new folder", {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(reg());   // a computer not set up yet
        std::filesystem::remove_all(shared.path());
        std::filesystem::create_directory(shared.path());
        if (!c.members.empty()) prepareFolder(c.members, {});
        std::vector<std::string> before;
        for (const UserEntry& m : c.members) before.push_back(m.MemberName + "/" + std::to_string(m.MemberId));
        {
            AppState s = fresh();
            FakeHost h{s};
            h.answerSetup(shared.str(), "山田");
            std::optional<BlockedFolder> blocked;
            h.onDialog = [&, fill = h.onDialog] {
                fill();
                blocked.emplace(programDir.path(), GetParam());
            };
            expectWelcome();
            prompter.expect("エラー",
                            "ファイル" + reg() + "\rに書き込めないため、共有設定ファイルに追加した「山田」(ID: " +
                                std::to_string(c.number) + ")を取り消しました。\r" + why(),
                            Icon::Warning, Buttons::Ok, Answer::Ok);
            EXPECT_EQ(runStartup(s, h), StartupResult::Failed);
        }
        EXPECT_EQ(entries(), before);

        AppState again = fresh();
        FakeHost second{again};
        second.answerSetup(shared.str(), "山田");
        expectWelcome();
        ASSERT_EQ(runStartup(again, second), StartupResult::Running);
        std::vector<std::string> after = before;
        after.push_back("山田/" + std::to_string(c.number));
        EXPECT_EQ(entries(), after);
        EXPECT_EQ(workstation().MemberId, c.number);
    }
}

// The first setup names a folder whose member list cannot be read or written: nothing is stored in
// the workstation file, another folder is offered, and the next start offers the setup again.
TEST_P(BlockedFolderTest, AFailedJoinLeavesTheWorkstationFileAsItWas) {
    prepareFolder({member("佐藤", 1)}, {});
    std::ofstream(shared.file("GRPINLY.FLG")).close();   // the lock file earlier joins left
    st.sys.retrySeconds = 0;
    {
        BlockedFolder blocked(shared.path(), GetParam());
        expectWelcome();
        if (GetParam() == Blocking::ReadOnly) {
            // The list is read; its write is refused the way a busy file is.
            prompter.expect("確認", kBusyQuestion, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
        }
        prompter.expect("エラー", "共有設定ファイルにアクセスできません\r" + why(), Icon::Warning, Buttons::Ok, Answer::Ok);
        prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + shared.str() + ")を変更しますか？", Icon::None,
                        Buttons::OkCancel, Answer::Cancel);
        host.answerSetup(shared.str(), "山田");
        EXPECT_EQ(runStartup(st, host), StartupResult::Failed);
        EXPECT_EQ(readBytes(reg()), "") << "the workstation file is as it was";
    }

    AppState again = fresh();
    FakeHost second{again};
    second.answerSetup(shared.str(), "山田");
    expectWelcome();
    ASSERT_EQ(runStartup(again, second), StartupResult::Running);
    // A folder that was a file in between lost its content: 山田 founds it anew.
    const std::vector<std::string> kept = {"佐藤/1", "山田/2"}, founded = {"山田/1"};
    EXPECT_EQ(entries(), GetParam() == Blocking::ReadOnly ? kept : founded);
    EXPECT_EQ(workstation().MemberName, shared.str());
}

INSTANTIATE_TEST_SUITE_P(Folders, BlockedFolderTest, ::testing::ValuesIn(tw::test::kEveryBlocking),
                         tw::test::blockingParamName);

}  // namespace

#ifdef __linux__
// A folder that cannot hold the shared files safely is named at the setup, with the step that failed
// and why, and another folder is offered; nothing was written into the refused one.
TEST_F(StartupTest, AFolderThatFailsTheSharingTrialIsRefusedAtTheSetup) {
    const std::string unfit = "/proc";   // there, but nobody may make anything in it
    expectWelcome();
    host.answerSetupInTurn({unfit, shared.str()}, "山田");
    prompter.expect("エラー",
                    "フォルダ" + unfit + "\rでは付箋紙を安全に共有できません。\rフォルダの作成に失敗しました。\r" +
                        makeError(kErrAccessDenied).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("セットアップ再設定", "共有設定ファイルのパス(" + unfit + ")を変更しますか？", Icon::None,
                    Buttons::OkCancel, Answer::Ok);
    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_EQ(workstation().MemberName, shared.str());
    // The trial's scratch folder is gone from the folder that passed it.
    for (const auto& e : std::filesystem::directory_iterator(shared.path()))
        EXPECT_EQ(e.path().filename().string().rfind("~TWCHECK", 0), std::string::npos);
}
#endif
