// Peeling off and its two questions, the undo list, the end of the program with its two files, and
// the small text helpers of editing.
#include "notes/mdpinly.h"
#include "platform/codepage.h"

#include "model/datetime.h"
#include "app/groval.h"
#include "app/recovery.h"
#include "messaging/sharedlog.h"
#include "platform/screen.h"
#include "platform/sharedfile.h"
#include "support/member_state.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

const std::string kLastQuestion = "全ての付箋紙をはがすとタックウィスプは終了します";
const std::string kRefusal =
    "期間未到達付箋紙または送信後削除する付箋紙が残っているのではがせません\r"
    "１枚以上の期間外でない付箋紙を残すか、全てはがすことはできます。";

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class PeelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUpNoteMember(st, shared.str());
        UserEntry me, other;
        me.MemberName = "佐藤";
        me.MemberId = 1;
        other.MemberName = "鈴木";
        other.MemberId = 2;
        st.members = {me, other};
    }

    int add(const std::string& text) {
        NoteRecord r;
        r.Text = text;
        r.Width = 2145;
        r.Height = 450;
        r.NoteId = static_cast<int16_t>(st.NoteTable.size());
        st.NoteTable.push_back(r);
        return static_cast<int>(st.NoteTable.size()) - 1;
    }
    NoteRecord& note(int i) { return st.NoteTable.at(static_cast<size_t>(i)); }
    std::vector<int> all() const {
        std::vector<int> v;
        for (size_t i = 0; i < st.NoteTable.size(); ++i) v.push_back(static_cast<int>(i));
        return v;
    }
    // Note ids of the records left in the log, in file order.
    std::vector<int> logNotes() {
        std::vector<int> ids;
        if (const std::optional<LogRecords> log = readWholeLog(st))
            for (const LogRecord& r : *log) ids.push_back(r.NoteId);
        return ids;
    }

    TempDir shared;
    ScriptedPrompter prompter;
    TestClock clock{makeDateTime(2024, 5, 10, 12, 0, 0)};
    FixedScreen screen;
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
};

}  // namespace

TEST_F(PeelTest, LastNoteQueryModes) {
    int a = add("a"), b = add("b"), c = add("c");
    note(b).IsPeeled = true;
    note(c).HasPeriod = true;
    note(c).Period.StartAt = addMinutes(clock.now(), 5);
    const std::vector<int> open = {a, b, c};

    EXPECT_FALSE(isLastNote(st, a, open, kCountAll));        // 3 count
    EXPECT_FALSE(isLastNote(st, a, open, kCountUnpeeled));   // a and c
    EXPECT_TRUE(isLastNote(st, a, open, kCountVisible));     // c waits for its period
    // The asking note itself counts even when it waits.
    EXPECT_FALSE(isLastNote(st, c, open, kCountVisible));
    // A sent note that vanishes after receipt does not count for another note either.
    note(c).HasPeriod = false;
    EXPECT_FALSE(isLastNote(st, a, open, kCountVisible));
    note(c).IsSent = note(c).AutoDelete = true;
    EXPECT_TRUE(isLastNote(st, a, open, kCountVisible));
    // Only open windows count; indices outside the table are ignored.
    EXPECT_TRUE(isLastNote(st, a, {a, 99, -1}, kCountAll));
    EXPECT_FALSE(isLastNote(st, a, {}, kCountAll));
}

TEST_F(PeelTest, PeelingTheOnlyNoteAsksToEndCancelKeepsIt) {
    int a = add("ひとつだけ");
    prompter.expect("終了", kLastQuestion, Icon::None, Buttons::OkCancel, Answer::Cancel);
    EXPECT_EQ(peelNote(st, a, {a}), PeelResult::Cancelled);
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_EQ(st.undoCount, 0);
}

TEST_F(PeelTest, PeelingTheOnlyNoteOkEndsAndBothFilesAreWritten) {
    int a = add("ひとつだけ");
    int gone = add("もうはがした");
    note(gone).IsPeeled = true;
    prompter.expect("終了", kLastQuestion, Icon::None, Buttons::OkCancel, Answer::Ok);
    EXPECT_EQ(peelNote(st, a, {a, gone}), PeelResult::PeeledLast);
    EXPECT_TRUE(note(a).IsPeeled);
    EXPECT_EQ(st.undoCount, 0);

    ASSERT_EQ(writeFilesAtEnd(st), EndResult::Written);
    // The local settings as one record; the notes file empty: peeled notes are not kept.
    std::string fcg = slurp(shared.file("ID00001.FCG"));
    ByteWriter w;
    encode(w, st.localConfig);
    EXPECT_EQ(fcg, w.data());
    EXPECT_TRUE(fileExists(shared.file("ID00001.FDT")));
    EXPECT_EQ(slurp(shared.file("ID00001.FDT")), "");
}

TEST_F(PeelTest, RefusedWhenOnlyNotesOutOfPeriodWouldStay) {
    int a = add("見えている"), later = add("まだ先");
    note(later).HasPeriod = true;
    note(later).Period.StartAt = addDays(clock.now(), 1);
    prompter.expect("確認", kRefusal, Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(peelNote(st, a, {a, later}), PeelResult::Refused);
    EXPECT_FALSE(note(a).IsPeeled);
    EXPECT_EQ(st.undoCount, 0);

    // The out-of-period one itself can go.
    EXPECT_EQ(peelNote(st, later, {a, later}), PeelResult::Peeled);
    EXPECT_TRUE(note(later).IsPeeled);
    EXPECT_EQ(undoIndex(st, 0), later);
}

TEST_F(PeelTest, SixPeelsKeepTheLastFiveNewestFirst) {
    for (int i = 0; i < 7; ++i) add("付箋" + std::to_string(i));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(peelNote(st, i, all()), PeelResult::Peeled);
    EXPECT_EQ(st.undoCount, 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(undoIndex(st, k), 5 - k);
    EXPECT_EQ(undoCaption(st, 0), "付箋5");
    EXPECT_EQ(undoCaption(st, 4), "付箋1");
    EXPECT_EQ(undoIndex(st, 5), -1);
    // The first one fell off the list but stays peeled.
    EXPECT_TRUE(note(0).IsPeeled);
}

TEST_F(PeelTest, UndoOfSlotTwoOfFourClosesTheGap) {
    for (int i : {10, 11, 12, 13}) pushUndo(st, i);   // slots 13 12 11 10
    ASSERT_EQ(st.undoCount, 4);
    EXPECT_TRUE(removeUndo(st, 2));
    EXPECT_EQ(st.undoCount, 3);
    EXPECT_EQ(undoIndex(st, 0), 13);
    EXPECT_EQ(undoIndex(st, 1), 12);
    EXPECT_EQ(undoIndex(st, 2), 10);
    EXPECT_EQ(undoIndex(st, 3), -1);
    EXPECT_FALSE(removeUndo(st, 3));
    EXPECT_FALSE(removeUndo(st, -1));
    EXPECT_TRUE(removeUndo(st, 0));
    EXPECT_TRUE(removeUndo(st, 0));
    EXPECT_TRUE(removeUndo(st, 0));
    EXPECT_EQ(st.undoCount, 0);
    EXPECT_FALSE(removeUndo(st, 0));
}

TEST_F(PeelTest, UndoCaptionCountsCharactersNotBytes) {
    int a = add("あいうえおかきくけこさしすせそたちつてとなにぬねの");   // 25 characters
    int b = add("短い");
    pushUndo(st, a);
    pushUndo(st, b);
    EXPECT_EQ(undoCaption(st, 1), "あいうえおかきくけこさしすせそたちつてと");
    EXPECT_EQ(undoCaption(st, 0), "短い");
    EXPECT_EQ(undoCaption(st, 2), "");
}

TEST_F(PeelTest, PeelingASentNoteWithdrawsItsPendingDeliveries) {
    int keep = add("残す"), sent = add("送った"), other = add("別");
    note(sent).IsSent = true;
    ASSERT_TRUE(writeSendRecord(st, static_cast<int16_t>(sent), 2, 0));
    ASSERT_TRUE(writeSendRecord(st, static_cast<int16_t>(other), 2, 0));
    ASSERT_TRUE(writeSendRecord(st, static_cast<int16_t>(sent), 2, 0));
    EXPECT_EQ(logNotes(), (std::vector<int>{sent, other, sent}));

    EXPECT_EQ(peelNote(st, sent, {keep, sent, other}), PeelResult::Peeled);
    EXPECT_EQ(logNotes(), (std::vector<int>{other}));
}

TEST_F(PeelTest, PeelingTheLastSentNoteStillWithdrawsIt) {
    int sent = add("最後の送信");
    note(sent).IsSent = true;
    ASSERT_TRUE(writeSendRecord(st, static_cast<int16_t>(sent), 2, 0));
    prompter.expect("終了", kLastQuestion, Icon::None, Buttons::OkCancel, Answer::Ok);
    EXPECT_EQ(peelNote(st, sent, {sent}), PeelResult::PeeledLast);
    // The log is empty now: the full check says so.
    prompter.expect("確認", "ＬＯＧ履歴はありません", Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(logNotes(), std::vector<int>{});
}

TEST_F(PeelTest, AFailedLogDoesNotStopThePeel) {
    int a = add("a"), b = add("b");
    note(b).IsSent = true;
    // The log cannot be opened: a folder stands where the file should be. The log shows its own
    // failure (its texts are checked with the log); the peel goes on.
    std::filesystem::create_directory(shared.file("GRPINLY.FLG"));
    struct AnyFailure : Prompter {
        int shown = 0;
        Answer ask(const std::string& title, const std::string&, Icon, Buttons b) override {
            ++shown;
            EXPECT_TRUE(title == "エラー" || title == "確認") << title;
            return b == Buttons::RetryCancel ? Answer::Cancel : Answer::Ok;
        }
    } boxes;
    st.sys.prompter = boxes;
    EXPECT_EQ(peelNote(st, b, {a, b}), PeelResult::Peeled);
    EXPECT_TRUE(note(b).IsPeeled);
    EXPECT_EQ(undoIndex(st, 0), b);
    EXPECT_GE(boxes.shown, 1);
}

TEST_F(PeelTest, WhatTheEndCannotWriteIsKeptAndOfferedBackAtTheNextStart) {
    test::TempDir data;
    st.sys.userDataDir = data.str();
    add("今日の仕事");
    st.SharedPath = shared.file("share");   // the share went away while the program ran
    const std::string why = makeError(kErrPathNotFound).description;
    const auto question = [&](const std::string& label) {
        return label + "ファイルにアクセスできません\r" + why + "\r再試行しますか？キャンセルすると、内容をこのコンピュータに残します。";
    };
    const std::string kept = recoveryFolder(st);
    ASSERT_FALSE(kept.empty());
    // Every file gets its own question, whatever the failure; Retry tries again.
    prompter.expect("エラー", question("ローカル設定"), Icon::Warning, Buttons::RetryCancel, Answer::Retry);
    prompter.expect("エラー", question("ローカル設定"), Icon::Warning, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect("確認",
                    "保存できなかったローカル設定の内容を\r" + joinPath(kept, "ID00001.FCG") +
                        "\rに残しました。次回の起動時に元に戻すことができます。",
                    Icon::Information, Buttons::Ok, Answer::Ok);
    prompter.expect("エラー", question("付箋紙データ"), Icon::Warning, Buttons::RetryCancel, Answer::Cancel);
    prompter.expect("確認",
                    "保存できなかった付箋紙データの内容を\r" + joinPath(kept, "ID00001.FDT") +
                        "\rに残しました。次回の起動時に元に戻すことができます。",
                    Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_EQ(writeFilesAtEnd(st), EndResult::LocalWriteFailed);
    ASSERT_TRUE(prompter.done());

    // The next start, with the share back (and without the files of this run): the copies are offered.
    std::filesystem::create_directory(st.SharedPath);
    AppState next(st.sys);
    test::setUpNoteMember(next, st.SharedPath);
    next.sys.userDataDir = data.str();
    const std::string offer = "前回の終了時に共有フォルダに保存できなかった付箋紙とローカル設定が\r" + kept + "\rに残っています。元に戻しますか？";
    prompter.expect("確認", offer, Icon::Information, Buttons::OkCancel, Answer::Cancel);
    EXPECT_FALSE(offerRecovery(next)) << "Cancel: not now";
    EXPECT_TRUE(next.NoteTable.empty());
    prompter.expect("確認", offer, Icon::Information, Buttons::OkCancel, Answer::Ok);
    EXPECT_TRUE(offerRecovery(next));
    ASSERT_EQ(next.NoteTable.size(), 1u);
    EXPECT_EQ(next.NoteTable[0].Text, "今日の仕事");
    EXPECT_FALSE(std::filesystem::exists(kept)) << "written to the folder, the copies go";
    AppState check(st.sys);
    test::setUpNoteMember(check, st.SharedPath);
    ASSERT_TRUE(AccessSharedFile(check, kModeRead, kKindNotes));
    ASSERT_EQ(check.NoteTable.size(), 1u);
    EXPECT_EQ(check.NoteTable[0].Text, "今日の仕事");
    EXPECT_FALSE(offerRecovery(next)) << "nothing left to offer";
}

TEST(EditText, DroppedFilesAppendOneLineEach) {
    EXPECT_EQ(appendDroppedFiles("", {"C:\\a.txt", "C:\\フォルダ\\b.doc"}), "\r\nC:\\a.txt\r\nC:\\フォルダ\\b.doc");
    EXPECT_EQ(appendDroppedFiles("メモ", {"/x"}), "メモ\r\n/x");
    EXPECT_EQ(appendDroppedFiles("メモ", {}), "メモ");
}

TEST(EditText, LineBreaksBetweenRecordAndEditBox) {
    EXPECT_EQ(toEditText("一\r\n二\r\n"), "一\n二\n");
    EXPECT_EQ(toEditText("a\rb\nc"), "a\nb\nc");
    EXPECT_EQ(fromEditText("一\n二\n"), "一\r\n二\r\n");
    EXPECT_EQ(fromEditText("a\r\nb\rc"), "a\r\nb\r\nc");
    const std::string t = "会議\r\n\r\n15:00 本社";
    EXPECT_EQ(fromEditText(toEditText(t)), t);
}

TEST(EditText, AnEditThatChangedNothingKeepsEveryByte) {
    // Bytes that are no character, a lone line feed, a second code of "∵": shown as the user can
    // see them, and kept as they were while the edit box still shows that.
    const std::string read = cp932ToUtf8(std::string("A\x81 B\nC\rD\xFA\x5B", 10));
    EXPECT_EQ(toEditText(read), "A? B\nC\nD∵");
    EXPECT_EQ(utf8ToCp932(textAfterEdit(read, toEditText(read))), std::string("A\x81 B\nC\rD\xFA\x5B", 10));
    // Once the user changed it, the text is what the box shows, with CR LF between the lines.
    EXPECT_EQ(textAfterEdit(read, "A? B\nC\nD∵!"), "A? B\r\nC\r\nD∵!");
}

TEST(EditText, AnEditedTextLongerThanAFieldIsRefused) {
    std::string fits, tooLong;
    for (int i = 0; i < 16383; ++i) fits += "あ";          // 32766 bytes
    tooLong = fits + "ab";                                 // 32768 bytes
    EXPECT_EQ(editedTextRefusal(fits), "");
    EXPECT_EQ(editedTextRefusal(fits + "a"), "") << "exactly 32767 bytes";
    EXPECT_EQ(editedTextRefusal(tooLong),
              "付箋紙に書ける文字は32767バイト(全角16383文字)までです。\r今の文字は32768バイトあります。"
              "減らしてから編集を終えて下さい。");
}

TEST(EditText, CharactersTheFileCannotHoldAreNamedBeforeTheEditEnds) {
    const std::string question = "次の文字は付箋紙に書けません。\r😀、é、한\r「?」に置き換えて編集を終えますか？\r"
                                 "「いいえ」で編集に戻ります。";
    ScriptedPrompter prompter;
    EXPECT_EQ(storableEditedText(prompter, "会議 ¥500", true), "会議 ¥500") << "nothing to ask";
    prompter.expect("確認", question, Icon::Information, Buttons::YesNo, Answer::No);
    EXPECT_EQ(storableEditedText(prompter, "😀é\r\n한😀", true), std::nullopt);
    prompter.expect("確認", question, Icon::Information, Buttons::YesNo, Answer::Yes);
    EXPECT_EQ(storableEditedText(prompter, "😀é\r\n한😀", true), "??\r\n??");
    // Ended by something else, the edit cannot go on: the member is told what became of them.
    prompter.expect("確認", "次の文字は付箋紙に書けないため、「?」に置き換えました。\r😀、é、한", Icon::Information,
                    Buttons::Ok, Answer::Ok);
    EXPECT_EQ(storableEditedText(prompter, "😀é\r\n한😀", false), "??\r\n??");
    // A long list names the first ones and counts the rest.
    std::vector<std::string> many;
    for (int k = 0; k < 23; ++k) many.push_back(std::string(1, static_cast<char>('a' + k)));
    EXPECT_EQ(unstorableNotice(many), "次の文字は付箋紙に書けないため、「?」に置き換えました。\r"
                                      "a、b、c、d、e、f、g、h、i、j、k、l、m、n、o、p、q、r、s、t ほか3文字");
}

TEST(About, VersionLine) {
    EXPECT_EQ(aboutText(), "タックウィスプ Version 1.71 R08");
    EXPECT_EQ(kAboutTitle, "バージョン情報");
}
