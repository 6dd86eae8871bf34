// The note table: creation and placing, duplicates, periods and colour classes, and what opening a
// note's window takes from (and fixes in) its record, also for a note data file read from disk.
#include "notes/notetable.h"

#include "model/datetime.h"
#include "app/groval.h"
#include "platform/screen.h"
#include "support/scripted_prompter.h"
#include "support/test_services.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

using namespace tw;
using tw::test::ScriptedPrompter;
using tw::test::TempDir;
using tw::test::TestClock;

namespace {

constexpr int kScreenW = 1024 * 15;   // 15360
constexpr int kScreenH = 768 * 15;    // 11520

class NoteTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        st.localConfig = defaultLocalConfig();
    }

    NoteRecord& note(int i) { return st.NoteTable.at(static_cast<size_t>(i)); }

    ScriptedPrompter prompter;
    TestClock clock{makeDateTime(2024, 5, 10, 12, 0, 0)};
    FixedScreen screen{kScreenW, kScreenH, 15};
    EmptySettingsStore store;
    AppState st{Services{prompter, clock, screen, store}};
};

}  // namespace

TEST_F(NoteTableTest, FirstNoteOfAnEmptyTableSitsTopRightWithTheProductName) {
    OpenAllPlan plan = planOpenAll(st);
    ASSERT_TRUE(plan.createFirst);
    EXPECT_EQ(plan.firstTop, 0);
    EXPECT_EQ(plan.firstLeft, kScreenW - 2145);
    EXPECT_TRUE(plan.open.empty());

    EXPECT_EQ(appendNote(st, -1, plan.firstTop, plan.firstLeft), 0);
    const NoteRecord& r = note(0);
    EXPECT_EQ(r.Width, 2145);
    EXPECT_EQ(r.Height, 450);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Left, 13215);
    EXPECT_EQ(r.Text, "タックウィスプ");
    EXPECT_EQ(r.NoteId, 0);
    EXPECT_DOUBLE_EQ(r.CreatedAt, makeDateTime(2024, 5, 10, 12, 0, 0));
    EXPECT_FALSE(r.HasPeriod || r.IsSent || r.IsReceived || r.AllReceived || r.AutoDelete || r.IsPeeled);

    // Only the very first note gets a text.
    EXPECT_EQ(appendNote(st, -1, 100, 100), 1);
    EXPECT_EQ(note(1).Text, "");
    EXPECT_EQ(note(1).NoteId, 1);
}

TEST_F(NoteTableTest, NewNotesTakeTextSizeAndAutoSizeFromTheLocalSettings) {
    st.localConfig.DefaultTextSize = 2;
    st.localConfig.AutoSizeDefault = 3;    // only the lowest bit counts
    appendNote(st, -1, 0, 0);
    EXPECT_EQ(note(0).TextSize, 2);
    EXPECT_EQ(note(0).Flags, kFlagAutoSize);
    st.localConfig.AutoSizeDefault = 2;
    appendNote(st, -1, 0, 0);
    EXPECT_EQ(note(1).Flags, 0);
}

TEST_F(NoteTableTest, NewNoteNearTheBottomRightIsMovedBackOnlyAtBottomAndRight) {
    // A note whose middle lies 100 twips from the bottom right corner.
    TwipsRect w{kScreenW - 1172, kScreenH - 325, 2145, 450};
    TopLeft at = newNotePosition(w);
    EXPECT_EQ(at, (TopLeft{kScreenH - 100, kScreenW - 100}));
    int i = appendNote(st, -1, at.top, at.left);
    EXPECT_EQ(note(i).Top, kScreenH - 450);
    EXPECT_EQ(note(i).Left, kScreenW - 2145);

    // Above and left of the screen nothing is corrected.
    i = appendNote(st, -1, -300, -500);
    EXPECT_EQ(note(i).Top, -300);
    EXPECT_EQ(note(i).Left, -500);

    // Exactly touching the edges stays.
    i = appendNote(st, -1, kScreenH - 450, kScreenW - 2145);
    EXPECT_EQ(note(i).Top, kScreenH - 450);
    EXPECT_EQ(note(i).Left, kScreenW - 2145);
}

TEST_F(NoteTableTest, NewPositionIsTheMiddleRoundedHalvesToEven) {
    EXPECT_EQ(newNotePosition({0, 0, 2145, 451}), (TopLeft{226, 1072}));   // 225.5 -> 226, 1072.5 -> 1072
    EXPECT_EQ(newNotePosition({1, 0, 2145, 449}), (TopLeft{224, 1074}));   // 224.5 -> 224, 1073.5 -> 1074
}

TEST_F(NoteTableTest, DuplicateCopiesLooksAndPeriodButNeverTheSendState) {
    NoteRecord s;
    s.Text = "会議\r\n15:00";
    s.Width = 3000;
    s.Height = 900;
    s.HasPeriod = true;
    s.Period.StartAt = makeDate(2024, 5, 1);
    s.Period.EndAt = makeDate(2024, 6, 1);
    s.Period.UseTime = true;
    s.Period.Reserved = {1, 2, 3, 4};
    s.IsSent = s.IsReceived = s.AllReceived = s.AutoDelete = true;
    s.Partner.PartnerName = "山田";
    s.Partner.PartnerAt = 45000;
    s.ShapeIndex = 2;
    s.TextSize = 12;
    s.Background.PictureFile = "a.jpg";
    s.Background.TextColor = 0x123456;
    s.Background.PictureMode = 1;
    s.Flags = kFlagLocked | kFlagTimerBlink;
    st.NoteTable.push_back(s);

    int i = appendNote(st, 0, 1000, 1000);
    const NoteRecord& d = note(i);
    EXPECT_EQ(d.Text, s.Text);
    EXPECT_EQ(d.Width, 3000);
    EXPECT_EQ(d.Height, 900);
    EXPECT_TRUE(d.HasPeriod);
    EXPECT_DOUBLE_EQ(d.Period.StartAt, s.Period.StartAt);
    EXPECT_DOUBLE_EQ(d.Period.EndAt, s.Period.EndAt);
    EXPECT_TRUE(d.Period.UseTime);
    EXPECT_EQ(d.Period.Reserved, s.Period.Reserved);
    EXPECT_EQ(d.ShapeIndex, 2);
    EXPECT_EQ(d.TextSize, 12);
    EXPECT_EQ(d.Background.PictureFile, "a.jpg");
    EXPECT_EQ(d.Background.TextColor, 0x123456u);
    EXPECT_EQ(d.Background.PictureMode, 1);
    EXPECT_EQ(d.Flags, kFlagLocked | kFlagTimerBlink);
    EXPECT_FALSE(d.IsSent);
    EXPECT_FALSE(d.IsReceived);
    EXPECT_FALSE(d.AllReceived);
    EXPECT_FALSE(d.AutoDelete);
    EXPECT_FALSE(d.IsPeeled);
    EXPECT_EQ(d.Partner.PartnerName, "");
    EXPECT_DOUBLE_EQ(d.Partner.PartnerAt, 0);
    EXPECT_EQ(d.NoteId, 1);
}

TEST_F(NoteTableTest, DuplicateOfANoteNearTheBottomMeetsTheBottomEdge) {
    NoteRecord s;
    s.Width = 2145;
    s.Height = 450;
    st.NoteTable.push_back(s);
    int i = appendNote(st, 0, kScreenH - 100, 500);
    EXPECT_EQ(note(i).Top, kScreenH - 450);
    EXPECT_EQ(note(i).Left, 500);
}

TEST_F(NoteTableTest, CreationFailsCleanlyForAFullTableOrAMissingSource) {
    EXPECT_THROW(appendNote(st, 0, 0, 0), std::out_of_range);
    st.NoteTable.resize(kMaxNotes);
    EXPECT_THROW(appendNote(st, -1, 0, 0), std::length_error);
    EXPECT_EQ(st.NoteTable.size(), static_cast<size_t>(kMaxNotes));
    st.NoteTable.resize(kMaxNotes - 1);
    EXPECT_EQ(appendNote(st, -1, 0, 0), 32766);
    EXPECT_EQ(note(32766).NoteId, 32766);
    EXPECT_EQ(kMaxNotes, 32767) << "the most records a note file may hold";
}

TEST_F(NoteTableTest, NotStartedIsStrictlyAfterNow) {
    NoteRecord r;
    r.HasPeriod = true;
    r.Period.StartAt = clock.now();
    st.NoteTable.push_back(r);
    EXPECT_FALSE(NotStarted(st, 0));
    note(0).Period.StartAt = addSeconds(clock.now(), 1);
    EXPECT_TRUE(NotStarted(st, 0));
    EXPECT_TRUE(hiddenByPeriod(st, 0));
    st.ShowOutOfPeriod = true;
    EXPECT_FALSE(hiddenByPeriod(st, 0));
    note(0).HasPeriod = false;
    EXPECT_FALSE(NotStarted(st, 0));
    EXPECT_FALSE(NotStarted(st, 5));
}

TEST_F(NoteTableTest, ColourClassesOfWholeDayPeriodsAtTheirBoundaries) {
    // Defaults: caution 2 days, warning 0 days.
    const double end = makeDate(2024, 6, 10);
    NoteRecord r;
    r.HasPeriod = true;
    r.Period.StartAt = makeDate(2024, 1, 1);
    r.Period.EndAt = end;
    st.NoteTable.push_back(r);

    clock.set(makeDate(2024, 6, 8));
    EXPECT_EQ(ColourClass(st, 0), 0);
    clock.set(makeDateTime(2024, 6, 8, 0, 0, 1));
    EXPECT_EQ(ColourClass(st, 0), 1);
    clock.set(end);
    EXPECT_EQ(ColourClass(st, 0), 1);
    clock.set(makeDateTime(2024, 6, 10, 0, 0, 1));
    EXPECT_EQ(ColourClass(st, 0), 2);
    clock.set(makeDate(2030, 1, 1));   // long past the end: stays in warning
    EXPECT_EQ(ColourClass(st, 0), 2);
}

TEST_F(NoteTableTest, ColourClassesOfTimedPeriodsAtTheirBoundaries) {
    // Defaults: caution 30 minutes, warning 10 minutes.
    NoteRecord r;
    r.HasPeriod = true;
    r.Period.UseTime = true;
    r.Period.EndAt = makeDateTime(2024, 6, 10, 17, 0, 0);
    st.NoteTable.push_back(r);
    const struct {
        int h, m, s, cls;
    } cases[] = {{16, 30, 0, 0}, {16, 30, 1, 1}, {16, 50, 0, 1}, {16, 50, 1, 2}, {17, 0, 0, 2}};
    for (auto c : cases) {
        clock.set(makeDateTime(2024, 6, 10, c.h, c.m, c.s));
        EXPECT_EQ(ColourClass(st, 0), c.cls) << c.h << ":" << c.m << ":" << c.s;
    }
    // Other lead times from the local settings.
    st.localConfig.WarningLeadMinutes = 0;
    clock.set(makeDateTime(2024, 6, 10, 16, 59, 0));
    EXPECT_EQ(ColourClass(st, 0), 1);
}

TEST_F(NoteTableTest, ColourClassesOfSentAndReceivedNotes) {
    NoteRecord r;
    st.NoteTable.push_back(r);
    EXPECT_EQ(ColourClass(st, 0), 0);
    note(0).IsSent = true;
    EXPECT_EQ(ColourClass(st, 0), 4);
    note(0).IsReceived = true;
    EXPECT_EQ(ColourClass(st, 0), 3);
    // A period decides alone.
    note(0).HasPeriod = true;
    note(0).Period.EndAt = makeDate(2099, 1, 1);
    EXPECT_EQ(ColourClass(st, 0), 0);
}

TEST_F(NoteTableTest, OpeningTakesColoursMarksCaptionAndPlace) {
    st.localConfig.BackColours = {0x10, 0x11, 0x12, 0x13, 0x14};
    st.localConfig.TextColours = {0x20, 0x21, 0x22, 0x23, 0x24};
    NoteRecord r;
    r.Text = "表の文字";
    r.Top = 100;
    r.Left = 200;
    r.Width = 3000;
    r.Height = 600;
    r.IsReceived = true;
    r.Flags = kFlagReversed | kFlagAlwaysFront;
    st.NoteTable.push_back(r);

    NoteWindowPlan p = prepareNoteWindow(st, 0);
    EXPECT_TRUE(p.create);
    EXPECT_TRUE(p.show);
    EXPECT_EQ(p.geometry, (TwipsRect{200, 100, 3000, 600}));
    EXPECT_EQ(p.lblId, "1");
    EXPECT_EQ(p.caption, "裏側");
    EXPECT_EQ(p.backColour, 0x13u);
    EXPECT_EQ(p.textColour, 0x23u);
    EXPECT_TRUE(p.topmost);
    EXPECT_FALSE(p.lineSended);
    EXPECT_FALSE(p.lineOutRange);
    EXPECT_EQ(note(0).Text, "表の文字");   // the record keeps its text
}

TEST_F(NoteTableTest, OpeningMarksSentAndOutOfPeriodNotes) {
    NoteRecord sent;
    sent.IsSent = true;
    sent.HasPeriod = true;   // a sent note shows no period mark
    sent.Period.StartAt = makeDate(2099, 1, 1);
    st.NoteTable.push_back(sent);
    NoteWindowPlan p = prepareNoteWindow(st, 0);
    EXPECT_FALSE(p.lineSended);
    EXPECT_FALSE(p.lineOutRange);
    note(0).AllReceived = true;
    p = prepareNoteWindow(st, 0);
    EXPECT_TRUE(p.lineSended);
    EXPECT_TRUE(p.show);

    NoteRecord later;
    later.HasPeriod = true;
    later.Period.StartAt = addMinutes(clock.now(), 1);
    st.NoteTable.push_back(later);
    p = prepareNoteWindow(st, 1);
    EXPECT_TRUE(p.lineOutRange);
    note(1).Period.StartAt = clock.now();
    EXPECT_FALSE(prepareNoteWindow(st, 1).lineOutRange);
}

TEST_F(NoteTableTest, AllReceivedAutoDeleteNoteIsPeeledAndNeverShown) {
    NoteRecord r;
    r.IsSent = r.AllReceived = r.AutoDelete = true;
    st.NoteTable.push_back(r);
    NoteWindowPlan p = prepareNoteWindow(st, 0);
    EXPECT_TRUE(p.create);
    EXPECT_FALSE(p.show);
    EXPECT_TRUE(note(0).IsPeeled);
    EXPECT_EQ(st.undoCount, 0);
    // Once peeled, no window at all.
    EXPECT_FALSE(prepareNoteWindow(st, 0).create);
}

TEST_F(NoteTableTest, LegacyTextSizesBecomePresetIndices) {
    const struct {
        int16_t stored, index;
    } cases[] = {{9, 0}, {12, 1}, {16, 2}, {13, 0}, {3, 0}, {32767, 0}, {-4, 0}, {0, 0}, {1, 1}, {2, 2}};
    for (auto c : cases) {
        AppState s(st.sys);
        s.localConfig = defaultLocalConfig();
        s.localConfig.Fonts[0].FontSize = 8;
        s.localConfig.Fonts[1].FontSize = 11;
        s.localConfig.Fonts[2].FontSize = 20;
        NoteRecord r;
        r.TextSize = c.stored;
        s.NoteTable.push_back(r);
        EXPECT_EQ(normaliseTextSize(s, 0), c.index) << c.stored;
        EXPECT_EQ(s.NoteTable[0].TextSize, c.index) << c.stored;
        const bool legacy = c.stored > 2;
        EXPECT_EQ(s.localConfig.Fonts[0].FontSize, legacy ? 9 : 8) << c.stored;
        EXPECT_EQ(s.localConfig.Fonts[1].FontSize, legacy ? 12 : 11) << c.stored;
        EXPECT_EQ(s.localConfig.Fonts[2].FontSize, legacy ? 16 : 20) << c.stored;
    }
}

TEST_F(NoteTableTest, PresetOnlyWithAFontName) {
    st.localConfig.Fonts[1].FontName = "ＭＳ Ｐゴシック";
    st.localConfig.Fonts[0].FontName = "";
    EXPECT_EQ(presetFor(st, 1), &st.localConfig.Fonts[1]);
    EXPECT_EQ(presetFor(st, 0), nullptr);
    EXPECT_EQ(presetFor(st, 3), nullptr);
    EXPECT_EQ(presetFor(st, -1), nullptr);
}

TEST_F(NoteTableTest, DamagedSizesOpenAtTheMinimum) {
    NoteRecord r;
    r.Width = 0;
    r.Height = -300;
    st.NoteTable.push_back(r);
    NoteWindowPlan p = prepareNoteWindow(st, 0);
    EXPECT_EQ(p.geometry.width, 160);
    EXPECT_EQ(p.geometry.height, 160);
    EXPECT_EQ(note(0).Width, 160);
    EXPECT_EQ(note(0).Height, 160);
    EXPECT_FALSE(prepareNoteWindow(st, 7).create);
    EXPECT_FALSE(prepareNoteWindow(st, -1).create);
}

// The note file of the binding example, written to disk and read by the one access routine: the
// second note has not started, the third is peeled.
TEST_F(NoteTableTest, NoteFileWithAPeeledAndANotStartedRecordBindsByIndex) {
    TempDir shared;
    st.SharedPath = shared.str();
    st.CurrentMemberId = 4;
    st.sys.retrySeconds = 0;

    NoteRecord first;
    first.NoteId = 7;   // whatever an earlier run left there
    first.Text = "一枚目";
    first.Width = 2145;
    first.Height = 450;
    first.TextSize = 12;
    NoteRecord second = first;
    second.NoteId = 8;
    second.Text = "二枚目";
    second.TextSize = 0;
    second.HasPeriod = true;
    second.Period.StartAt = addMinutes(clock.now(), 1);
    NoteRecord third = first;
    third.NoteId = 9;
    third.TextSize = 0;
    third.IsPeeled = true;
    ByteWriter w;
    encode(w, first);
    encode(w, second);
    encode(w, third);
    {
        std::ofstream out(shared.file("ID00004.FDT"), std::ios::binary);
        out.write(w.data().data(), static_cast<std::streamsize>(w.data().size()));
    }

    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    ASSERT_EQ(st.NoteTable.size(), 3u);

    OpenAllPlan plan = planOpenAll(st);
    EXPECT_FALSE(plan.createFirst);
    EXPECT_EQ(plan.open, (std::vector<int>{0, 2}));

    NoteWindowPlan p0 = prepareNoteWindow(st, 0);
    EXPECT_TRUE(p0.create);
    EXPECT_EQ(p0.lblId, "1");
    EXPECT_EQ(note(0).NoteId, 0);
    EXPECT_EQ(p0.caption, "一枚目");
    // Text size 12 of an older version opens medium and is stored as 1.
    EXPECT_EQ(p0.textSize, 1);
    EXPECT_EQ(note(0).TextSize, 1);
    EXPECT_FALSE(prepareNoteWindow(st, 2).create);
    // A record that gets no window keeps its number from the file.
    EXPECT_EQ(note(1).NoteId, 8);
    EXPECT_EQ(note(2).NoteId, 9);

    // The text size goes back to the file as 1.
    ASSERT_TRUE(AccessSharedFile(st, kModeWrite, kKindNotes));
    st.NoteTable.clear();
    ASSERT_TRUE(AccessSharedFile(st, kModeRead, kKindNotes));
    ASSERT_EQ(st.NoteTable.size(), 2u);   // the peeled one is left out
    EXPECT_EQ(note(0).TextSize, 1);
    EXPECT_EQ(note(0).NoteId, 0);

    // With out-of-period notes shown, the second opens too, with its mark.
    st.ShowOutOfPeriod = true;
    EXPECT_EQ(planOpenAll(st).open, (std::vector<int>{0, 1}));
    EXPECT_TRUE(prepareNoteWindow(st, 1).lineOutRange);
}
