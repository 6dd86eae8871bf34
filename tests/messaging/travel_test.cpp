// Notes between members of one workgroup in one process: sending, receiving, following the sends,
// questionnaires on arrival, cancelling, and what each of them does when the log or a file fails.
#include "app/groval.h"
#include "messaging/answertext.h"
#include "messaging/reception.h"
#include "messaging/sending.h"
#include "messaging/sharedlog.h"
#include "platform/prompter.h"
#include "platform/sharedfile.h"
#include "platform/waitindicator.h"
#include "support/workgroup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>

namespace tw {
namespace {

using test::addNote;
using test::Workgroup;

// Notes into the table, as the note windows would; remembers which windows were opened.
struct Windows : ReceptionHost {
    std::vector<int> opened;
    int answerSheets = 0;
    void openNoteWindow(int index) override { opened.push_back(index); }
    bool openAnswerSheet(const LogRecord&, const NoteRecord&) override {
        ++answerSheets;
        return false;
    }
};

// Every record of the log (none for an empty log, without the notice a user's read shows).
std::vector<LogRecord> wholeLog(AppState& st) {
    std::error_code ec;
    if (std::filesystem::file_size(sharedLogPath(st), ec) == 0) return {};
    return readWholeLog(st).value_or(LogRecords{});
}

const std::string kBusyLog = "ログ・ファイルアクセスが混雑しています";

// The boxes of a log change refused because another computer reads the log, answered Cancel.
void expectLogRefused(test::ScriptedPrompter& p, const std::string& caption) {
    p.expect("確認", kBusyLog, Icon::Information, Buttons::RetryCancel, Answer::Cancel);
    p.expect("エラー",
             "共有ログファイルにアクセスできません(ERR:70)\r" + caption + "に失敗しました\r" +
                 makeError(kErrAccessDenied).description,
             Icon::Warning, Buttons::Ok, Answer::Ok);
}

class TravelTest : public ::testing::Test {
protected:
    Workgroup g{{"佐藤", "鈴木", "高橋"}};
    Windows windows2, windows3;

    // Member 1 writes its notes and sends note `note` to `to`.
    void send(int note, std::vector<int16_t> to, int16_t kind = 0, bool autoDelete = false) {
        ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
        ASSERT_EQ(sendNote(g[1], static_cast<int16_t>(note), to, kind, autoDelete), SendResult::Sent);
    }
};

TEST(AnswerText, CodesAsTheSenderSeesThem) {
    struct Case {
        int16_t code;
        const char* partner;
    } cases[] = {
        {0, ""},
        {1, "/y"},
        {2, "/n"},
        {3, "/c"},
        {4 * 2 + 64 * (1 + 4), "Pic:2 1:On 3:On "},
        {64 * (1 + 4), "1) Check 3:On "},
        {4 * 15 + 64 * 15, "Pic:15 1:On 2:On 3:On 4:On "},
        {64 * 8, "4) Check "},
        {static_cast<int16_t>(0x8000 | 4), "Pic:1 "},   // bits outside the fields are not read
    };
    for (const Case& c : cases) EXPECT_EQ(partnerAnswerText(c.code), c.partner) << c.code;
    EXPECT_EQ(appendPartner("", "鈴木", 2), "鈴木 /n");
    EXPECT_EQ(appendPartner("鈴木 /n", "高橋", 0), "鈴木 /n 高橋 ");
}

TEST(SendOptions, InterlockAndAnswerSheet) {
    // {interlock, clicks (option, checked) …, text} → checked, enabled, test, ok
    struct Case {
        bool interlock;
        std::vector<std::pair<int, bool>> clicks;
        std::string text;
        std::array<bool, 3> checked, enabled;
        bool test, ok;
        int16_t kind;
    } cases[] = {
        {true, {{0, true}}, "x", {true, false, false}, {true, false, false}, false, true, 0},
        {true, {{1, true}}, "x", {false, true, false}, {false, true, false}, false, true, 1},
        {true, {{1, true}, {1, false}}, "x", {false, false, false}, {true, true, true}, false, true, 0},
        {true, {{2, true}}, "質問\r\n1. はい", {false, false, true}, {false, false, true}, true, true, 2},
        // No line at all: neither a preview nor a send; clearing it frees the others again.
        {true, {{2, true}}, "\r\n\r\n", {false, false, true}, {false, false, true}, false, false, 2},
        {true, {{2, true}, {2, false}}, "", {false, false, false}, {true, true, true}, false, false, 0},
        // Without the interlock (the note may be the last one) both questionnaires can be chosen.
        {false, {{1, true}, {2, true}}, "x", {false, true, true}, {true, true, true}, true, true, 2},
    };
    for (const Case& c : cases) {
        SendOptions o;
        o.interlock = c.interlock;
        for (auto [i, on] : c.clicks) clickSendOption(o, i, on, c.text);
        EXPECT_EQ(o.checked, c.checked);
        EXPECT_EQ(o.enabled, c.enabled);
        EXPECT_EQ(o.testEnabled, c.test);
        EXPECT_EQ(o.okEnabled, c.ok);
        EXPECT_EQ(questionKindOf(o), c.kind);
    }
    EXPECT_FALSE(hasAnswerItems("\rX"));   // the character after a carriage return belongs to no line
    EXPECT_TRUE(hasAnswerItems("a"));
}

TEST_F(TravelTest, RecipientsLeaveOutTheCurrentMember) {
    const auto r = possibleRecipients(g[2]);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].name, "佐藤");
    EXPECT_EQ(r[1].id, 3);
    g[2].members.resize(0);
    EXPECT_TRUE(possibleRecipients(g[2]).empty());
}

TEST_F(TravelTest, SentReceivedAndFollowedUntilAllHaveIt) {
    const int note = addNote(g[1], "会議は3時から");
    addNote(g[1], "二枚目");
    send(note, {2, 3}, 0, true);
    EXPECT_TRUE(g[1].NoteTable[0].IsSent);
    EXPECT_TRUE(g[1].NoteTable[0].AutoDelete);
    const auto log = wholeLog(g[1]);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].RecipientName, "鈴木");
    EXPECT_EQ(log[1].RecipientName, "高橋");

    // Member 2 has a note already: the copy is its second.
    addNote(g[2], "自分のメモ");
    g.setTime(46000.75);
    EXPECT_EQ(receiveNotes(g[2], windows2), 1);
    ASSERT_EQ(g[2].NoteTable.size(), 2u);
    const NoteRecord& copy = g[2].NoteTable[1];
    EXPECT_EQ(copy.Text, "会議は3時から");
    EXPECT_EQ(copy.NoteId, 1);
    EXPECT_TRUE(copy.IsReceived);
    EXPECT_FALSE(copy.IsSent);
    EXPECT_EQ(copy.Partner.PartnerName, "佐藤");
    EXPECT_EQ(copy.Partner.PartnerAt, 46000.5);
    EXPECT_EQ(windows2.opened, std::vector<int>{1});
    // Nothing comes twice.
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);

    // Only one of two has it: still followed, only that name.
    followSentNotes(g[1]);
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerName, "鈴木 ");
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerAt, 46000.75);
    EXPECT_FALSE(g[1].NoteTable[0].AllReceived);

    EXPECT_EQ(receiveNotes(g[3], windows3), 1);
    followSentNotes(g[1]);
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerName, "鈴木  高橋 ");
    EXPECT_TRUE(g[1].NoteTable[0].AllReceived);
    EXPECT_TRUE(g[1].NoteTable[0].IsPeeled);   // auto-delete
    EXPECT_TRUE(wholeLog(g[1]).empty());
}

TEST_F(TravelTest, YesNoQuestionnaireAnsweredOnArrival) {
    addNote(g[1], "忘年会に出ますか");
    send(0, {2, 3}, 1);
    const std::string title = "タックウィスプ(決議採択)";
    g.prompter(2).expect(title, "佐藤さんからアンケートです\r忘年会に出ますか", Icon::None, Buttons::YesNoCancel,
                         Answer::No);
    g.prompter(3).expect(title, "佐藤さんからアンケートです\r忘年会に出ますか", Icon::None, Buttons::YesNoCancel,
                         Answer::Cancel);
    EXPECT_EQ(receiveNotes(g[2], windows2), 1);
    EXPECT_EQ(receiveNotes(g[3], windows3), 1);
    EXPECT_TRUE(g[2].NoteTable.empty());   // a questionnaire makes no note
    followSentNotes(g[1]);
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerName, "鈴木 /n 高橋 /c");
}

// The sender takes a Yes/No question back while its box is open at the recipient: the answer goes
// nowhere, and the recipient is told so.
TEST_F(TravelTest, YesNoAnswerToAQuestionTakenBackMeanwhileIsTold) {
    addNote(g[1], "忘年会に出ますか");
    send(0, {2}, 1);
    struct TakenBackWhileAsking : Prompter {
        std::function<void()> meanwhile;
        std::vector<std::string> texts;
        Answer ask(const std::string&, const std::string& text, Icon, Buttons) override {
            texts.push_back(text);
            if (auto act = std::exchange(meanwhile, nullptr)) act();
            return Answer::Yes;
        }
    } asking;
    asking.meanwhile = [&] { EXPECT_TRUE(cancelUnreceivedSends(g[1], 0)); };
    g[2].sys.prompter = asking;
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);
    EXPECT_EQ(asking.texts, (std::vector<std::string>{"佐藤さんからアンケートです\r忘年会に出ますか",
                                                      "この質問は取り消されました。回答は送信されませんでした。"}));
    EXPECT_TRUE(wholeLog(g[2]).empty());
}

TEST_F(TravelTest, AnswerSheetWaitsInTheLogUntilItCanBeShown) {
    addNote(g[1], "1. 和食\r\n2. 洋食");
    send(0, {2}, 2);
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);
    EXPECT_EQ(windows2.answerSheets, 1);
    EXPECT_TRUE(g[2].NoteTable.empty());
    ASSERT_EQ(wholeLog(g[2]).size(), 1u);
    EXPECT_EQ(wholeLog(g[2])[0].ReceivedAt, 0);
}

TEST_F(TravelTest, SendWithoutSentRecordInTheSenderFileIsNotReceived) {
    addNote(g[1], "まだ");
    // The log has the send, the sender's file does not say the note is sent (not written yet).
    ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
    ASSERT_TRUE(writeSendRecord(g[1], 0, 2, 0));
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);
    EXPECT_TRUE(g[2].NoteTable.empty());
    EXPECT_EQ(wholeLog(g[2])[0].ReceivedAt, 0);
}

TEST(ReceivedCopy, FittedToTheScreen) {
    // sender's top, left, width, height → copy's on a 15000 × 11000 twip screen
    struct Case {
        int16_t t, l, w, h, T, L, W, H;
    } cases[] = {
        {1000, 2000, 3000, 1500, 1000, 2000, 3000, 1500},      // fits: kept
        {10000, 14000, 3000, 1500, 9500, 12000, 3000, 1500},   // moved in
        {500, 500, 20000, 12000, 0, 0, 15000, 11000},          // larger: at the top left, shrunk
        {-500, -300, 100, 100, 0, 0, 100, 100},                // off the top left: brought onto the screen
    };
    for (const Case& c : cases) {
        NoteRecord sent;
        sent.Top = c.t, sent.Left = c.l, sent.Width = c.w, sent.Height = c.h;
        const NoteRecord copy = receivedCopy(sent, LogRecord{}, 0, 15000, 11000);
        EXPECT_EQ(copy.Top, c.T);
        EXPECT_EQ(copy.Left, c.L);
        EXPECT_EQ(copy.Width, c.W);
        EXPECT_EQ(copy.Height, c.H);
    }
}

// ---- failures ----

TEST_F(TravelTest, NoCopyWithoutItsReceipt) {
    addNote(g[1], "大事な連絡");
    send(0, {2});
    // The log can be read but not changed while another computer reads it.
    SharedFile reader;
    ASSERT_FALSE(reader.open(sharedLogPath(g[1]), ShareMode::ReadDenyWrite));
    expectLogRefused(g.prompter(2), "受信書込");
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);
    EXPECT_TRUE(g[2].NoteTable.empty());
    EXPECT_TRUE(windows2.opened.empty());
    reader.close();
    // Received once, at the next check.
    EXPECT_EQ(receiveNotes(g[2], windows2), 1);
    EXPECT_EQ(g[2].NoteTable.size(), 1u);
}

TEST_F(TravelTest, NoteWithoutRecordsDoesNotStopTheFollowing) {
    addNote(g[1], "一");
    addNote(g[1], "二");
    send(0, {2});
    send(1, {3});
    ASSERT_TRUE(deleteAllSends(g[1], 0));   // deleted from the list
    receiveNotes(g[3], windows3);
    followSentNotes(g[1]);
    EXPECT_FALSE(g[1].NoteTable[0].AllReceived);
    EXPECT_TRUE(g[1].NoteTable[1].AllReceived);
    EXPECT_EQ(g[1].NoteTable[1].Partner.PartnerName, "高橋 ");
    // Now the log is empty: an automatic check says nothing about it, the user's own does.
    addNote(g[1], "三");
    send(2, {2});
    ASSERT_TRUE(deleteAllSends(g[1], 2));
    followSentNotes(g[1]);
    g.prompter(1).expect("確認", "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
    followSentNotes(g[1], true);
}

TEST_F(TravelTest, SendIsAllOrNothing) {
    addNote(g[1], "全員へ");
    ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
    {
        // The log cannot be changed: nothing is written, the note stays unsent.
        SharedFile reader;
        ASSERT_FALSE(reader.open(sharedLogPath(g[1]), ShareMode::ReadDenyWrite));
        expectLogRefused(g.prompter(1), "送信書込");
        EXPECT_EQ(sendNote(g[1], 0, {2, 3}, 0, false), SendResult::Failed);
    }
    EXPECT_FALSE(g[1].NoteTable[0].IsSent);
    EXPECT_TRUE(wholeLog(g[2]).empty());
    {
        // The note file cannot be written after the records: they are taken back.
        SharedFile holder;
        ASSERT_FALSE(holder.open(joinPath(g.dir.str(), "ID00001.FDT"), ShareMode::ReadWriteExclusive));
        g.prompter(1).expect("確認", "ファイルアクセスが混雑しています", Icon::Information, Buttons::RetryCancel,
                             Answer::Cancel);
        g.prompter(1).expect("エラー",
                             "付箋紙データファイルにアクセスできません\r" + makeError(kErrAccessDenied).description,
                             Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_EQ(sendNote(g[1], 0, {2, 3}, 0, true), SendResult::Failed);
    }
    EXPECT_FALSE(g[1].NoteTable[0].IsSent);
    EXPECT_FALSE(g[1].NoteTable[0].AutoDelete);
    EXPECT_TRUE(wholeLog(g[2]).empty());
    // Nobody chosen: nothing happens at all.
    EXPECT_EQ(sendNote(g[1], 0, {}, 0, false), SendResult::NobodyChosen);
    EXPECT_FALSE(g[1].NoteTable[0].IsSent);
    // A second try sends once to each.
    EXPECT_EQ(sendNote(g[1], 0, {2, 3}, 0, false), SendResult::Sent);
    EXPECT_EQ(wholeLog(g[2]).size(), 2u);
}

TEST_F(TravelTest, CancelOnlyWhileNobodyHasIt) {
    addNote(g[1], "取り消す");
    addNote(g[1], "取り消せない");
    send(0, {2, 3});
    send(1, {2, 3});
    EXPECT_EQ(cancelSend(g[1], 0), CancelResult::Cancelled);
    EXPECT_FALSE(g[1].NoteTable[0].IsSent);
    EXPECT_EQ(wholeLog(g[1]).size(), 2u);

    // Member 3 receives the second note; its cancel is refused and removes nothing.
    EXPECT_EQ(receiveNotes(g[3], windows3), 1);
    EXPECT_EQ(g[3].NoteTable[0].Text, "取り消せない");
    g.prompter(1).expect("確認",
                         "既に受信されているので「キャンセル」はできません。\r「はがす」を行えば、残りの未受信者には"
                         "送信されません。",
                         Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(cancelSend(g[1], 1), CancelResult::AlreadyReceived);
    EXPECT_TRUE(g[1].NoteTable[1].IsSent);
    EXPECT_EQ(wholeLog(g[1]).size(), 2u);

    // No records left and the log empty: the user is told, and nothing changes.
    ASSERT_TRUE(deleteAllSends(g[1], 1));
    g.prompter(1).expect("確認", "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(cancelSend(g[1], 1), CancelResult::NoRecords);
    EXPECT_TRUE(g.prompter(1).done());
    EXPECT_TRUE(g[1].NoteTable[1].IsSent);
    // Member 2 never gets the cancelled note.
    EXPECT_EQ(receiveNotes(g[2], windows2), 0);
    // No records of the note among those of others: nothing changes, without a word.
    send(0, {2});
    EXPECT_EQ(cancelSend(g[1], 1), CancelResult::NoRecords);
    EXPECT_TRUE(g[1].NoteTable[1].IsSent);
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

TEST_F(TravelTest, OneCheckReceivesAndFollows) {
    addNote(g[1], "一");
    addNote(g[2], "二");
    send(0, {2});
    ASSERT_TRUE(AccessSharedFile(g[2], kModeWrite, kKindNotes));
    ASSERT_EQ(sendNote(g[2], 0, {1}, 0, false), SendResult::Sent);
    // Member 1 receives member 2's note and, in the same check, sees its own not yet received.
    EXPECT_EQ(networkCheck(g[1], windows3), 1);
    EXPECT_FALSE(g[1].NoteTable[0].AllReceived);
    EXPECT_EQ(networkCheck(g[2], windows2), 1);
    EXPECT_TRUE(g[2].NoteTable[0].AllReceived) << "member 1 had received it before";
    EXPECT_EQ(networkCheck(g[1], windows3), 0);
    EXPECT_TRUE(g[1].NoteTable[0].AllReceived);
    EXPECT_EQ(g[1].NoteTable[0].Partner.PartnerName, "鈴木 ");
}

TEST_F(TravelTest, ReceiptOfASendTakenBackMarksNothing) {
    addNote(g[1], "一");
    send(0, {2, 3});
    const std::vector<LogRecord> sends = wholeLog(g[1]);
    ASSERT_TRUE(deleteSendTo(g[1], 0, 2));
    const RecordsChange none = writeReceipts(g[2], {{1, 0, sends[0].SentAt, 5, 0}});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none.records.empty());
    const RecordsChange one = writeReceipts(g[3], {{1, 0, sends[1].SentAt, 7, 2}, {1, 0, sends[0].SentAt, 8, 0}});
    ASSERT_TRUE(one);
    ASSERT_EQ(one.records.size(), 1u);
    EXPECT_EQ(one.records[0].ReceivedNoteId, 7);
    EXPECT_EQ(one.records[0].AnswerCode, 2);
    EXPECT_NE(one.records[0].ReceivedAt, 0);
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

// Answers every box with Yes (or OK) after running `onAsk`: what goes on elsewhere while a box is open.
struct HookPrompter : Prompter {
    std::function<void()> onAsk;
    std::vector<std::string> texts;
    Answer ask(const std::string&, const std::string& text, Icon, Buttons) override {
        texts.push_back(text);
        if (onAsk) onAsk();
        return Answer::Yes;
    }
};

// Notes of member 1 by text, sent to member 2 one after the other (kind 1 for a text starting "?").
void sendEach(Workgroup& g, const std::vector<std::string>& texts) {
    for (const std::string& t : texts) addNote(g[1], t);
    ASSERT_TRUE(AccessSharedFile(g[1], kModeWrite, kKindNotes));
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(sendNote(g[1], static_cast<int16_t>(i), {2}, texts[i][0] == '?' ? 1 : 0, false), SendResult::Sent);
}

// The member's note file as it is on the disk.
std::vector<NoteRecord> noteFile(Workgroup& g, int member) {
    test::TestServices sv;
    AppState st(sv.services());
    st.SharedPath = g.dir.str();
    st.CurrentMemberId = static_cast<int16_t>(member);
    EXPECT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    return st.NoteTable;
}

TEST_F(TravelTest, QuestionnairesInLogOrderAmongPlainNotes) {
    sendEach(g, {"一", "?出ますか", "二"});
    HookPrompter hook;
    size_t notesWhenAsked = 0;
    hook.onAsk = [&] { notesWhenAsked = g[2].NoteTable.size(); };
    g[2].sys.prompter = hook;
    EXPECT_EQ(networkCheck(g[2], windows2), 3);
    EXPECT_EQ(notesWhenAsked, 1u) << "asked after the first note and before the second";
    ASSERT_EQ(g[2].NoteTable.size(), 2u);
    EXPECT_EQ(g[2].NoteTable[1].Text, "二");
    EXPECT_EQ(hook.texts, std::vector<std::string>{"佐藤さんからアンケートです\r?出ますか"});
}

// Runs `onWait` when a silent retry starts to wait: what another computer does meanwhile.
struct HookWait : WaitIndicator {
    std::function<void()> onWait;
    void beginWait() override {
        if (onWait) std::exchange(onWait, nullptr)();
    }
    void endWait() override {}
};

TEST_F(TravelTest, CopyNumbersInTheLogSkipASendTakenBackMeanwhile) {
    sendEach(g, {"一", "二", "三"});
    // Another computer reads the log when member 2 wants to write its receipts; while member 2
    // waits, that reader lets go and member 1 takes back "二".
    SharedFile reader;
    ASSERT_FALSE(reader.open(sharedLogPath(g[1]), ShareMode::ReadDenyWrite));
    HookWait wait;
    wait.onWait = [&] {
        reader.close();
        ASSERT_EQ(deleteSendTo(g[1], 1, 2).records.size(), 1u);
    };
    g[2].sys.waitIndicator = wait;
    g[2].sys.retrySeconds = 10;
    g[2].sys.waitIndicatorSeconds = 0;
    EXPECT_EQ(receiveNotes(g[2], windows2), 2);
    EXPECT_FALSE(wait.onWait) << "the receipts waited for the log";
    ASSERT_EQ(g[2].NoteTable.size(), 2u);
    EXPECT_EQ(g[2].NoteTable[1].Text, "三");
    const std::vector<LogRecord> log = wholeLog(g[1]);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].ReceivedNoteId, 0);
    EXPECT_EQ(log[1].ReceivedNoteId, 1) << "the number of the copy of " << log[1].NoteId;
}

TEST_F(TravelTest, CopiesAreInTheNoteFileBeforeTheirReceipts) {
    sendEach(g, {"一", "二"});
    addNote(g[2], "自分の");
    EXPECT_EQ(receiveNotes(g[2], windows2), 2);
    const std::vector<NoteRecord> file = noteFile(g, 2);
    ASSERT_EQ(file.size(), 3u) << "on the disk before the receive returned, not at a later save";
    EXPECT_EQ(file[0].Text, "自分の");
    EXPECT_EQ(file[2].Text, "二");
    EXPECT_TRUE(file[2].IsReceived);
    const std::vector<LogRecord> log = wholeLog(g[1]);
    EXPECT_EQ(log[0].ReceivedNoteId, 1);
    EXPECT_EQ(log[1].ReceivedNoteId, 2);
}

TEST_F(TravelTest, ACopyWithoutItsReceiptIsNotMadeTwice) {
    sendEach(g, {"一", "二"});
    const std::vector<LogRecord> sends = wholeLog(g[1]);
    // A receive cut short after the copy of "二" was in the note file, before its receipt: the member
    // starts again from that file. A copy of another send at the same time is not taken for it.
    NoteRecord other = receivedCopy(g[1].NoteTable[0], sends[1], 0, 15000, 11000);
    other.Text = "別の";
    g[2].NoteTable = {other, receivedCopy(g[1].NoteTable[1], sends[1], 1, 15000, 11000)};
    g[2].NoteTable[1].Top = 0;   // moved on this screen: still its copy
    EXPECT_EQ(networkCheck(g[2], windows2), 2);
    ASSERT_EQ(g[2].NoteTable.size(), 3u);
    EXPECT_EQ(g[2].NoteTable[2].Text, "一");
    EXPECT_EQ(windows2.opened, std::vector<int>{2});
    const std::vector<LogRecord> log = wholeLog(g[1]);
    EXPECT_EQ(log[0].ReceivedNoteId, 2);
    EXPECT_EQ(log[1].ReceivedNoteId, 1);
    EXPECT_EQ(noteFile(g, 2).size(), 3u);
}

TEST_F(TravelTest, NoReceiptWhileTheNoteFileCannotBeWritten) {
    sendEach(g, {"一"});
    {
        SharedFile holder;
        ASSERT_FALSE(holder.open(joinPath(g.dir.str(), "ID00002.FDT"), ShareMode::ReadDenyWrite));
        g.prompter(2).expect("エラー", "付箋紙データファイルにアクセスできません\r" + makeError(kErrAccessDenied).description,
                             Icon::Warning, Buttons::Ok, Answer::Ok);
        EXPECT_EQ(networkCheck(g[2], windows2), 0);
    }
    EXPECT_TRUE(g[2].NoteTable.empty());
    EXPECT_TRUE(windows2.opened.empty());
    EXPECT_EQ(wholeLog(g[1])[0].ReceivedAt, 0);
    EXPECT_EQ(networkCheck(g[2], windows2), 1);
    EXPECT_EQ(noteFile(g, 2).size(), 1u);
}

}  // namespace
}  // namespace tw
