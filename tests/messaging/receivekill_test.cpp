// Receiving exactly once across a crash, with real processes: a member that runs its network checks
// (tests/tools/check_loop) is killed at random moments of them, and as soon as its receipts show in
// the log, again and again while another member keeps sending. After every kill each receipt in the
// log names a copy that is in the member's note file; at the end every send is in the note file
// exactly once, where the log says. The helper programs and fork() exist on POSIX only.
#ifndef _WIN32

#include "app/groval.h"
#include "messaging/sharedlog.h"
#include "messaging/sending.h"
#include "support/workgroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace tw {
namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file of the shared folder as it is on the disk, read without a lock: files are replaced in one
// step there, so the read finds one whole content or the other.
std::vector<NoteRecord> notesOnDisk(const std::string& path) {
    const std::string bytes = fileBytes(path);
    std::vector<NoteRecord> notes;
    ByteReader rd(bytes);
    while (!rd.atEnd()) {
        if (decode(rd, notes.emplace_back())) continue;
        ADD_FAILURE() << "the note file ends inside a record";
        notes.pop_back();
        break;
    }
    return notes;
}

pid_t startCheckLoop(const std::string& folder, const char* checks, const std::string& outFile) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        const std::string tool = std::string(TW_TOOLS_DIR) + "/check_loop";
        execl(tool.c_str(), tool.c_str(), folder.c_str(), "2", checks, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

class ReceiveKill : public ::testing::Test {
protected:
    test::Workgroup g{{"佐藤", "鈴木"}};
    test::TempDir out;
    std::map<int16_t, std::string> texts;   // member 1's sent notes by NoteId

    void SetUp() override {
        SharedConfig& h = g[1].sharedConfig;
        h.VersionMajor = kVersionMajor;
        h.Signature = kProductName;
        ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindShared));
        test::addNote(g[2], "鈴木のメモ");
        ASSERT_TRUE(AccessSharedFile(g[2], kModeWrite, kKindLocal));
        ASSERT_TRUE(AccessSharedFile(g[2], kModeWrite, kKindNotes));
    }

    // Member 1 makes `count` notes and sends each to member 2 on its own; every fourth is a Yes/No
    // questionnaire, which makes no copy.
    void sendNotes(int round, int count) {
        for (int k = 0; k < count; ++k) {
            const auto id = static_cast<int16_t>(test::addNote(g[1], "送信" + std::to_string(round) + "-" + std::to_string(k)));
            g[1].NoteTable.back().CreatedAt = 46000 + round;
            if (id % 4 != 3) texts[id] = g[1].NoteTable.back().Text;
            ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
            ASSERT_EQ(sendNote(g[1], id, {2}, id % 4 != 3 ? 0 : 1, false), SendResult::Sent);
        }
    }

    std::vector<LogRecord> log() { return logRecordsOf(fileBytes(sharedLogPath(g[1]))); }

    // Every receipt in the log names the copy of its note in the note file, and no note is there twice.
    void expectReceiptsKeptTheirCopies(const std::string& when) {
        const std::vector<NoteRecord> notes = notesOnDisk(joinPath(g.dir.str(), "ID00002.FDT"));
        std::map<std::string, int> copies;
        for (const NoteRecord& n : notes)
            if (n.IsReceived && ++copies[n.Text] > 1) ADD_FAILURE() << when << ": two copies of " << n.Text;
        for (const LogRecord& r : log()) {
            if (r.ReceivedAt == 0 || !texts.count(r.NoteId)) continue;
            const auto at = static_cast<size_t>(r.ReceivedNoteId);
            ASSERT_LT(at, notes.size()) << when << ": the receipt of " << texts[r.NoteId] << " names no note in the file";
            EXPECT_EQ(notes[at].Text, texts[r.NoteId]) << when;
            EXPECT_TRUE(notes[at].IsReceived) << when;
        }
    }
};

TEST_F(ReceiveKill, EverySendOnceInTheNoteFileWheneverTheMemberIsKilled) {
    std::mt19937 rng(20261207);
    const std::string output = out.file("check_loop.txt");
    int copiesAwaitingReceipts = 0;
    for (int round = 0; round < 120; ++round) {
        const double sentAt = 46000.5 + round / 86400.0;
        g.setTime(sentAt);
        sendNotes(round, 1 + static_cast<int>(rng() % 5));
        const pid_t pid = startCheckLoop(g.dir.str(), "0", output);
        if (round % 2 == 0) {
            sleepMilliseconds(static_cast<int>(rng() % 40));
        } else {
            // Killed as soon as a receipt of this round shows in the log.
            const auto shows = [&](const LogRecord& r) { return r.SentAt == sentAt && r.ReceivedAt != 0; };
            for (int waited = 0; waited < 5000; ++waited) {
                const std::vector<LogRecord> now = log();
                if (std::any_of(now.begin(), now.end(), shows)) break;
                sleepMilliseconds(1);
            }
        }
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the member stopped by itself: " << fileBytes(output);
        expectReceiptsKeptTheirCopies("round " + std::to_string(round));
        if (HasFailure()) return;
        const std::vector<NoteRecord> notes = notesOnDisk(joinPath(g.dir.str(), "ID00002.FDT"));
        size_t receipts = 0;
        for (const LogRecord& r : log())
            if (r.ReceivedAt != 0 && texts.count(r.NoteId)) ++receipts;
        const auto copies = std::count_if(notes.begin(), notes.end(), [](const NoteRecord& n) { return n.IsReceived; });
        if (static_cast<size_t>(copies) > receipts) ++copiesAwaitingReceipts;
    }
    // The member runs to the end of a few checks: everything is received, and only once.
    int status = 0;
    waitpid(startCheckLoop(g.dir.str(), "3", output), &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << fileBytes(output);
    expectReceiptsKeptTheirCopies("at the end");
    const std::vector<LogRecord> all = log();
    ASSERT_EQ(all.size(), g[1].NoteTable.size());
    for (const LogRecord& r : all) {
        EXPECT_NE(r.ReceivedAt, 0) << "note " << r.NoteId << " never received";
        if (!texts.count(r.NoteId)) {
            EXPECT_EQ(r.AnswerCode, 3) << "questionnaire " << r.NoteId;   // declined
        }
    }
    const std::vector<NoteRecord> notes = notesOnDisk(joinPath(g.dir.str(), "ID00002.FDT"));
    EXPECT_EQ(notes.size(), texts.size() + 1) << "the member's own note and one copy of each plain note";
    std::printf("%zu sends; %d kills left copies whose receipts came at a later check\n", all.size(),
                copiesAwaitingReceipts);
}

}  // namespace
}  // namespace tw

#endif  // _WIN32
