// Questionnaires without windows: answer items from note texts, answer codes read as the sender sees
// them, the list rows from a log written by hand, the tally text byte for byte and its file.
#include "messaging/answertext.h"
#include "messaging/sharedlog.h"
#include "model/datetime.h"
#include "platform/sharedfile.h"
#include "questionnaire/answeritems.h"
#include "questionnaire/loglist.h"
#include "questionnaire/tally.h"
#include "support/member_state.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tw {
namespace {

using C = ItemClass;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AnswerItems, ParsedAtEveryLimit) {
    struct Case {
        const char* text;
        std::vector<AnswerItem> items;
    } cases[] = {
        {"質問\r\n1. 赤\r\n2. 青\r\n1) 大きい",
         {{C::Text, "質問"}, {C::Choice, "赤"}, {C::Choice, "青"}, {C::Check, "大きい"}}},
        {"9. a\r\n10. b\r\n15. c\r\n16. d\r\n0. e", {{C::Choice, "a"}, {C::Choice, "b"}, {C::Choice, "c"},
                                                     {C::Text, "16. d"}, {C::Text, "0. e"}}},
        {"4) a\r\n5) b\r\n0) c", {{C::Check, "a"}, {C::Text, "5) b"}, {C::Text, "0) c"}}},
        // The space is part of the prefix; a prefix alone is an item without text.
        {"1.a\r\n1)a\r\n1. \r\n1) \r\n10.a", {{C::Text, "1.a"}, {C::Text, "1)a"}, {C::Choice, ""}, {C::Check, ""},
                                              {C::Text, "10.a"}}},
        {"１. 全角", {{C::Text, "１. 全角"}}},
        {"", {}},
        {"\r\n\r\n", {}},
        {"一行だけ", {{C::Text, "一行だけ"}}},
        // Whatever follows a carriage return is taken for its line feed.
        {"a\rxb\r\n", {{C::Text, "a"}, {C::Text, "b"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseAnswerItems(c.text), c.items) << c.text;

    // A sheet shows 25 rows, of them 15 choices and 4 boxes.
    std::string many;
    for (int i = 1; i <= 16; ++i) many += std::to_string(i <= 15 ? i : 1) + ". c\r\n";
    for (int i = 0; i < 5; ++i) many += "1) b\r\n";
    many += "5. 26行目\r\n";
    const auto items = parseAnswerItems(many);
    ASSERT_EQ(items.size(), 22u);
    const SheetShape s = sheetShape(items);
    EXPECT_EQ(s.choices, 15);
    EXPECT_EQ(s.checks, 4);
    std::string late(25 * 3, ' ');
    for (int i = 0; i < 25; ++i) late.replace(static_cast<size_t>(i) * 3, 3, "x\r\n");
    EXPECT_EQ(sheetShape(parseAnswerItems(late + "1. 二十六\r\n1) 二十七")).choices, 0);
}

TEST(AnswerCodes, BothWays) {
    EXPECT_EQ(sheetAnswerCode(2, 0b101), 4 * 2 + 64 * 5);
    EXPECT_EQ(sheetAnswerCode(15, 0xF), 60 + 960);
    EXPECT_EQ(sheetAnswerCode(0, 0), 0);
    EXPECT_EQ(sheetAnswerCode(16, 0), 0);

    const SheetShape shape{2, 3};
    struct Case {
        int16_t kind, code;
        bool received, withShape;
        AnswerClass cls;
        const char* text;
    } cases[] = {
        {1, 1, true, true, AnswerClass::Yes, "y"},
        {1, 2, true, true, AnswerClass::No, "n"},
        {1, 3, true, true, AnswerClass::Cancel, "c"},
        {1, 0, true, true, AnswerClass::Unanswered, ""},
        {1, 4, true, true, AnswerClass::Unknown, "不明 "},
        {2, 72, true, true, AnswerClass::Sheet, "Pic:2 1:On "},
        {2, 64 * 5, true, true, AnswerClass::Sheet, "1) Check 3:On "},
        {2, 4 * 3, true, true, AnswerClass::Unknown, "不明 "},        // a third choice the sheet has not
        {2, 64 * 8, true, true, AnswerClass::Unknown, "不明 "},       // a fourth box likewise
        {2, 4 * 3, true, false, AnswerClass::Sheet, "Pic:3 "},        // no sheet known: fields only
        {2, 1024 + 4, true, false, AnswerClass::Unknown, "不明 "},    // a bit outside the fields
        {2, -32768 + 4, true, false, AnswerClass::Unknown, "不明 "},
        {2, 1, true, true, AnswerClass::Unknown, "不明 "},            // a Yes to an answer sheet
        {0, 4, true, true, AnswerClass::Unknown, "不明 "},            // an answer to a plain note
        {2, 72, false, true, AnswerClass::Unanswered, ""},          // not received: no answer yet
    };
    for (const Case& c : cases) {
        LogRecord r;
        r.QuestionKind = c.kind;
        r.AnswerCode = c.code;
        r.ReceivedAt = c.received ? 45000.5 : 0;
        const RecordAnswer a = recordAnswer(r, c.withShape ? &shape : nullptr);
        EXPECT_EQ(a.cls, c.cls) << c.kind << "/" << c.code;
        EXPECT_EQ(a.text, c.text) << c.kind << "/" << c.code;
    }
}

// ---- a log written by hand ----

void put16(std::string& b, int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void putDate(std::string& b, double d) {
    char raw[8];
    std::memcpy(raw, &d, 8);
    b.append(raw, 8);
}
void putText(std::string& b, const std::string& cp932) {
    put16(b, static_cast<int>(cp932.size()));
    b += cp932;
}
std::string logRecordBytes(double sentAt, const std::string& sender, int senderId, int noteId, double receivedAt,
                           const std::string& recipient, int recipientId, int copyId, int kind, int answer) {
    std::string b;
    putDate(b, sentAt);
    putText(b, sender);
    put16(b, senderId);
    put16(b, noteId);
    putDate(b, receivedAt);
    putText(b, recipient);
    put16(b, recipientId);
    put16(b, copyId);
    put16(b, kind);
    put16(b, answer);
    return b;
}

const std::string kSato = "\x8d\xb2\x93\xa1", kSuzuki = "\x97\xe9\x96\xd8", kTakahashi = "\x8d\x82\x8b\xb4";

TEST(LogList, RowsFromALogWrittenByHand) {
    test::TestServices sv;
    AppState st{sv.services()};
    test::TempDir dir;
    test::setUpNoteMember(st, dir.str());
    st.CurrentMemberId = 1;
    const double sent = makeDateTime(2024, 5, 10, 9, 0, 0), got = makeDateTime(2024, 5, 10, 9, 30, 5);
    std::ofstream(sharedLogPath(st), std::ios::binary)
        << logRecordBytes(sent, kSato, 1, 3, got, kSuzuki, 2, 7, 1, 1)
        << logRecordBytes(sent, kSato, 1, 3, 0, kTakahashi, 3, 0, 1, 0)
        << logRecordBytes(sent, kSuzuki, 2, 3, got, kSato, 1, 4, 2, 72)   // another member's note 3
        << logRecordBytes(sent, kSato, 1, 3, got, "Ito", 4, 0, 1, 3);

    const std::optional<LogRecords> note3 = readSendRecords(st, 3);
    ASSERT_TRUE(note3);
    LogView v = buildLogView(*note3, 0, nullptr);
    ASSERT_EQ(v.rows.size(), 3u);
    using Cells = std::array<std::string, kLogColumnCount>;
    EXPECT_EQ(v.rows[0].cells, (Cells{"佐藤", "3", "2024/05/10 9:00:00", "鈴木", "7", "2024/05/10 9:30:05", "y", "1", "2"}));
    EXPECT_EQ(v.rows[1].cells, (Cells{"佐藤", "3", "2024/05/10 9:00:00", "高橋", "0", "", "", "1", "3"}));
    EXPECT_EQ(v.rows[2].cells[kColAnswer], "c");
    EXPECT_TRUE(v.showYesNo);
    EXPECT_EQ(v.yesNoText, "はい:1 いいえ:0 ｷｬﾝｾﾙ:1\r未回答:1");
    EXPECT_FALSE(v.showTallyButton);

    // The whole log: every member's records, no counts shown.
    const std::optional<LogRecords> whole = readWholeLog(st);
    ASSERT_TRUE(whole);
    v = buildLogView(*whole, 1, nullptr);
    ASSERT_EQ(v.rows.size(), 4u);
    EXPECT_EQ(v.rows[2].cells[kColAnswer], "Pic:2 1:On ");
    EXPECT_EQ(v.rows[2].senderId, 2);
    EXPECT_FALSE(v.showYesNo);
    EXPECT_FALSE(v.showTallyButton);
}

// ---- the tally ----

const char* const kTrip = "旅行先アンケート\r\n1. 京都\r\n2. 沖縄\r\n3. 北海道\r\n希望\r\n1) 温泉\r\n2) 観光";

// Six recipients of the trip questionnaire as the sender's status list has them: two picked Okinawa
// (one of them also the hot springs), one ticked both boxes without a choice, one has not received
// it, one closed the sheet without answering, and one sent a code for a fourth choice the sheet never had.
std::vector<LogRecord> tripRecords() {
    const std::pair<const char*, int16_t> answers[] = {
        {"鈴木", 72}, {"高橋", 8}, {"田中", 64 + 128}, {"伊藤", 0}, {"渡辺", 0}, {"小林", 4 * 4}};
    std::vector<LogRecord> out;
    for (const auto& [name, code] : answers) {
        LogRecord r;
        r.SenderName = "佐藤";
        r.SenderId = 1;
        r.RecipientName = name;
        r.QuestionKind = 2;
        r.AnswerCode = code;
        r.ReceivedAt = std::string(name) == "伊藤" ? 0 : 45000.5;
        out.push_back(r);
    }
    return out;
}

const std::string kTripBody =
    "\r\n【旅行先アンケート】\r\n"
    "京都 (0％) 0人\r\n\r\n"
    "沖縄 (100％) 2人\r\n 鈴木 高橋\r\n"
    "北海道 (0％) 0人\r\n\r\n"
    "\r\n【希望】\r\n"
    "温泉 (66.6666666666667％) 2人\r\n 鈴木 田中\r\n"
    "観光 (33.3333333333333％) 1人\r\n 田中\r\n";

TEST(Tally, TextByteForByteFromTheList) {
    const auto items = parseAnswerItems(kTrip);
    const SheetShape shape = sheetShape(items);
    const LogView v = buildLogView(tripRecords(), 0, &shape);
    EXPECT_EQ(v.answerString, "鈴木 Pic:2 1:On  高橋 Pic:2  田中 1) Check 2:On  小林 不明 ");
    EXPECT_TRUE(v.showTallyButton);
    const Tally t = buildTally({items, v.answerString, static_cast<int>(v.rows.size()), false,
                                makeDateTime(2024, 5, 10, 9, 5, 0)});
    EXPECT_EQ(t.text, "送信: 6人　受信: 4人　回答率: 66.6666666666667％　 2024/05/10 9:05:00現在\r\n" + kTripBody);
}

TEST(Tally, FromThePartnerTextCountsAnswersAsSent) {
    // The partner text as the status check writes it; the fourth choice that was never on the sheet
    // counts for nothing, the recipient without answer (a name alone) as received.
    std::string partner;
    for (const LogRecord& r : tripRecords())
        if (r.ReceivedAt != 0) partner = appendPartner(partner, r.RecipientName, r.AnswerCode);
    const Tally t = buildTally({parseAnswerItems(kTrip), partner, 0, true, makeDateTime(2024, 5, 10, 0, 0, 0)});
    EXPECT_EQ(t.text, "送信: 5人　受信: 5人　回答率: 100％　 2024/05/10現在\r\n" + kTripBody);
}

TEST(Tally, EdgesOfTheAnswerString) {
    const auto items = parseAnswerItems(kTrip);
    EXPECT_EQ(buildTally({items, "", 3, false, 0}).text, "");       // nobody answered
    EXPECT_EQ(buildTally({items, "鈴木 Pic:1 ", 0, false, 0}).text, "");   // nobody was sent it
    // A name that looks like an answer counts for nothing; a repeated choice once.
    Tally t = buildTally({items, "Pic:1 Pic:3 Pic:2 1:On 1:On ", 1, false, 0});
    EXPECT_EQ(t.choiceCount, (std::array<int, kMaxChoices>{0, 0, 1}));
    EXPECT_EQ(t.checkCount, (std::array<int, kMaxChecks>{1}));
    EXPECT_EQ(t.choiceNames[2], " Pic:1");
    // Every tenth name ends a line.
    std::string many;
    for (int i = 1; i <= 11; ++i) many += (i > 1 ? " " : "") + ("m" + std::to_string(i)) + " Pic:1 ";
    t = buildTally({items, many, 11, false, 0});
    EXPECT_EQ(t.choiceNames[0], " m1 m2 m3 m4 m5 m6 m7 m8 m9 m10\r\n m11");
    EXPECT_EQ(tallyNumber(200.0 / 3), "66.6666666666667");
    EXPECT_EQ(tallyNumber(12.5), "12.5");
}

TEST(Tally, FileIsCp932WithCrLfAndReplacesTheOld) {
    test::TempDir dir;
    const std::string path = dir.file("ANSER.TXT");
    std::ofstream(path, std::ios::binary) << std::string(100, 'o');
    ASSERT_TRUE(writeTallyFile(path, "高橋 (0％)\r\n京都").ok());
    EXPECT_EQ(slurp(path), "\x8d\x82\x8b\xb4 (0\x81\x93)\r\n\x8b\x9e\x93\x73");
    const FileError e = writeTallyFile(dir.file("no-such-folder/ANSER.TXT"), "x");
    EXPECT_EQ(e.number, kErrPathNotFound);
}

#ifdef __linux__
// On a full disk the old file stays as it was (the new content never replaces it half written), and
// a file that was not there is not left behind empty.
TEST(Tally, AFullDiskLeavesTheOldFile) {
    test::TempDir dir;
    const std::string full = dir.file("full");
    ASSERT_EQ(::mkdir(full.c_str(), 0700), 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report;
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) {
            report = "skip";
        } else {
            std::ofstream(full + "/ANSER.TXT", std::ios::binary) << "old tally";
            std::ofstream(full + "/filler", std::ios::binary) << std::string(60 * 1024, 'f');
            const std::string big(20000, 'n');
            const FileError e = writeTallyFile(full + "/ANSER.TXT", big);
            const FileError e2 = writeTallyFile(full + "/NEW.TXT", big);
            report = std::to_string(e.number) + "|" + slurp(full + "/ANSER.TXT") + "|" + std::to_string(e2.number) +
                     "|" + (fileExists(full + "/NEW.TXT") ? "left" : "none");
        }
        (void)!::write(pipeFds[1], report.data(), report.size());
        _exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buf[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    waitpid(pid, nullptr, 0);
    if (report == "skip") GTEST_SKIP() << "no small file system of its own here (needs root)";
    EXPECT_EQ(report, "112|old tally|112|none");
}
#endif

}  // namespace
}  // namespace tw
