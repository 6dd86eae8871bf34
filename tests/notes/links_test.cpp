// Links and timed lines: which lines are which, what a scan arms, when and how a timer fires, and
// that a received note's timed link opens nothing unasked.
#include "notes/links.h"

#include "model/datetime.h"
#include "platform/shell.h"
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
        {"https://example.test/a", false, true},
        {"https://example.test 12:00", true, true},
        {"HTTPS://example.test/a", false, false},
        {"https:/example.test", false, false},      // one slash only
        {"ftp://example.test/a", false, false},
        {"/home/sato/report.txt", false, true},
        {"/home/sato/資料", false, true},            // no dot needed, any name
        {"/tmp/a.txt 9:30", true, true},
        {"/etc", false, true},
        {"/", false, false},                         // no name after the slash
        {"//server/share", false, false},
        {"/ 区切り", false, false},                   // a blank after the slash
        {"/　全角の空白", false, false},
        {"home/sato/report.txt", false, false},      // relative
        {" /home/sato/report.txt", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isTimedLine(c.line), c.timed) << c.line;
        EXPECT_EQ(isLinkLine(c.line), c.link) << c.line;
    }
}

TEST(NoteLines, AScanOffersHttpsAndPosixPathLinks) {
    test::TestServices services;
    AppState st{services.services()};
    st.NoteTable.resize(1);
    st.NoteTable[0].Text = "https://a.test/x\r\n/home/sato/a.txt\r\n/ メモ\r\n/srv/tool.sh 10:30";
    EXPECT_EQ(scanNote(st, 0, makeDateTime(2000, 7, 17, 10, 0, 0)),
              (std::vector<std::string>{"https://a.test/x", "/home/sato/a.txt"}));
    ASSERT_EQ(st.TimerTable.size(), 1u);
    EXPECT_EQ(st.TimerTable[0].message, "/srv/tool.sh");
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
        {"https://example.test/x", false, true, "https://example.test/x"},
        {"https://example.test/x", true, true, "https://example.test/x"},
        {"/home/sato/a.txt", false, false, "/home/sato/a.txt"},
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

TEST_F(TimerTableTest, AClickedLinkOpensOrTheMemberIsToldWhyNot) {
    shell.files = {"C:\\a\\b.txt", "/home/sato/b.txt", "/home/sato/b.xyz"};
    // Nothing on the computer opens these: no browser, no program for the file.
    shell.refused = {"https://nobrowser.test", "/home/sato/b.xyz"};
    const std::string notFound = "ファイル: %sは見つかりません";
    const std::string notOpened = "リンク: %sを開けません\r開くためのプログラム（ブラウザなど）が見つかりません";
    struct Case {
        const char* link;
        bool opened;
        std::string box;   // the text of the box told, with %s for the link; empty: none
    } cases[] = {
        {"http://a.test", true, ""},
        {"https://a.test/?q=1", true, ""},
        {"C:\\a\\b.txt", true, ""},
        {"/home/sato/b.txt", true, ""},
        {"C:\\a\\c.txt", false, notFound},
        {"/home/sato/c.txt", false, notFound},
        {"https://nobrowser.test", false, notOpened},
        {"/home/sato/b.xyz", false, notOpened},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        shell.opened.clear();
        std::string text = c.box;
        if (!text.empty()) {
            text.replace(text.find("%s"), 2, c.link);
            services.prompter.expect("確認", text, Icon::Information, Buttons::Ok, Answer::Ok);
        }
        EXPECT_EQ(openLink(st, shell, c.link), c.opened);
        EXPECT_EQ(shell.opened, c.opened ? std::vector<std::string>{c.link} : std::vector<std::string>{});
        EXPECT_TRUE(services.prompter.done());
    }
}

TEST_F(TimerTableTest, AFiredLinkThatNothingOpensIsTold) {
    shell.files = {"/srv/a.xyz"};
    shell.refused = {"https://a.test", "/srv/a.xyz"};
    const std::string text = "\r開くためのプログラム（ブラウザなど）が見つかりません";
    services.prompter.expect("確認", "リンク: https://a.testを開けません" + text, Icon::Information, Buttons::Ok, Answer::Ok);
    openFiredLink(st, shell, {AlarmAction::Open, 0, "https://a.test"});
    services.prompter.expect("確認", "/srv/a.xyzを開きますか？", Icon::Information, Buttons::YesNo, Answer::Yes);
    services.prompter.expect("確認", "リンク: /srv/a.xyzを開けません" + text, Icon::Information, Buttons::Ok, Answer::Ok);
    openFiredLink(st, shell, {AlarmAction::AskToOpen, 0, "/srv/a.xyz"});
    EXPECT_TRUE(shell.opened.empty());
}

}  // namespace
