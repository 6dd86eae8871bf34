// The information text and the tooltip of a note, character by character.
#include "notes/noteinfo.h"

#include "model/datetime.h"
#include "notes/links.h"
#include "support/member_state.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

class NoteInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUpNoteMember(st, "unused");
        st.NoteTable.resize(1);
        st.NoteTable[0].CreatedAt = makeDateTime(2000, 7, 17, 9, 5, 0);
    }
    NoteRecord& r() { return st.NoteTable[0]; }
    test::TestServices services;
    AppState st{services.services()};
};

TEST_F(NoteInfoTest, AFreshNote) {
    EXPECT_EQ(noteInformation(st, 0, {}),
              "付箋ID: 0\r作成: 2000/07/17 9:05:00\r 期間:無 送信:無\r 送信後受信:無\r 受信確認後削除:無\r 受信:無");
}

TEST_F(NoteInfoTest, StateLinksAndTimers) {
    r().HasPeriod = true;
    r().AllReceived = true;
    r().Text = "http://a.test 12:00\r\n会議 11:00\r\nC:\\x\\y.txt";
    const std::vector<std::string> links = scanNote(st, 0, makeDateTime(2000, 7, 17, 10, 0, 0));
    const std::string head = "付箋ID: 0\r作成: 2000/07/17 9:05:00\r 期間:有 送信:無\r 送信後受信:有\r 受信確認後削除:無\r 受信:無"
                             "\r Shell(1):C:\\x\\y.txt\r タイマ: 00/07/17 12:00 http://a.test";
    struct Case {
        uint16_t flags;
        bool fired;
        const char* alarm;
    } cases[] = {
        {0, false, " 未\r タイマ: 00/07/17 11:00 表示無し 未"},
        {kFlagTimerDialog, false, " 未\r タイマ: 00/07/17 11:00 ダイアログ表示 未"},
        {kFlagTimerBlink, true, " 済\r タイマ: 00/07/17 11:00 ブリンク表示 済"},
    };
    // The whole-day period's end day is the timers' day.
    r().Period.EndAt = makeDate(2000, 7, 17);
    scanNote(st, 0, makeDateTime(2000, 7, 17, 10, 0, 0));
    for (const Case& c : cases) {
        r().Flags = c.flags;
        for (TimerEntry& e : st.TimerTable) e.fired = c.fired;
        EXPECT_EQ(noteInformation(st, 0, links), head + c.alarm) << c.flags;
    }
}

TEST_F(NoteInfoTest, Tooltips) {
    struct Case {
        const char* what;
        void (*set)(NoteRecord&);
        const char* tip;
    } cases[] = {
        {"plain", [](NoteRecord&) {}, ""},
        {"times", [](NoteRecord& n) {
             n.HasPeriod = true;
             n.Period.UseTime = true;
             n.Period.StartAt = makeDateTime(2000, 7, 17, 9, 0, 0);
             n.Period.EndAt = makeDateTime(2000, 7, 17, 17, 30, 0);
         }, "期間:2000/07/17 09:00-17:30"},
        {"days", [](NoteRecord& n) {
             n.HasPeriod = true;
             n.Period.StartAt = makeDate(2000, 7, 17);
             n.Period.EndAt = makeDate(2000, 7, 20);
         }, "期間:2000/07/17-2000/07/20"},
        {"sent, not all received", [](NoteRecord& n) { n.IsSent = true; }, ""},
        {"received by all", [](NoteRecord& n) {
             n.IsSent = n.AllReceived = true;
             n.Partner = {"鈴木 ", makeDateTime(2000, 7, 18, 8, 0, 0)};
         }, "受信者: 鈴木  最終受信2000/07/18 8:00:00"},
        {"received", [](NoteRecord& n) {
             n.IsReceived = true;
             n.Partner = {"佐藤", makeDate(2000, 7, 18)};
         }, "送信者: 佐藤 送信日時2000/07/18"},
    };
    for (const Case& c : cases) {
        r() = NoteRecord{};
        c.set(r());
        EXPECT_EQ(noteTooltip(st, 0), c.tip) << c.what;
    }
}

}  // namespace
