// The doorbell's core: the datagram against hand-made bytes, what a decoder refuses, the members a
// change of the log rings, the rate of the checks bells ask for, and the folder identity (its file,
// a damaged one, members of separate processes making it at the same moment).
#include "messaging/doorbell.h"
#include "messaging/sharedlog.h"
#include "platform/sharedfile.h"
#include "support/temp_dir.h"
#include "support/workgroup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tw {
namespace {

FolderId countingId() {
    FolderId id{};
    for (size_t i = 0; i < id.size(); ++i) id[i] = static_cast<uint8_t>(i);
    return id;
}

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

const std::string kHeader = bytes({'T', 'W', 'B', 'L', 1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});

TEST(Doorbell, DatagramBytes) {
    const std::vector<std::string> d = encodeBells(countingId(), {2, 300});
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0], kHeader + bytes({2, 0, 2, 0, 0x2C, 0x01}));
    EXPECT_TRUE(encodeBells(countingId(), {}).empty());

    // More members than one datagram holds: 256 in the first, the rest in the next.
    std::vector<int16_t> many;
    for (int16_t m = 1; m <= 300; ++m) many.push_back(m);
    const std::vector<std::string> split = encodeBells(countingId(), many);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].size(), kMaxBellBytes);
    EXPECT_EQ(split[1].substr(21, 4), bytes({44, 0, 1, 1}));   // 44 members, the first number 257
    std::vector<int16_t> back;
    for (const std::string& s : split) {
        const std::optional<Bell> b = decodeBell(s);
        ASSERT_TRUE(b);
        EXPECT_EQ(b->folder, countingId());
        back.insert(back.end(), b->members.begin(), b->members.end());
    }
    EXPECT_EQ(back, many);
}

TEST(Doorbell, RefusedDatagrams) {
    const std::string good = kHeader + bytes({1, 0, 7, 0});
    ASSERT_TRUE(decodeBell(good));
    std::string tooMany = kHeader + bytes({1, 1});   // 257 members
    tooMany.append(2 * 257, '\x01');
    const struct {
        const char* what;
        std::string bytes;
    } refused[] = {
        {"nothing", ""},
        {"the header only", kHeader},
        {"another magic", "TWBX" + good.substr(4)},
        {"another version", good.substr(0, 4) + bytes({2}) + good.substr(5)},
        {"no members", kHeader + bytes({0, 0})},
        {"a member short", kHeader + bytes({2, 0, 7, 0})},
        {"a byte after the members", good + bytes({0})},
        {"half a member", kHeader + bytes({1, 0, 7})},
        {"more members than a bell holds", tooMany},
        {"member 0", kHeader + bytes({1, 0, 0, 0})},
        {"a negative member", kHeader + bytes({1, 0, 0xFF, 0xFF})},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(decodeBell(r.bytes)) << r.what;
        EXPECT_FALSE(bellRingsFor(r.bytes, countingId(), 7)) << r.what;
    }
    EXPECT_TRUE(bellRingsFor(good, countingId(), 7));
    EXPECT_FALSE(bellRingsFor(good, countingId(), 8)) << "another member";
    FolderId other = countingId();
    other[15] = 99;
    EXPECT_FALSE(bellRingsFor(good, other, 7)) << "another folder";
}

TEST(Doorbell, MembersOfRecords) {
    auto rec = [](int16_t from, int16_t to) {
        LogRecord r;
        r.SenderId = from;
        r.RecipientId = to;
        return r;
    };
    EXPECT_EQ(bellMembers({rec(1, 3), rec(1, 2), rec(1, 3), rec(2, 1), rec(0, 5), rec(-4, 1)}, 1),
              (std::vector<int16_t>{2, 3, 5}));
    EXPECT_TRUE(bellMembers({rec(1, 1)}, 1).empty());
}

// Each step: a bell or a check at a moment (ms), and what the limiter says.
TEST(Doorbell, OneCheckASecond) {
    enum Op { Ring, Ran };
    const struct {
        Op op;
        int64_t at;
        std::optional<int64_t> wait;   // for a ring: the wait it gives, nothing when one is waiting
    } steps[] = {
        {Ring, 5000, 0},              // the first bell: at once
        {Ring, 5001, std::nullopt},   // its check has not run yet: nothing more
        {Ran, 5002, {}},
        {Ring, 5300, 702},            // within the second: waits for its end
        {Ring, 5400, std::nullopt},
        {Ring, 5900, std::nullopt},
        {Ran, 6002, {}},
        {Ring, 7002, 0},              // a second later: at once again
        {Ran, 7003, {}},
        {Ring, 100, 0},               // the clock went back: no wait of hours
    };
    BellLimiter limiter;
    for (const auto& s : steps) {
        if (s.op == Ran) {
            limiter.ran(s.at);
            EXPECT_FALSE(limiter.waiting());
        } else {
            EXPECT_EQ(limiter.ring(s.at), s.wait) << "bell at " << s.at;
            EXPECT_TRUE(limiter.waiting());
        }
    }
}

TEST(Doorbell, FolderIdentityText) {
    const std::string hex = "000102030405060708090a0b0c0d0e0f";
    EXPECT_EQ(encodeFolderId(countingId()), hex + "\r\n");
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {hex + "\r\n", true},
        {hex, true},
        {"000102030405060708090A0B0C0D0E0F\n", true},
        {hex + " \t\r\n", true},
        {hex.substr(0, 31), false},
        {hex + "0", false},
        {hex + "\r\nx", false},
        {"g" + hex.substr(1), false},
        {"", false},
    };
    for (const auto& c : cases) {
        const std::optional<FolderId> id = decodeFolderId(c.text);
        EXPECT_EQ(id.has_value(), c.valid) << c.text;
        if (id) {
            EXPECT_EQ(*id, countingId()) << c.text;
        }
    }
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Doorbell, FolderIdentityFile) {
    test::TempDir dir;
    const std::string path = joinPath(dir.str(), kFolderIdFile);
    int made = 0;
    auto fresh = [&] {
        ++made;
        FolderId id = countingId();
        id[0] = static_cast<uint8_t>(made);
        return id;
    };
    // Missing: made and written.
    FolderIdRead r = readFolderId(dir.str(), fresh);
    ASSERT_TRUE(r.id);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(fileText(path), "010102030405060708090a0b0c0d0e0f\r\n");
    // There: read, nothing new.
    EXPECT_EQ(readFolderId(dir.str(), fresh).id, r.id);
    EXPECT_EQ(made, 1);
    // Damaged (cut, or something else entirely): a new one in its place.
    for (const std::string& damage : {std::string("0101"), std::string(5000, 'x')}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damage;
        const FolderIdRead again = readFolderId(dir.str(), fresh);
        ASSERT_TRUE(again.id);
        EXPECT_NE(again.id, r.id);
        EXPECT_EQ(fileText(path), encodeFolderId(*again.id));
    }
    // A folder that is not there: no identity, and the error says why.
    const FolderIdRead none = readFolderId(joinPath(dir.str(), "gone"), fresh, 0);
    EXPECT_FALSE(none.id);
    EXPECT_TRUE(none.error);
}

#ifndef _WIN32
// Members starting at the same moment, each a process of its own with a random identity of its own
// at hand: they all end with the one that got into the file first.
TEST(Doorbell, FolderIdentityAgreedBetweenProcesses) {
    for (int round = 0; round < 5; ++round) {
        test::TempDir dir;
        std::vector<std::pair<pid_t, int>> children;
        for (int i = 0; i < 6; ++i) {
            int fds[2];
            ASSERT_EQ(pipe(fds), 0);
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                close(fds[0]);
                const FolderIdRead r = readFolderId(dir.str(), randomFolderId, 10);
                const std::string text = r.id ? encodeFolderId(*r.id) : "none";
                _exit(write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
            }
            close(fds[1]);
            children.emplace_back(pid, fds[0]);
        }
        std::set<std::string> seen;
        for (auto [pid, fd] : children) {
            char buf[64];
            const ssize_t n = read(fd, buf, sizeof buf);
            close(fd);
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            seen.insert(n > 0 ? std::string(buf, static_cast<size_t>(n)) : "");
        }
        ASSERT_EQ(seen.size(), 1u) << "round " << round;
        EXPECT_EQ(*seen.begin(), fileText(joinPath(dir.str(), kFolderIdFile)));
    }
}
#endif

// What each change of the log rings, as the member who made it.
class RecordingBell : public LogBell {
public:
    void logChanged(const std::vector<int16_t>& members) override { rings.push_back(members); }
    std::vector<std::vector<int16_t>> rings;
};

TEST(Doorbell, ChangesOfTheLogRingTheMembersTheyTouch) {
    test::Workgroup g({"佐藤", "鈴木", "田中"});
    RecordingBell bell1, bell2;
    g[1].sys.logBell = bell1;
    g[2].sys.logBell = bell2;
    const auto note = static_cast<int16_t>(test::addNote(g[1], "会議"));

    ASSERT_TRUE(writeSendRecords(g[1], note, {2, 3}, 0));
    ASSERT_TRUE(writeSendRecord(g[1], note, 2, 0));
    EXPECT_EQ(bell1.rings, (std::vector<std::vector<int16_t>>{{2, 3}, {2}}));

    const LogRecords mine = *readUnreceivedLog(g[2]);
    ASSERT_EQ(mine.size(), 2u);
    ASSERT_TRUE(writeReceipt(g[2], 1, note, mine[0].SentAt, 0, 0));
    // A receipt for a send that is gone marks nothing and rings nobody.
    ASSERT_TRUE(writeReceipt(g[2], 1, note, mine[0].SentAt + 1, 0, 0));
    EXPECT_EQ(bell2.rings, (std::vector<std::vector<int16_t>>{{1}}));

    bell1.rings.clear();
    ASSERT_TRUE(deleteReceivedSends(g[1], note));   // the received one goes: nobody's news
    EXPECT_TRUE(bell1.rings.empty());
    ASSERT_TRUE(deleteSendTo(g[1], note, 3));
    ASSERT_TRUE(cancelUnreceivedSends(g[1], note));
    EXPECT_EQ(bell1.rings, (std::vector<std::vector<int16_t>>{{3}, {2}}));
    // Reads ring nobody.
    (void)readMySendRecords(g[1], true);
    EXPECT_EQ(bell1.rings.size(), 2u);
}

}  // namespace
}  // namespace tw
