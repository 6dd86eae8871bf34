// Links and timed lines: which lines are which, what a scan arms, when and how a timer fires, and
// that a received note's timed link opens nothing unasked.
#include "notes/links.h"

#include "model/datetime.h"
#include "support/member_state.h"
#include "support/recording_shell.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

TEST(NoteLines, SplitAtCarriageReturnsDroppingEmptyLinesButTheLast) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "b"}},
        {"a\r\n", {"a", ""}},
        {"\r\n\r\n", {"\r\n\r\n"}},   // no line taken: the whole text is the line
        {"\r\nx", {"\r\nx"}},    // the empty first segment is no line: still none taken
    };
    for (const Case& c : cases) EXPECT_EQ(splitNoteLines(c.text), c.lines) << c.text;
}

TEST(NoteLines, TimedAndLinkPatterns) {
    struct Case {
        const char* line;
        bool timed, link;
    } cases[] = {
        {"会議 9:30", true, false},
        {"会議 09:30", true, false},
        {"会議 23:59", true, false},
        {"会議09:30", false, false},          // no blank before the time
        {"会議 9:60", false, false},          // minutes 60
        {"会議 9:3", false, false},
        {"9:30", false, false},
        {"http://example.test/a", false, true},
        {"HTTP://example.test/a", false, false},   // letter case counts
        {"http://example.test 12:00", true, true},
        {"\\\\server\\share\\report.txt", false, true},
        {"\\\\server\\share", false, false},        // no dot after a further backslash
        {"C:\\folder\\file.ext", false, true},
        {"C:\\folder\\file", false, false},         // no dot after the backslash
        {"C:folder.txt", false, false},
        {"\\\\server\\tool.exe 12:00", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isTimedLine(c.line), c.timed) << c.line;
        EXPECT_EQ(isLinkLine(c.line), c.link) << c.line;
    }
}

TEST(ShellTargets, EachPlatformGetsWhatItCanOpen) {
    struct Case {
        const char* link;
        bool windows, isAddress;
        const char* text;
    } cases[] = {
        {"http://example.test/x", false, true, "http://example.test/x"},
        {"\\\\server\\share\\a.txt", false, true, "smb://server/share/a.txt"},
        {"C:\\tmp\\a.txt", false, false, "/tmp/a.txt"},
        {"\\\\server\\share\\a.txt", true, false, "//server/share/a.txt"},
        {"C:\\tmp\\a.txt", true, false, "C:/tmp/a.txt"},
    };
    for (const Case& c : cases) {
        const ShellTarget t = shellTarget(c.link, c.windows);
        EXPECT_EQ(t.isAddress, c.isAddress) << c.link;
        EXPECT_EQ(t.text, c.text) << c.link;
    }
}

class TimerTableTest : public ::testing::Test {
protected:
    void SetUp() override { test::setUpNoteMember(st, "unused"); }
    int add(const std::string& text) {
        NoteRecord r;
        r.Text = text;
        r.NoteId = static_cast<int16_t>(st.NoteTable.size());
        st.NoteTable.push_back(r);
        return r.NoteId;
    }
    std::vector<AlarmAction> fireAt(double t) { return takeDueTimers(st, t, shell); }

    test::TestServices services;
    AppState st{services.services()};
    test::RecordingShell shell;
    const double morning = makeDateTime(2000, 7, 17, 10, 0, 0);
};

TEST_F(TimerTableTest, ScanArmsTimersAndOffersUntimedLinks) {
    const int n = add("予定 11:15\r\nhttp://a.test\r\nhttp://b.test 12:00\r\nC:\\x\\y.txt\r\n会議 9:30");
    EXPECT_EQ(scanNote(st, n, morning), (std::vector<std::string>{"http://a.test", "C:\\x\\y.txt"}));
    ASSERT_EQ(st.TimerTable.size(), 3u);
    EXPECT_EQ(st.TimerTable[0].message, "");
    EXPECT_DOUBLE_EQ(st.TimerTable[0].due, makeDateTime(2000, 7, 17, 11, 15, 0));
    EXPECT_EQ(st.TimerTable[1].message, "http://b.test");
    EXPECT_DOUBLE_EQ(st.TimerTable[1].due, makeDateTime(2000, 7, 17, 12, 0, 0));
    // Already past today: tomorrow.
    EXPECT_DOUBLE_EQ(st.TimerTable[2].due, makeDateTime(2000, 7, 18, 9, 30, 0));
    EXPECT_TRUE(hasNoteAlarm(st, n));

    // A second scan replaces the note's entries and leaves another note's alone.
    const int other = add("x 10:30");
    scanNote(st, other, morning);
    st.NoteTable[static_cast<size_t>(n)].Text = "nothing timed";
    scanNote(st, n, morning);
    ASSERT_EQ(st.TimerTable.size(), 1u);
    EXPECT_EQ(st.TimerTable[0].note, other);
    EXPECT_FALSE(hasNoteAlarm(st, n));
}

TEST_F(TimerTableTest, WhatArmsNothing) {
    const int sent = add("締切 11:00");
    st.NoteTable[0].IsSent = true;
    EXPECT_TRUE(scanNote(st, sent, morning).empty());
    const int six = add("http://1.test\r\nhttp://2.test\r\nhttp://3.test\r\nhttp://4.test\r\nhttp://5.test\r\n"
                        "http://6.test\r\nx 11:00");
    // Only the first four links; the scan stops there.
    EXPECT_EQ(scanNote(st, six, morning).size(), 4u);
    const int late = add("x 29:00");
    scanNote(st, late, morning);
    st.blinkRunning = true;
    const int blinking = add("x 11:00");
    scanNote(st, blinking, morning);
    EXPECT_TRUE(st.TimerTable.empty());
}

TEST_F(TimerTableTest, WholeDayPeriodTakesItsEndDayAndTheReferenceShiftsNoteAlarms) {
    const int n = add("x 11:00\r\nhttp://a.test 11:00");
    NoteRecord& r = st.NoteTable[0];
    r.HasPeriod = true;
    r.Period.EndAt = makeDate(2000, 7, 20);
    struct Case {
        int16_t base;
        double alarm;
    } cases[] = {
        {0, makeDateTime(2000, 7, 20, 11, 0, 0)},
        {1, makeDateTime(2000, 7, 20, 10, 50, 0)},   // warning lead 10 minutes
        {2, makeDateTime(2000, 7, 20, 10, 30, 0)},   // caution lead 30 minutes
    };
    for (const Case& c : cases) {
        st.localConfig.TimerBase = c.base;
        scanNote(st, n, morning);
        ASSERT_EQ(st.TimerTable.size(), 2u);
        EXPECT_DOUBLE_EQ(st.TimerTable[0].due, c.alarm) << c.base;
        EXPECT_DOUBLE_EQ(st.TimerTable[1].due, makeDateTime(2000, 7, 20, 11, 0, 0)) << c.base;   // a link is not shifted
    }
}

TEST_F(TimerTableTest, FiringOnceAfterTheDueMomentAsTheNoteSays) {
    add("box 10:01");
    st.NoteTable[0].set(kFlagTimerDialog, true);
    add("blink 10:01");
    st.NoteTable[1].set(kFlagTimerBlink, true);
    add("quiet 10:01");
    add("http://a.test 10:01\r\n\\\\srv\\tool.exe 10:01\r\nC:\\here\\a.txt 10:01");
    shell.files.insert("C:\\here\\a.txt");
    for (int n = 0; n < 4; ++n) scanNote(st, n, morning);

    EXPECT_TRUE(fireAt(makeDateTime(2000, 7, 17, 10, 1, 0)).empty());   // not before its moment
    const auto fired = fireAt(makeDateTime(2000, 7, 17, 10, 1, 1));
    const std::vector<std::pair<AlarmAction::Kind, std::string>> want = {
        {AlarmAction::ShowBox, ""},
        {AlarmAction::Blink, ""},
        {AlarmAction::Silent, ""},
        {AlarmAction::Open, "http://a.test"},
        {AlarmAction::NotFound, "\\\\srv\\tool.exe"},
        {AlarmAction::Open, "C:\\here\\a.txt"},
    };
    ASSERT_EQ(fired.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(fired[k].kind, want[k].first) << k;
        EXPECT_EQ(fired[k].link, want[k].second) << k;
    }
    EXPECT_TRUE(fireAt(makeDateTime(2000, 7, 17, 11, 0, 0)).empty());   // each fires once
}

TEST_F(TimerTableTest, AReceivedNotesTimedLinkOpensOnlyWhenTheMemberAgrees) {
    add("\\\\server\\tool.exe 10:05\r\nhttp://a.test 10:05");
    st.NoteTable[0].IsReceived = true;
    shell.files.insert("\\\\server\\tool.exe");
    scanNote(st, 0, morning);
    const auto fired = fireAt(makeDateTime(2000, 7, 17, 10, 6, 0));
    ASSERT_EQ(fired.size(), 2u);
    services.prompter.expect("確認", "\\\\server\\tool.exeを開きますか？", Icon::Information, Buttons::YesNo,
                             Answer::No);
    services.prompter.expect("確認", "http://a.testを開きますか？", Icon::Information, Buttons::YesNo,
                             Answer::Yes);
    for (const AlarmAction& a : fired) {
        EXPECT_EQ(a.kind, AlarmAction::AskToOpen);
        openFiredLink(st, shell, a);
    }
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://a.test"});
}

TEST_F(TimerTableTest, AClickedLinkOpensOrIsReportedMissing) {
    shell.files.insert("C:\\a\\b.txt");
    EXPECT_TRUE(openLink(st, shell, "http://a.test"));
    EXPECT_TRUE(openLink(st, shell, "C:\\a\\b.txt"));
    services.prompter.expect("確認", "ファイル: C:\\a\\c.txtは見つかりません", Icon::Information, Buttons::Ok, Answer::Ok);
    EXPECT_FALSE(openLink(st, shell, "C:\\a\\c.txt"));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://a.test", "C:\\a\\b.txt"}));
}

}  // namespace
