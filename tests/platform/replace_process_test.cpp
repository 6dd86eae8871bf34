// Shared files between real processes, on Linux and in the Windows build under Wine: the tool
// shared_writer (tests/tools) plays the other members. Another member's lock holds through its
// replace, members changing one file at once never lose a change, and a writer killed at random
// moments of its replaces always leaves the old or the new content.
#include "platform/sharedfile.h"

#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "tools/content_versions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace tw;
using tw::test::ChildProcess;
using tw::test::TempDir;
namespace fs = std::filesystem;

namespace {

const ShareMode kModes[] = {ShareMode::ReadDenyWrite, ShareMode::WriteExclusive, ShareMode::ReadWriteExclusive};

fs::path u8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string slurp(const std::string& path) {
    std::ifstream in(u8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void plant(const std::string& path, const std::string& bytes) {
    std::ofstream out(u8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> everything(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        auto name = e.path().filename().u8string();
        std::string n(name.begin(), name.end());
        if (!tw::test::isLockFolderName(n)) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What members see: the content through an open of the program's own.
std::string seenThrough(const std::string& path, ShareMode mode) {
    SharedFile f;
    FileError e = f.open(path, mode);
    EXPECT_TRUE(e.ok()) << e.number << " " << e.description;
    std::string bytes;
    e = f.readAll(bytes);
    EXPECT_TRUE(e.ok()) << e.number << " " << e.description;
    return bytes;
}

}  // namespace

TEST(SharedFileBetweenProcesses, AnotherMemberKeepsItsLockThroughItsReplace) {
    TempDir dir;
    const std::string path = dir.file("GRPINLY.FLG");
    plant(path, "old");
    ChildProcess writer(test::toolPath("shared_writer"), {"hold", path, "new content"});
    ASSERT_TRUE(writer.started()) << test::toolPath("shared_writer");
    ASSERT_EQ(writer.nextLine(), "open");
    SharedFile mine;
    for (ShareMode m : kModes) EXPECT_EQ(mine.open(path, m).number, kErrAccessDenied);

    writer.sendLine("replace");
    ASSERT_EQ(writer.nextLine(), "replaced");
    // The new content is in place and the other member still holds it against everybody.
    for (ShareMode m : kModes) EXPECT_EQ(mine.open(path, m).number, kErrAccessDenied);

    writer.sendLine("close");
    ASSERT_EQ(writer.nextLine(), "closed");
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_EQ(seenThrough(path, ShareMode::ReadDenyWrite), "new content");
    EXPECT_EQ(everything(dir), std::vector<std::string>{"GRPINLY.FLG"}) << "nothing of the replace is left";
}

// Three members add one to a number in the same file, each a few hundred times, all at once; each
// change reads the number and writes it back plus one under one exclusive open. A replace that let
// go of the file between that read and its write would let another member's change in between, and
// one of the two would be lost; the total tells.
TEST(SharedFileBetweenProcesses, MembersChangingOneFileAtOnceLoseNoChange) {
    constexpr int kMembers = 3;
    constexpr int kChangesEach = 150;
    TempDir dir;
    const std::string path = dir.file("GRPINLY.FLG");
    plant(path, "0");
    std::vector<std::unique_ptr<ChildProcess>> members;
    for (int i = 0; i < kMembers; ++i) {
        members.push_back(std::make_unique<ChildProcess>(
            test::toolPath("shared_writer"), std::vector<std::string>{"count", path, std::to_string(kChangesEach)}));
        ASSERT_TRUE(members.back()->started()) << test::toolPath("shared_writer");
    }
    for (auto& m : members) m->sendLine("go");
    for (auto& m : members) {
        EXPECT_EQ(m->nextLine(), "done");
        EXPECT_EQ(m->wait(), 0);
    }
    EXPECT_EQ(seenThrough(path, ShareMode::ReadDenyWrite), std::to_string(kMembers * kChangesEach));
    EXPECT_EQ(everything(dir), std::vector<std::string>{"GRPINLY.FLG"});
}

// A writer replaces the content again and again (versions 1, 2, 3 ... of 2 MB and 1.5 MB) and
// reports each finished replace; it is killed at a random moment. An open of the file afterwards,
// by a reader or a writer, must then see exactly the last reported version or the one being
// written, and the killed writer's lock must be gone.
TEST(SharedFileBetweenProcesses, WriterKilledAtRandomMomentsLeavesTheOldOrTheNewContent) {
    TempDir dir;
    const std::string path = dir.file("GRPINLY.FLG");
    const std::string undoCopy = path + ".~undo";
    plant(path, test::contentVersion(0));
    long current = 0;
    int newVersionFound = 0, halfWritten = 0, undoCopies = 0, leftovers = 0;
    std::mt19937 rng(std::random_device{}());

    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ChildProcess writer(test::toolPath("shared_writer"), {"versions", path, std::to_string(current + 1)});
        ASSERT_TRUE(writer.started()) << test::toolPath("shared_writer");
        // Let it finish one or two replaces, then kill it somewhere in the next 15 ms: about the time
        // one replace of these sizes takes, open to close.
        long reported = 0;
        const int waitFor = 1 + static_cast<int>(rng() % 2);
        for (; reported < waitFor; ++reported) ASSERT_EQ(writer.nextLine(), "+");
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 15000));
        writer.kill();
        ASSERT_EQ(writer.wait(), ChildProcess::kKilledExitCode) << "the writer stopped by itself";
        while (writer.nextLine() == "+") ++reported;

        // What the kill left on the disk, before any open of ours mends it.
        if (fileExists(undoCopy)) {
            ++undoCopies;
            if (test::whichContentVersion(slurp(path)) < 0) ++halfWritten;
        }
        const ShareMode mode = round % 2 == 0 ? ShareMode::ReadDenyWrite : ShareMode::ReadWriteExclusive;
        const long k = test::whichContentVersion(seenThrough(path, mode));
        ASSERT_TRUE(k == current + reported || k == current + reported + 1)
            << "found version " << k << ", expected " << current + reported << " or " << current + reported + 1;
        if (k == current + reported + 1) ++newVersionFound;
        current = k;
        EXPECT_FALSE(fileExists(undoCopy)) << "the open took the undo copy back";
        // The killed writer's lock went with it, and the file is whole on the disk too.
        SharedFile next;
        ASSERT_TRUE(next.open(path, ShareMode::ReadWriteExclusive).ok());
        next.close();
        EXPECT_EQ(test::whichContentVersion(slurp(path)), k);

        // A kill while a temporary file was written leaves it; clear it for the next round.
        for (const std::string& name : everything(dir)) {
            if (name != "GRPINLY.FLG") {
                ++leftovers;
                fs::remove(dir.path() / u8(name));
            }
        }
    }
    // The kills must have hit the replaces themselves, not only the moments between two of them.
    EXPECT_GT(leftovers + newVersionFound + undoCopies, 0);
    std::cout << "[          ] " << leftovers << " kills while a temporary file was written, " << undoCopies
              << " in the middle of an in-place replace (" << halfWritten << " of them with the file half written), "
              << newVersionFound << " after the new content was complete; now at version " << current << "\n";
}
