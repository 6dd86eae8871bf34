// The start-up routine against real files in a temporary program folder and shared folder, with a
// scripted windowed program around it.
#include "app/startup_fixture.h"
#include "app/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

using namespace tw;
using namespace tw::test::startup;
using tw::test::TempDir;

namespace {

// ---- first-time setup ----

TEST_F(StartupTest, FirstStartInAnEmptyFolderMakesMemberOne) {
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    host.interval = 60000;

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, setupCalls());
    EXPECT_EQ(st.CurrentMemberId, 1);
    EXPECT_EQ(st.localConfig.MemberId, 1);
    EXPECT_TRUE(st.SettingsReady);
    EXPECT_EQ(st.LastCheckTime, kNow);
    EXPECT_EQ(host.armed, 60000);

    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, shared.str());
    EXPECT_EQ(reg.MemberId, 1);

    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].MemberName, "山田");
    EXPECT_EQ(members[0].MemberId, 1);
    EXPECT_EQ(members[0].MemberPassword, "");
    // The join leaves the shared log as it found it: there was none, so it is empty.
    EXPECT_EQ(readBytes(shared.file("GRPINLY.FLG")), "");
}

TEST_F(StartupTest, SecondComputerTakesTheSmallestFreeNumber) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {});
    expectWelcome();
    host.answerSetup(shared.str(), "山田", "AB12");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 2);
    EXPECT_EQ(workstation().MemberId, 2);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[0].MemberId, 1);
    EXPECT_EQ(members[1].MemberId, 3);
    EXPECT_EQ(members[2].MemberName, "山田");
    EXPECT_EQ(members[2].MemberId, 2);
    EXPECT_EQ(members[2].MemberPassword, ScramblePassword("AB12"));
    EXPECT_EQ(st.CurrentPassword, "AB12");
    // The member's own files are there as soon as he has joined.
    LocalConfig written;
    const std::string fcg = readBytes(shared.file("ID00002.FCG"));
    ByteReader rd(fcg);
    ASSERT_TRUE(decode(rd, written) && rd.atEnd());
    EXPECT_EQ(written.MemberName, "山田");
    EXPECT_EQ(written.MemberId, 2);
    EXPECT_EQ(readBytes(shared.file("ID00002.FDT")), "");
    EXPECT_TRUE(std::filesystem::exists(shared.file("ID00002.FDT")));
}

TEST_F(StartupTest, CancelledSetupEndsWithoutTouchingTheFolder) {
    expectWelcome();
    prompter.expect(kProduct, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    host.cancelSetup();

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);
    EXPECT_EQ(exitCodeOf(StartupResult::Ended), 0);

    EXPECT_EQ((std::vector<std::string>{"unit", "dialog"}), host.calls);
    EXPECT_TRUE(std::filesystem::is_empty(shared.path()));
    EXPECT_EQ(readBytes(programDir.file("REG.CFG")), "");
}

TEST_F(StartupTest, LegacyMemberNumberWithoutPathStillRunsTheSetup) {
    store.values["QOV/TACKWISP/LID"] = "4";
    prompter.expect(kProduct + " 確認",
                    "旧バージョンの情報がレジストリに記録されています\r"
                    "旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します",
                    Icon::None, Buttons::OkCancel, Answer::Cancel);
    expectWelcome();
    prompter.expect(kProduct, "セットアップ初期設定は中止されました。", Icon::Information, Buttons::Ok, Answer::Ok);
    host.cancelSetup();

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);

    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, "");
    EXPECT_EQ(reg.MemberId, 4);
    EXPECT_EQ(store.values.size(), 1u) << "Cancel keeps the old entries";
}

TEST_F(StartupTest, LegacyNumberIsReplacedByTheNumberOfTheJoin) {
    store.values["QOV/TACKWISP/LID"] = "4";
    prompter.expect(kProduct + " 確認",
                    "旧バージョンの情報がレジストリに記録されています\r"
                    "旧バージョンのレジストリ情報をクリアし、新バージョンによるファイル管理に移行します",
                    Icon::None, Buttons::OkCancel, Answer::Ok);
    expectWelcome();
    host.answerSetup(shared.str(), "山田");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_TRUE(store.values.empty());
    EXPECT_EQ(workstation().MemberId, 1);
}

TEST_F(StartupTest, SecondCopyIsRefusedBeforeAnythingElse) {
    host.previous = true;
    prompter.expect(kProduct, kProduct + "は既に起動されています。", Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(programDir.file("REG.CFG")));
}

// ---- ordinary start ----

TEST_F(StartupTest, OrdinaryStartLoadsTheMembersSettingsAndNotes) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3, "PW9")},
                  {{3, {note("会議", 100, 200), note("電話", 700, 1400)}}, {1, {note("other", 0, 0)}}});
    prepareWorkstation(shared.str(), 3);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, kRunningCalls);
    EXPECT_FALSE(host.readyWhenNotesOpened) << "the start-up is finished only after the notes are open";
    EXPECT_TRUE(st.SettingsReady);
    EXPECT_EQ(st.CurrentMemberId, 3);
    EXPECT_EQ(st.localConfig.MemberName, "鈴木");
    EXPECT_EQ(st.localConfig.CheckUnit, 2);
    ASSERT_EQ(st.NoteTable.size(), 2u);
    EXPECT_EQ(st.NoteTable[1].Text, "電話");
    EXPECT_EQ(st.CurrentPassword, "PW9");
    EXPECT_EQ(st.members.size(), 2u);
}

TEST_F(StartupTest, WhatTheLastEndCouldNotWriteIsOfferedBack) {
    prepareFolder({member("鈴木", 3)}, {{3, {note("古い", 100, 200)}}});
    prepareWorkstation(shared.str(), 3);
    TempDir data;
    st.sys.userDataDir = data.str();
    std::string kept;
    {
        // The last run ended with a newer note that the share did not take.
        AppState last = fresh();
        last.sys.userDataDir = data.str();
        last.SharedPath = shared.str();
        last.CurrentMemberId = 3;
        last.NoteTable = {note("新しい", 100, 200)};
        std::string path;
        ASSERT_FALSE(keepRecoveryCopy(last, kKindNotes, path));
        kept = recoveryFolder(last);
    }
    prompter.expect("確認",
                    "前回の終了時に共有フォルダに保存できなかった付箋紙とローカル設定が\r" + kept +
                        "\rに残っています。元に戻しますか？",
                    Icon::Information, Buttons::OkCancel, Answer::Ok);
    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "新しい");
    EXPECT_EQ(st.localConfig.MemberName, "鈴木") << "the local settings of the folder stay";
}

TEST_F(StartupTest, RemovedMemberIsToldAndMayResetTheEnvironment) {
    prepareFolder({member("佐藤", 1), member("鈴木", 2)}, {});
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Ended);

    EXPECT_TRUE(host.calls.empty()) << "no note is shown";
    UserEntry reg = workstation();
    EXPECT_EQ(reg.MemberName, "");
    EXPECT_EQ(reg.MemberId, 0);
    EXPECT_EQ(membersOnDisk().size(), 2u) << "the shared folder is not touched";
}

TEST_F(StartupTest, RemovedMemberWhoKeepsHisEnvironmentGoesOnWithHisNotes) {
    std::vector<UserEntry> all = {member("佐藤", 1), member("鈴木", 3)};
    prepareFolder(all, {{3, {note("残す", 10, 10)}}});
    prepareFolder({member("佐藤", 1)}, {});   // member 3 removed; his files stay
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "残す");
    EXPECT_EQ(workstation().MemberId, 3);
}

TEST_F(StartupTest, DeletedLocalSettingsFileIsNamed) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {{3, {note("メモ", 0, 0)}}}, false);
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのローカル環境設定ファイルID00003.FCG\rは削除された可能性があります",
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);
    EXPECT_EQ(host.calls, kRunningCalls);
    EXPECT_EQ(st.NoteTable.size(), 1u);
    // Kept, the environment goes on with the design settings, which the end writes whole.
    LocalConfig whole = defaultLocalConfig();
    whole.MemberName = "鈴木";
    whole.MemberId = 3;
    EXPECT_EQ(memberFileBytes(st, kKindLocal), memberFileBytes([&] {
                  AppState s = fresh();
                  s.localConfig = whole;
                  return s;
              }(), kKindLocal));
    // Local settings never read nor made whole are never written: the file stays as it is (empty).
    AppState unread = fresh();
    unread.SharedPath = shared.str();
    unread.CurrentMemberId = 3;
    EXPECT_TRUE(AccessSharedFile(unread, kModeWrite, kKindLocal));
    EXPECT_EQ(readBytes(shared.file("ID00003.FCG")), "");
}

TEST_F(StartupTest, ClearedMemberListIsAnotherRemovalNotANewFolder) {
    prepareFolder({member("佐藤", 1), member("鈴木", 3)}, {{1, {note("佐藤のメモ", 0, 0)}}, {3, {note("鈴木のメモ", 0, 0)}}});
    std::filesystem::remove(shared.file("GRPINLY.CFG"));   // somebody pressed "ｸﾘｱ(&C)"
    prepareWorkstation(shared.str(), 3);
    prompter.expect(kProduct + " (確認)", "あなたのID: 3は共有設定ファイルから削除されています", Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    prompter.expect("警告", kResetText, Icon::None, Buttons::OkCancel, Answer::Cancel);

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 3) << "member 1's files are not taken over";
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "鈴木のメモ");
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), "") << "the cleared list is not refilled";
}

TEST_F(StartupTest, ForeignSharedFileEndsTheSetup) {
    SharedConfig foreign;
    foreign.VersionMajor = 1;
    foreign.Signature = "OTHER";
    ByteWriter w;
    encode(w, foreign);
    std::ofstream(shared.file("GRPINLY.CFG"), std::ios::binary) << w.data();
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    prompter.expect("エラー", "共有設定ファイルではありません", Icon::Warning, Buttons::Ok, Answer::Ok);

    EXPECT_EQ(runStartup(st, host), StartupResult::Failed);
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), w.data());
    EXPECT_EQ((std::vector<std::string>{"unit", "dialog"}), host.calls);
}

// ---- after a move to another shared folder ----

class FolderChangeTest : public StartupTest {
protected:
    TempDir oldFolder;
    // The environment dialog has saved and closed the old folder and set the new one.
    void movedBy(const std::string& name) {
        st.SettingsReady = true;
        st.pathChgFlag = true;
        st.localConfig = defaultLocalConfig();
        st.localConfig.MemberName = name;
        st.localConfig.MemberId = 7;
        st.CurrentMemberId = 7;
        st.SharedPath = shared.str();
        st.NoteTable.clear();
        WriteWorkstation(st);
    }
};

TEST_F(FolderChangeTest, SameNameTakesOverThatMembersNumberAndNotes) {
    prepareFolder({member("佐藤", 1), member("鈴木", 5)}, {{5, {note("鈴木の付箋", 300, 300)}}});
    std::string before = readBytes(shared.file("GRPINLY.CFG"));
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(host.calls, kRunningCalls) << "no setup dialog";
    EXPECT_EQ(st.CurrentMemberId, 5);
    EXPECT_EQ(st.localConfig.MemberId, 5);
    EXPECT_EQ(st.localConfig.CheckUnit, 2) << "the member's local settings of the new folder";
    ASSERT_EQ(st.NoteTable.size(), 1u);
    EXPECT_EQ(st.NoteTable[0].Text, "鈴木の付箋");
    EXPECT_EQ(workstation().MemberId, 5);
    EXPECT_EQ(readBytes(shared.file("GRPINLY.CFG")), before) << "the member list is not written";
}

TEST_F(FolderChangeTest, UnknownNameGetsTheSmallestFreeNumberWithoutPassword) {
    prepareFolder({member("佐藤", 1), member("田中", 3, "XY")}, {});
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 2);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(members[2].MemberName, "鈴木");
    EXPECT_EQ(members[2].MemberId, 2);
    EXPECT_EQ(members[2].MemberPassword, "");
    EXPECT_TRUE(st.NoteTable.empty());
    EXPECT_EQ(st.localConfig.CheckUnit, 0) << "the settings brought along stay";
}

TEST_F(FolderChangeTest, EmptyFolderMakesMemberOne) {
    movedBy("鈴木");

    ASSERT_EQ(runStartup(st, host), StartupResult::Running);

    EXPECT_EQ(st.CurrentMemberId, 1);
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].MemberName, "鈴木");
    EXPECT_EQ(workstation().MemberName, shared.str());
}

// ---- the join lock ----

TEST_F(StartupTest, MemberListLockHoldsTheLogAgainstOtherOpens) {
    using Result = MemberListLock::Result;
    MemberListLock lock;
    ASSERT_EQ(lock.acquire(st, shared.str()), Result::Held);
    EXPECT_TRUE(lock.held());

    SharedFile log;
    EXPECT_EQ(log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite).number, kErrAccessDenied);

    // A held lock is waited for silently, then the busy question: Retry waits another round, Cancel
    // gives up; the change never goes on without the lock.
    MemberListLock second;
    st.sys.retrySeconds = 0.2;
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Retry);
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    EXPECT_EQ(second.acquire(st, shared.str()), Result::Cancelled);
    EXPECT_FALSE(second.held());

    lock.release();
    EXPECT_TRUE(log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite).ok());
    log.close();

    EXPECT_EQ(lock.acquire(st, shared.file("no-such-folder")), Result::Unreachable);
    EXPECT_EQ(lock.acquire(st, ""), Result::Unreachable);
}

TEST_F(StartupTest, AJoinWhoseLockIsHeldElsewhereAsksAndAddsNobodyOnCancel) {
    prepareFolder({member("佐藤", 1)}, {});
    MemberListLock elsewhere;   // another computer is in the middle of a join
    ASSERT_EQ(elsewhere.acquire(st, shared.str()), MemberListLock::Result::Held);
    st.sys.retrySeconds = 0.2;
    expectWelcome();
    host.answerSetup(shared.str(), "山田");
    prompter.expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect("エラー", "共有設定ファイルにアクセスできません\r" + makeError(kErrAccessDenied).description,
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(runStartup(st, host), StartupResult::Failed);
    elsewhere.release();
    auto members = membersOnDisk();
    ASSERT_EQ(members.size(), 1u) << "nobody joined without the lock";
    EXPECT_EQ(members[0].MemberName, "佐藤");
}

TEST_F(StartupTest, ALongSilentRetryShowsTheWaitCursorUntilItEnds) {
    struct CountingWait : WaitIndicator {
        int begun = 0, ended = 0;
        void beginWait() override { ++begun; }
        void endWait() override { ++ended; }
    } wait;
    st.sys.waitIndicator = wait;
    MemberListLock lock;
    ASSERT_EQ(lock.acquire(st, shared.str()), MemberListLock::Result::Held);
    SharedFile log;
    BusyWait busy;
    st.sys.retrySeconds = 10;
    st.sys.waitIndicatorSeconds = 0.1;
    // Free after 0.25 s: longer than a moment, shorter than the silent window.
    const double start = monotonicSeconds();
    FileError e = retryWhileBusy(st, busy, kBusyQuestion, [&] {
        if (monotonicSeconds() - start > 0.25) lock.release();
        return log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite);
    });
    EXPECT_TRUE(e.ok());
    log.close();
    EXPECT_EQ(wait.begun, 1);
    EXPECT_EQ(wait.ended, 1) << "the cursor goes when the wait ends";

    // A short wait shows nothing.
    ASSERT_EQ(lock.acquire(st, shared.str()), MemberListLock::Result::Held);
    const double again = monotonicSeconds();
    BusyWait shortBusy;
    e = retryWhileBusy(st, shortBusy, kBusyQuestion, [&] {
        if (monotonicSeconds() - again > 0.02) lock.release();
        return log.open(shared.file("GRPINLY.FLG"), ShareMode::ReadDenyWrite);
    });
    EXPECT_TRUE(e.ok());
    EXPECT_EQ(wait.begun, 1);
}

#ifndef _WIN32
// Several computers start their first-time setup on one new folder at the same moment, again and
// again: each gets a number of its own and the member list keeps every one of them.
TEST_F(StartupTest, ComputersJoiningAtOnceGetDistinctNumbers) {
    const int processes = 6, joinsEach = 10;
    std::vector<TempDir> programs(processes);
    std::string go = shared.file("go");
    std::vector<pid_t> pids;
    for (int i = 0; i < processes; ++i) {
        std::string tool = std::string(TW_TOOLS_DIR) + "/join_member";
        std::string name = "member" + std::to_string(i), count = std::to_string(joinsEach);
        std::string prog = programs[static_cast<size_t>(i)].str(), folder = shared.str();
        std::vector<char*> argv = {tool.data(), prog.data(), folder.data(), name.data(), go.data(), count.data(), nullptr};
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        pids.push_back(pid);
    }
    usleep(200 * 1000);   // every process is waiting for the start signal
    std::ofstream(go) << "go";
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    const size_t total = processes * joinsEach;
    auto members = membersOnDisk();
    EXPECT_EQ(members.size(), total) << "entries were lost";
    std::map<int16_t, std::string> byId;
    for (const UserEntry& m : members) byId[m.MemberId] = m.MemberName;
    ASSERT_EQ(byId.size(), members.size()) << "two computers took the same number";
    EXPECT_EQ(byId.begin()->first, 1);
    EXPECT_EQ(byId.rbegin()->first, static_cast<int16_t>(total));
    for (int i = 0; i < processes; ++i) {
        for (int k = 0; k < joinsEach; ++k) {
            UserEntry reg;
            std::string bytes = readBytes(programs[static_cast<size_t>(i)].file(std::to_string(k) + "/REG.CFG"));
            ByteReader rd(bytes);
            ASSERT_TRUE(decode(rd, reg));
            EXPECT_EQ(byId[reg.MemberId], "member" + std::to_string(i) + "-" + std::to_string(k))
                << "computer " << i << "/" << k << " has number " << reg.MemberId;
        }
    }
}
#endif

}  // namespace
