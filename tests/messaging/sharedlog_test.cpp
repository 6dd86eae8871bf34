// The shared log routine in one process: every kind against log files built byte by byte here, the
// exact messages, empty, missing and damaged logs. Locking between processes is in logprocess_test.
#include "messaging/logcodec.h"
#include "messaging/sharedlog.h"
#include "app/damagedcopy.h"
#include "platform/sharedfile.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <fstream>
#include <iterator>

namespace tw {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::TestClock;

constexpr double kT0 = 36724.375;   // 2000/07/17 9:00:00
constexpr double kT1 = 36724.5;     // 2000/07/17 12:00:00
const std::string kTanaka = "\x93\x63\x92\x86";   // 田中 in CP932
const std::string kSuzuki = "\x97\xe9\x96\xd8";   // 鈴木 in CP932

// Little-endian pieces written independently of the program's own codec.
std::string le16(int v) {
    auto u = static_cast<uint16_t>(v);
    return std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}
std::string le64(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    std::string s;
    for (int i = 0; i < 8; ++i) s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
    return s;
}
std::string str(const std::string& cp932) { return le16(static_cast<int>(cp932.size())) + cp932; }

struct Rec {
    double sentAt = kT0;
    std::string sender = kTanaka;
    int senderId = 1;
    int noteId = 0;
    double receivedAt = 0;
    std::string recipient = kSuzuki;
    int recipientId = 2;
    int receivedNoteId = 0;
    int questionKind = 0;
    int answerCode = 0;
};
std::string bytesOf(const Rec& r) {
    return le64(r.sentAt) + str(r.sender) + le16(r.senderId) + le16(r.noteId) + le64(r.receivedAt) + str(r.recipient) +
           le16(r.recipientId) + le16(r.receivedNoteId) + le16(r.questionKind) + le16(r.answerCode);
}

UserEntry member(const std::string& name, int16_t id) {
    UserEntry u;
    u.MemberName = name;
    u.MemberId = id;
    return u;
}

const std::string kCheckTitle = "確認";
const std::string kErrorTitle = "エラー";

std::string failureText(int number, const std::string& caption, const std::string& description) {
    return "共有ログファイルにアクセスできません(ERR:" + std::to_string(number) + ")\r" + caption + "に失敗しました\r" +
           description;
}

class SharedLogTest : public ::testing::Test {
protected:
    void SetUp() override { setUpMember(st, 1, "田中"); }

    // Members 1 田中, 2 鈴木, 3 ab share the folder; `s` plays member `id`.
    AppState playing(int16_t id, const std::string& name) {
        AppState s(Services{prompter, clock, screen, store});
        setUpMember(s, id, name);
        return s;
    }
    void setUpMember(AppState& s, int16_t id, const std::string& name) {
        s.SharedPath = dir.str();
        s.CurrentMemberId = id;
        s.localConfig.MemberName = name;
        s.members = {member("田中", 1), member("鈴木", 2), member("ab", 3)};
        s.sys.retrySeconds = 0.2;
        s.sys.retryPauseMs = 1;
    }

    std::string logPath() const { return joinPath(dir.str(), "GRPINLY.FLG"); }
    std::string readLog() const {
        std::ifstream in(logPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void writeLog(const std::string& bytes) const {
        std::ofstream out(logPath(), std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    TempDir dir;
    ScriptedPrompter prompter;
    TestClock clock{kT0};
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
};

// ---- the record layout ----

TEST_F(SharedLogTest, SendWriteOnMissingLogCreatesTheRecordByteForByte) {
    const SendWrite w = writeSendRecord(st, 7, 2, 2);
    ASSERT_TRUE(w);

    // Hand-computed: 36724.375 = 0x40E1EE8C00000000; 田中 = 93 63 92 86; 鈴木 = 97 E9 96 D8.
    const unsigned char want[] = {
        0x00, 0x00, 0x00, 0x00, 0x8C, 0xEE, 0xE1, 0x40,  // 0 SentAt
        0x04, 0x00, 0x93, 0x63, 0x92, 0x86,              // 8 SenderName (a = 4)
        0x01, 0x00,                                      // 14 = 10+a SenderId 1
        0x07, 0x00,                                      // 16 = 12+a NoteId 7
        0, 0, 0, 0, 0, 0, 0, 0,                          // 18 = 14+a ReceivedAt: not received
        0x04, 0x00, 0x97, 0xE9, 0x96, 0xD8,              // 26 = 22+a RecipientName (b = 4)
        0x02, 0x00,                                      // 32 = 24+a+b RecipientId 2
        0x00, 0x00,                                      // 34 ReceivedNoteId
        0x02, 0x00,                                      // 36 QuestionKind: the write's question kind
        0x00, 0x00,                                      // 38 AnswerCode
    };
    EXPECT_EQ(readLog(), std::string(reinterpret_cast<const char*>(want), sizeof want));
    EXPECT_EQ(w.content, readLog()) << "the change hands back the log as it left it";
    const LogRecords now = logRecordsOf(w.content);
    ASSERT_EQ(now.size(), 1u);
    for (const LogRecord& r : {now[0], w.record}) {
        EXPECT_EQ(r.SenderName, "田中");
        EXPECT_EQ(r.RecipientName, "鈴木");
        EXPECT_EQ(r.SentAt, kT0);
        EXPECT_EQ(r.NoteId, 7);
        EXPECT_EQ(r.RecipientId, 2);
        EXPECT_EQ(r.QuestionKind, 2);
    }
}

TEST_F(SharedLogTest, CodecRoundTripsAndRejectsEveryTruncation) {
    LogRecord r;
    r.SentAt = kT0;
    r.SenderName = "田中";
    r.SenderId = -3;
    r.NoteId = 32767;
    r.ReceivedAt = kT1;
    r.RecipientName = "";
    r.RecipientId = 2;
    r.ReceivedNoteId = 5;
    r.QuestionKind = 1;
    r.AnswerCode = 3;
    ByteWriter w;
    encode(w, r);
    const std::string want = bytesOf({kT0, kTanaka, -3, 32767, kT1, "", 2, 5, 1, 3});
    ASSERT_EQ(w.data(), want);

    ByteReader rd(want);
    LogRecord back;
    ASSERT_TRUE(decode(rd, back));
    EXPECT_TRUE(rd.atEnd());
    EXPECT_EQ(back.SenderName, "田中");
    EXPECT_EQ(back.RecipientName, "");
    EXPECT_EQ(back.SenderId, -3);
    EXPECT_EQ(back.ReceivedAt, kT1);
    EXPECT_EQ(back.AnswerCode, 3);

    std::vector<LogEntryRef> entries;
    ASSERT_TRUE(scanLogRecords(want + want, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].offset, want.size());
    EXPECT_EQ(entries[1].receivedAtAt(), want.size() + 14 + 4);
    EXPECT_EQ(entries[1].answerCodeAt(), want.size() + 30 + 4);
    for (size_t cut = 1; cut < want.size(); ++cut) {
        std::string part = want + want.substr(0, cut);
        entries.clear();
        EXPECT_FALSE(scanLogRecords(part, entries)) << "cut at " << cut;
        EXPECT_EQ(entries.size(), 1u);
        const std::string head = want.substr(0, cut);
        ByteReader r2(head);
        LogRecord x;
        EXPECT_FALSE(decode(r2, x)) << "cut at " << cut;
    }
}

// ---- reads ----

class SharedLogWithRecords : public SharedLogTest {
protected:
    void SetUp() override {
        SharedLogTest::SetUp();
        // 1 → 2 note 4 pending, 1 → 3 note 4 received, 2 → 1 note 9 pending, 3 → 1 note 9 received,
        // 1 → 2 note 5 pending, 2 → 1 note 8 pending.
        recs = {
            {kT0, kTanaka, 1, 4, 0, kSuzuki, 2},
            {kT0, kTanaka, 1, 4, kT1, "ab", 3, 11, 0, 0},
            {kT0, kSuzuki, 2, 9, 0, kTanaka, 1, 0, 1, 0},
            {kT0, "ab", 3, 9, kT1, kTanaka, 1, 2, 0, 0},
            {kT1, kTanaka, 1, 5, 0, kSuzuki, 2},
            {kT1, kSuzuki, 2, 8, 0, kTanaka, 1},
        };
        writeLog(all());
    }
    std::string all(const std::vector<size_t>& skip = {}) const {
        std::string s;
        for (size_t i = 0; i < recs.size(); ++i)
            if (std::find(skip.begin(), skip.end(), i) == skip.end()) s += bytesOf(recs[i]);
        return s;
    }
    std::vector<Rec> recs;
};

std::vector<std::pair<int, int>> senderNote(const std::vector<LogRecord>& sel) {
    std::vector<std::pair<int, int>> v;
    for (const auto& r : sel) v.emplace_back(r.SenderId, r.NoteId);
    return v;
}

TEST_F(SharedLogWithRecords, ReadKindsSelectTheirRecordsInFileOrder) {
    const std::optional<LogRecords> unreceived = readUnreceivedLog(st);
    ASSERT_TRUE(unreceived);
    EXPECT_EQ(senderNote(*unreceived), (std::vector<std::pair<int, int>>{{2, 9}, {2, 8}}));
    EXPECT_EQ((*unreceived)[0].SenderName, "鈴木");
    EXPECT_EQ((*unreceived)[0].RecipientName, "田中");
    EXPECT_EQ((*unreceived)[0].QuestionKind, 1);

    const std::optional<LogRecords> note4 = readSendRecords(st, 4);
    ASSERT_TRUE(note4);
    ASSERT_EQ(note4->size(), 2u);
    EXPECT_EQ((*note4)[0].RecipientId, 2);
    EXPECT_EQ((*note4)[1].RecipientId, 3);
    EXPECT_EQ((*note4)[1].RecipientName, "ab");
    EXPECT_EQ((*note4)[1].ReceivedAt, kT1);
    EXPECT_EQ((*note4)[1].ReceivedNoteId, 11);

    // Member 1 has no note 9 of its own, even though 9 appears as another sender's note.
    const std::optional<LogRecords> note9 = readSendRecords(st, 9);
    ASSERT_TRUE(note9);
    EXPECT_TRUE(note9->empty());

    const std::optional<LogRecords> whole = readWholeLog(st);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), recs.size());
    EXPECT_EQ(readLog(), all()) << "a read changes nothing";

    AppState other = playing(3, "ab");
    const std::optional<LogRecords> others = readUnreceivedLog(other);
    ASSERT_TRUE(others);
    EXPECT_TRUE(others->empty()) << "member 3's only record is received";
}

TEST_F(SharedLogWithRecords, ProgramReadsSelectMySendsAndWhatCameForMe) {
    // Member 1 sent records 0, 1 and 4; 2 and 5 wait for it; 3 came to it and is received.
    struct Case {
        const char* what;
        std::function<std::optional<LogRecords>()> read;
        std::vector<std::pair<int, int>> want;
    };
    const std::vector<Case> cases = {
        {"my sends", [&] { return readMySendRecords(st, false); }, {{1, 4}, {1, 4}, {1, 5}}},
        {"one check", [&] { return readCheckRecords(st); }, {{1, 4}, {1, 4}, {2, 9}, {1, 5}, {2, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<LogRecords> got = c.read();
        ASSERT_TRUE(got);
        EXPECT_EQ(senderNote(*got), c.want);
    }
    // Member 2 sent records 2 and 5 and waits for 0 and 4.
    AppState other = playing(2, "鈴木");
    const std::optional<LogRecords> check = readCheckRecords(other);
    ASSERT_TRUE(check);
    EXPECT_EQ(senderNote(*check), (std::vector<std::pair<int, int>>{{1, 4}, {2, 9}, {1, 5}, {2, 8}}));
    EXPECT_EQ(readLog(), all()) << "a read changes nothing";
}

TEST_F(SharedLogTest, EmptyAndMissingLogs) {
    for (bool exists : {false, true}) {
        SCOPED_TRACE(exists ? "empty file" : "missing file");
        if (exists) writeLog("");
        else removeFile(logPath());
        EXPECT_FALSE(readUnreceivedLog(st)) << "kind 0 fails without a box";
        EXPECT_FALSE(readCheckRecords(st)) << "the network check's read fails without a box";
        EXPECT_FALSE(readSendRecords(st, 4, true)) << "a quiet status check fails without a box";
        EXPECT_FALSE(readMySendRecords(st, true)) << "a quiet status check fails without a box";
        prompter.expect(kCheckTitle, "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
        EXPECT_FALSE(readSendRecords(st, 4));
        prompter.expect(kCheckTitle, "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
        EXPECT_FALSE(readMySendRecords(st, false));
        prompter.expect(kCheckTitle, "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
        EXPECT_FALSE(readWholeLog(st));
        // Changes that find nothing to change succeed, name nothing and leave an empty log.
        const ReceiptWrite receipt = writeReceipt(st, 2, 4, kT0, 4, 0);
        EXPECT_TRUE(receipt);
        EXPECT_FALSE(receipt.marked);
        EXPECT_TRUE(receipt.content.empty());
        const std::vector<std::pair<const char*, std::function<RecordsChange()>>> changes = {
            {"receipts", [&] { return writeReceipts(st, {{2, 4, kT0, 4, 1}}); }},
            {"delete received", [&] { return deleteReceivedSends(st, 4); }},
            {"delete all", [&] { return deleteAllSends(st, 4); }},
            {"delete one", [&] { return deleteSendTo(st, 4, 2); }},
            {"cancel", [&] { return cancelUnreceivedSends(st, 4); }},
        };
        for (const auto& [what, change] : changes) {
            // The cancel is the user's command: an empty log is told, as his status check tells it.
            if (std::string_view(what) == "cancel")
                prompter.expect(kCheckTitle, "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
            const RecordsChange c = change();
            EXPECT_TRUE(c) << what;
            EXPECT_TRUE(c.records.empty()) << what;
            EXPECT_TRUE(c.content.empty()) << what;
        }
        EXPECT_TRUE(fileExists(logPath()));
        EXPECT_EQ(readLog(), "");
        EXPECT_TRUE(prompter.done());
    }
    EXPECT_EQ(logOperationCaption(static_cast<LogKind>(5)), "") << "a value that is no kind has no caption";
}

// ---- send write ----

TEST_F(SharedLogWithRecords, SendWriteAppendsAndKeepsEveryOldByte) {
    // An old record with bytes that are not valid CP932 must come back exactly as it was.
    std::string odd = bytesOf({kT0, std::string("\x81\xFF\x80", 3), 3, 1, 0, kSuzuki, 2});
    writeLog(all() + odd);
    clock.set(kT1 + 0.25);
    const SendWrite w = writeSendRecord(st, 6, 3, 1);
    ASSERT_TRUE(w);
    EXPECT_EQ(readLog(), all() + odd + bytesOf({kT1 + 0.25, kTanaka, 1, 6, 0, "ab", 3, 0, 1, 0}));
    EXPECT_EQ(w.content, readLog()) << "the content handed back is the whole new log";
    const LogRecords now = logRecordsOf(w.content);
    ASSERT_EQ(now.size(), recs.size() + 2);
    EXPECT_EQ(now.back().RecipientName, "ab");
    EXPECT_EQ(w.record.RecipientName, "ab");
    EXPECT_EQ(w.record.QuestionKind, 1);

    // A recipient number that is not in the member list gets an empty name.
    const SendWrite unknown = writeSendRecord(st, 6, 42, 0);
    ASSERT_TRUE(unknown);
    const std::string last = bytesOf({kT1 + 0.25, kTanaka, 1, 6, 0, "", 42});
    const std::string log = readLog();
    ASSERT_GT(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
    EXPECT_EQ(logRecordsOf(unknown.content).back().RecipientName, "");
    EXPECT_EQ(unknown.record.RecipientName, "");
    EXPECT_EQ(unknown.record.QuestionKind, 0);
}

TEST_F(SharedLogTest, TwoSendsInOneClockTickGetDistinctSendTimes) {
    const double sec = 1.0 / 86400;
    const struct {
        int16_t recipient;
        double sentAt;
    } sends[] = {{2, kT0}, {2, kT0 + sec}, {3, kT0} /* another recipient: no clash */, {2, kT0 + sec + sec}};
    SendWrite last;
    for (const auto& s : sends) {
        last = writeSendRecord(st, 3, s.recipient, 0);
        ASSERT_TRUE(last);
        EXPECT_EQ(last.record.SentAt, s.sentAt) << "to " << s.recipient;
    }
    const LogRecords now = logRecordsOf(last.content);
    ASSERT_EQ(now.size(), 4u);
    for (size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i].SentAt, sends[i].sentAt) << "record " << i;
}

// ---- receive write ----

TEST_F(SharedLogWithRecords, ReceiveWritePatchesOnlyTheMatchingRecord) {
    clock.set(kT1 + 1);
    // Member 1 receives member 2's note 9 sent at kT0 as its local note 12, answering 3.
    const ReceiptWrite w = writeReceipt(st, 2, 9, kT0, 12, 3);
    ASSERT_TRUE(w);
    recs[2].receivedAt = kT1 + 1;
    recs[2].receivedNoteId = 12;
    recs[2].answerCode = 3;
    EXPECT_EQ(readLog(), all());
    EXPECT_EQ(w.content, readLog());
    const LogRecords now = logRecordsOf(w.content);
    EXPECT_EQ(now.size(), recs.size());
    EXPECT_EQ(now[2].ReceivedAt, kT1 + 1);
    ASSERT_TRUE(w.marked);
    EXPECT_EQ(w.marked->SenderId, 2);
    EXPECT_EQ(w.marked->NoteId, 9);
    EXPECT_EQ(w.marked->ReceivedAt, kT1 + 1);
    EXPECT_EQ(w.marked->ReceivedNoteId, 12);
    EXPECT_EQ(w.marked->AnswerCode, 3);

    // Wrong send time, wrong sender or a record addressed to someone else: nothing changes, success.
    const struct {
        int16_t sender, note;
        double sentAt;
    } misses[] = {{2, 8, kT0}, {3, 8, kT1}, {1, 4, kT0}};
    for (const auto& m : misses) {
        const ReceiptWrite miss = writeReceipt(st, m.sender, m.note, m.sentAt, 1, 0);
        ASSERT_TRUE(miss) << m.sender << "/" << m.note;
        EXPECT_FALSE(miss.marked) << m.sender << "/" << m.note;
        EXPECT_EQ(miss.content, all());
    }
    EXPECT_EQ(readLog(), all());

    // The answer sheet's second write replaces the answer of a record already received.
    clock.set(kT1 + 2);
    const ReceiptWrite again = writeReceipt(st, 2, 9, kT0, 0, 4 * 2 + 64 * 5);
    ASSERT_TRUE(again);
    recs[2].receivedAt = kT1 + 2;
    recs[2].receivedNoteId = 0;
    recs[2].answerCode = 328;
    EXPECT_EQ(readLog(), all());
    ASSERT_TRUE(again.marked);
    EXPECT_EQ(again.marked->AnswerCode, 328);
}

TEST_F(SharedLogWithRecords, SettledReceiptsMarkOnlyWaitingSendsAsTheSettleDecides) {
    clock.set(kT1 + 1);
    // Waiting: 2 → 1 notes 9 and 8; received already: 3 → 1 note 9; not in the log: 2 → 1 note 7.
    std::vector<Receipt> r = {{2, 9, kT0, 0, 0}, {3, 9, kT0, 0, 0}, {2, 7, kT0, 0, 0}, {2, 8, kT1, 0, 0}};
    std::vector<bool> seen;
    EXPECT_TRUE(writeReceiptsSettled(st, r, [&](std::vector<bool>& present) {
        seen = present;
        return false;   // refused: every byte stays
    }));
    EXPECT_EQ(seen, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(readLog(), all());
    const RecordsChange c = writeReceiptsSettled(st, r, [&](std::vector<bool>& present) {
        r[0].localCopyId = 7;   // numbered while the log is held
        present[3] = false;     // left waiting
        return true;
    });
    ASSERT_TRUE(c);
    ASSERT_EQ(c.records.size(), 1u);
    recs[2].receivedAt = kT1 + 1;
    recs[2].receivedNoteId = 7;
    EXPECT_EQ(readLog(), all());
    r.pop_back();
    EXPECT_TRUE(writeReceiptsSettled(st, r, [](std::vector<bool>&) {
        ADD_FAILURE() << "settled with nothing waiting";
        return true;
    }));
}

TEST_F(SharedLogTest, TwoPendingSendsOfOneNoteAreEachReceivedOnce) {
    AppState sender = playing(2, "鈴木");
    ASSERT_TRUE(writeSendRecord(sender, 5, 1, 0));
    clock.set(kT1);
    ASSERT_TRUE(writeSendRecord(sender, 5, 1, 0));

    const std::optional<LogRecords> pending = readUnreceivedLog(st);
    ASSERT_TRUE(pending);
    ASSERT_EQ(pending->size(), 2u);
    int16_t local = 20;
    for (const auto& e : *pending) {
        const ReceiptWrite w = writeReceipt(st, e.SenderId, e.NoteId, e.SentAt, local++, 0);
        ASSERT_TRUE(w);
        ASSERT_TRUE(w.marked);
        EXPECT_EQ(w.marked->SentAt, e.SentAt);
    }

    const std::optional<LogRecords> left = readUnreceivedLog(st);
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->empty()) << "nothing left to receive";
    const std::optional<LogRecords> whole = readWholeLog(st);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->size(), 2u);
    EXPECT_EQ((*whole)[0].ReceivedNoteId, 20);
    EXPECT_EQ((*whole)[1].ReceivedNoteId, 21);
    EXPECT_NE((*whole)[1].ReceivedAt, 0);
}

// ---- deletes ----

// The records a delete names as removed, as bytes.
std::string removedBytes(const RecordsChange& c) {
    ByteWriter w;
    for (const LogRecord& r : c.records) encode(w, r);
    return w.data();
}

TEST_F(SharedLogWithRecords, DeleteReceivedRemovesOnlyMyReceivedRecordsOfTheNote) {
    const RecordsChange c = deleteReceivedSends(st, 4);
    ASSERT_TRUE(c);
    EXPECT_EQ(readLog(), all({1}));
    EXPECT_EQ(c.content, readLog());
    ASSERT_EQ(logRecordsOf(c.content).size(), recs.size() - 1);
    EXPECT_EQ(removedBytes(c), bytesOf(recs[1]));
    // Member 3's received record of note 9 is not member 1's to delete.
    const RecordsChange none = deleteReceivedSends(st, 9);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none.records.empty());
    EXPECT_EQ(readLog(), all({1}));
}

TEST_F(SharedLogWithRecords, DeleteAllRemovesMyRecordsOfTheNoteReceivedOrNot) {
    const RecordsChange c = deleteAllSends(st, 4);
    ASSERT_TRUE(c);
    EXPECT_EQ(readLog(), all({0, 1}));
    EXPECT_EQ(senderNote(logRecordsOf(c.content)), (std::vector<std::pair<int, int>>{{2, 9}, {3, 9}, {1, 5}, {2, 8}}));
    EXPECT_EQ(removedBytes(c), bytesOf(recs[0]) + bytesOf(recs[1]));
}

TEST_F(SharedLogWithRecords, DeleteOneRemovesMyRecordsOfTheNoteToOneRecipient) {
    // note, recipient → the records left, the records removed
    const struct {
        int16_t note, recipient;
        std::vector<size_t> left, removed;
    } steps[] = {
        {4, 3, {1}, {1}},
        {5, 2, {1, 4}, {4}},
        {4, 1, {1, 4}, {}},   // no record to member 1
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.note) + " to " + std::to_string(step.recipient));
        const RecordsChange c = deleteSendTo(st, step.note, step.recipient);
        ASSERT_TRUE(c);
        EXPECT_EQ(readLog(), all(step.left));
        std::string removed;
        for (size_t i : step.removed) removed += bytesOf(recs[i]);
        EXPECT_EQ(removedBytes(c), removed);
    }
}

TEST_F(SharedLogWithRecords, TakeBackAndCancelRemoveTheirRecordsOrNothing) {
    // Take back: my records of note 4 to member 3 at kT0 and to member 2 at kT1 (which is not there).
    LogRecord toThree, toTwoLater;
    toThree.RecipientId = 3, toThree.SentAt = kT0;
    toTwoLater.RecipientId = 2, toTwoLater.SentAt = kT1;
    const RecordsChange back = takeBackSendRecords(st, 4, {toThree, toTwoLater});
    ASSERT_TRUE(back);
    EXPECT_EQ(readLog(), all({1}));
    EXPECT_EQ(removedBytes(back), bytesOf(recs[1]));

    // Cancel: note 5 has only an unreceived record, which goes.
    const RecordsChange cancelled = cancelUnreceivedSends(st, 5);
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(readLog(), all({1, 4}));
    EXPECT_EQ(removedBytes(cancelled), bytesOf(recs[4]));

    // Note 4's record to member 3 is received: the cancel finds both and removes nothing.
    writeLog(all());
    const RecordsChange refused = cancelUnreceivedSends(st, 4);
    ASSERT_TRUE(refused);
    EXPECT_EQ(readLog(), all());
    EXPECT_EQ(refused.content, all());
    EXPECT_EQ(removedBytes(refused), bytesOf(recs[0]) + bytesOf(recs[1])) << "the records as found";
}

TEST_F(SharedLogTest, DeletingTheLastRecordsLeavesAnEmptyLogAndSucceeds) {
    writeLog(bytesOf({}) + bytesOf({kT1, kTanaka, 1, 0, kT1, "ab", 3}));
    const RecordsChange c = deleteAllSends(st, 0);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c.content.empty());
    EXPECT_EQ(c.records.size(), 2u);
    EXPECT_TRUE(fileExists(logPath()));
    EXPECT_EQ(readLog(), "");
    // Only the log itself is in the folder: no temporary file left behind.
    EXPECT_EQ(listDirectory(dir.str()), std::vector<std::string>{"GRPINLY.FLG"});
}

// ---- large logs ----

TEST_F(SharedLogTest, LargeLogsAndHugeRecordsReadCompletely) {
    // Thousands of records (a read takes the log in pieces, records straddle the pieces) and two
    // records whose names are longer than a piece.
    std::string log;
    for (int i = 0; i < 5000; ++i) log += bytesOf({kT0 + i, i % 2 ? kTanaka : "ab", 2, i % 100, 0, kTanaka, 1});
    const std::string longName(40000, 'x');
    std::string longCp932;   // 田 30000 times
    for (int i = 0; i < 30000; ++i) longCp932 += "\x93\x63";
    log += bytesOf({kT1, longName, 2, 7, 0, longCp932, 1});
    const std::string last = bytesOf({kT1, kSuzuki, 2, 8, 0, kTanaka, 1});
    log += last;
    writeLog(log);

    const std::optional<LogRecords> read = readUnreceivedLog(st);
    ASSERT_TRUE(read);
    const LogRecords& sel = *read;
    ASSERT_EQ(sel.size(), 5002u);
    EXPECT_EQ(sel[4999].SentAt, kT0 + 4999);
    EXPECT_EQ(sel[4999].SenderName, "田中");
    EXPECT_EQ(sel[5000].SenderName, longName);
    std::string tanaka30000;
    for (int i = 0; i < 30000; ++i) tanaka30000 += "田";
    EXPECT_EQ(sel[5000].RecipientName, tanaka30000);
    EXPECT_EQ(sel[5001].NoteId, 8);

    // The same log cut inside the huge record: the records before it are read, the cut one is not.
    writeLog(log.substr(0, log.size() - last.size() - 100));
    const std::optional<LogRecords> cut = readWholeLog(st);
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->size(), 5000u);
    EXPECT_EQ(cut->back().SentAt, kT0 + 4999);
}

// ---- damaged logs ----

TEST_F(SharedLogWithRecords, ADamagedTailIsIgnoredByReadsAndKeptAsideByTheNextChange) {
    const std::string tail = bytesOf({kT1, kTanaka, 1, 4, 0, kSuzuki, 2});
    struct Case {
        const char* what;
        std::string good, rest;
    };
    const std::string hugeName = le64(kT0) + le16(0xFFFF) + "xx";
    const std::vector<Case> cases = {
        {"last record cut short", all(), tail.substr(0, tail.size() - 1)},
        {"a few stray bytes", all(), "\x01\x02\x03"},
        {"name longer than the file", all(), hugeName},
        {"garbage only", "", std::string(9, '\xFF')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& name : listDirectory(dir.str()))
            if (name != "GRPINLY.FLG") removeFile(dir.file(name));
        writeLog(c.good + c.rest);
        // Reads work on the complete records, without a word.
        const std::optional<LogRecords> whole = readWholeLog(st);
        ASSERT_TRUE(whole);
        if (c.good.empty()) {
            EXPECT_TRUE(whole->empty());
        } else {
            EXPECT_EQ(whole->size(), recs.size());
            const std::optional<LogRecords> unreceived = readUnreceivedLog(st);
            ASSERT_TRUE(unreceived);
            EXPECT_EQ(senderNote(*unreceived), (std::vector<std::pair<int, int>>{{2, 9}, {2, 8}}));
        }
        EXPECT_EQ(readLog(), c.good + c.rest) << "a read changes nothing";

        // The first change keeps the rest in a copy beside the log, says where, and writes the log
        // without it; the change itself is made.
        const std::string copy = dir.file("GRPINLY.FLG.damaged-20000717-090000");
        prompter.expect("確認",
                        "共有ログファイルの終わりの" + std::to_string(c.rest.size()) + "バイトは壊れていて読めません。\rその部分を\r" +
                            copy + "\rに残し、ログから取り除きます。",
                        Icon::Information, Buttons::Ok, Answer::Ok);
        const RecordsChange deleted = deleteAllSends(st, 5);
        ASSERT_TRUE(deleted);
        EXPECT_EQ(readLog(), c.good.empty() ? "" : all({4}));
        EXPECT_EQ(deleted.content, readLog()) << "the content handed back is without the damaged end";
        std::ifstream kept(copy, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), c.rest);
        // Once is enough: the next change finds a whole log.
        ASSERT_TRUE(writeSendRecord(st, 6, 2, 0));
        EXPECT_TRUE(prompter.done());
    }
}

TEST_F(SharedLogWithRecords, ADamagedTailIsNeverDroppedWithoutItsCopy) {
    const std::string damaged = all() + "\x01\x02\x03";
    writeLog(damaged);
    // The copy cannot be made: folders have taken every name it could have.
    for (int attempt = 1; attempt <= 1000; ++attempt)
        std::filesystem::create_directory(damagedCopyPath(logPath(), clock.now(), attempt));
    prompter.expect(kErrorTitle, failureText(kErrAccessDenied, "送信用無確認削除", makeError(kErrAccessDenied).description),
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(deleteAllSends(st, 5));
    EXPECT_EQ(readLog(), damaged) << "the log is left as it was";
}

TEST_F(SharedLogTest, MissingFolderIsReportedAsPathNotFound) {
    st.SharedPath = dir.file("gone");
    prompter.expect(kErrorTitle, failureText(76, "送信書込", makeError(kErrPathNotFound).description), Icon::Warning,
                    Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(writeSendRecord(st, 1, 2, 0));
    prompter.expect(kErrorTitle, failureText(76, "タイマー受信", makeError(kErrPathNotFound).description),
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(readUnreceivedLog(st));
    EXPECT_FALSE(directoryExists(st.SharedPath));
}

#ifndef _WIN32
TEST_F(SharedLogTest, ALogTooLargeForTheMemoryIsReportedAndNothingIsThrown) {
    // 8 TB that take no room on the disk: a change needs the whole log in memory, which no
    // computer has; it fails like any other access instead of ending the program.
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer ends the process on an impossible allocation instead of failing it";
#endif
    std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
    int mode = 0;
    if (overcommit >> mode && mode == 1) GTEST_SKIP() << "this kernel grants any allocation";
    writeLog("");
    std::error_code ec;
    std::filesystem::resize_file(logPath(), std::uintmax_t{1} << 43, ec);
    if (ec) GTEST_SKIP() << "no sparse file of 8 TB here: " << ec.message();
    prompter.expect(kErrorTitle, failureText(7, "送信書込", "メモリが不足しています。"), Icon::Warning, Buttons::Ok,
                    Answer::Ok);
    const SendWrite w = writeSendRecord(st, 1, 2, 0);
    EXPECT_FALSE(w);
    EXPECT_TRUE(w.content.empty()) << "a failed change hands back nothing";
    EXPECT_EQ(std::filesystem::file_size(logPath()), std::uintmax_t{1} << 43) << "the log is left as it was";
    removeFile(logPath());
}
#endif

TEST_F(SharedLogTest, LogHeldByAnotherOpenOfThisProcessAsksAfterTheSilentWindow) {
    // Two opens conflict even inside one process, as between computers.
    writeLog(bytesOf({}));
    SharedFile holder;
    ASSERT_FALSE(holder.open(logPath(), ShareMode::ReadDenyWrite));
    prompter.expect(kCheckTitle, "ログ・ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel,
                    Answer::Retry);
    prompter.expect(kCheckTitle, "ログ・ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel,
                    Answer::Cancel);
    prompter.expect(kErrorTitle, failureText(70, "送信用無確認削除", makeError(kErrAccessDenied).description),
                    Icon::Warning, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(deleteAllSends(st, 0));
    holder.close();
    EXPECT_EQ(readLog(), bytesOf({}));
    // A reader does not keep another reader out.
    ASSERT_FALSE(holder.open(logPath(), ShareMode::ReadDenyWrite));
    EXPECT_TRUE(readWholeLog(st));
}

}  // namespace
}  // namespace tw
