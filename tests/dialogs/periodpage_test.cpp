// The rules of the period page: what it shows for a note, which texts it accepts, the spins, the
// day reset, the time rule and what OK stores.
#include "dialogs/periodpage.h"

#include "model/datetime.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace tw;

namespace {

// 2026-05-17 09:37:12. A function, not a constant: the date helpers are not ready while globals are made.
double now() { return makeDateTime(2026, 5, 17, 9, 37, 12); }

// A page prepared for a note without a period at now(), with the start side set to y/m/d and time.
PeriodPageState startSide(NoteRecord& note, const std::string& y, const std::string& m, const std::string& d,
                          const std::string& time = "09:37") {
    PeriodPageState page = preparePeriodPage(note, now());
    page.setText(kPeriodStartYear, y);
    page.setText(kPeriodStartMonth, m);
    page.setText(kPeriodStartDay, d);
    page.setText(kPeriodStartTime, time);
    return page;
}

std::array<std::string, 8> texts(const PeriodPageState& page) {
    std::array<std::string, 8> all;
    for (int f = 0; f < kPeriodFieldCount; ++f) all[static_cast<size_t>(f)] = page.text(f);
    return all;
}

}  // namespace

TEST(PeriodPage, NoteWithoutPeriodStartsTodayWithTimesAndUseTimeAtOnce) {
    NoteRecord note;
    const PeriodPageState page = preparePeriodPage(note, now());
    EXPECT_EQ(texts(page), (std::array<std::string, 8>{"2026", "5", "17", "2026", "5", "17", "09:37", "09:37"}));
    EXPECT_TRUE(page.timesEnabled && page.datesEnabled && page.spinsEnabled);
    EXPECT_FALSE(page.clearRequested);
    EXPECT_TRUE(note.Period.UseTime);
    EXPECT_FALSE(note.HasPeriod);
}

TEST(PeriodPage, NoteWithPeriodShowsItAndKeepsItsUseTime) {
    NoteRecord note;
    note.HasPeriod = true;
    note.Period = {makeDateTime(2027, 1, 3, 8, 5, 0), makeDate(2027, 11, 30), false, {}};
    const PeriodPageState page = preparePeriodPage(note, now());
    EXPECT_EQ(texts(page), (std::array<std::string, 8>{"2027", "1", "3", "2027", "11", "30", "08:05", "00:00"}));
    EXPECT_FALSE(page.timesEnabled);
    EXPECT_FALSE(note.Period.UseTime);
}

TEST(PeriodPage, FieldChecks) {
    const struct {
        const char* y;
        const char* m;
        const char* d;
        const char* time;
        int field;
        bool valid;
    } cases[] = {
        {"2026", "5", "17", "09:37", kPeriodStartYear, true},
        {"1997", "5", "17", "09:37", kPeriodStartYear, true},
        {"9999", "12", "31", "09:37", kPeriodStartYear, true},
        {"1996", "5", "17", "09:37", kPeriodStartYear, false},
        {"10000", "5", "17", "09:37", kPeriodStartYear, false},
        {"", "5", "17", "09:37", kPeriodStartYear, false},
        {"20x6", "5", "17", "09:37", kPeriodStartYear, false},
        {"2026", "0", "17", "09:37", kPeriodStartMonth, false},
        {"2026", "13", "17", "09:37", kPeriodStartMonth, false},
        {"2026", "1", "17", "09:37", kPeriodStartMonth, true},
        {"2026", "12", "17", "09:37", kPeriodStartMonth, true},
        {"2024", "2", "29", "09:37", kPeriodStartDay, true},
        {"2000", "2", "29", "09:37", kPeriodStartDay, true},
        {"2026", "2", "29", "09:37", kPeriodStartDay, false},
        {"2100", "2", "29", "09:37", kPeriodStartDay, false},
        {"2026", "4", "31", "09:37", kPeriodStartDay, false},
        {"2026", "4", "0", "09:37", kPeriodStartDay, false},
        {"2026", "4", "", "09:37", kPeriodStartDay, false},
        {"2026", "5", "17", "9:05", kPeriodStartTime, true},
        {"2026", "5", "17", "23:59:59", kPeriodStartTime, true},
        {"2026", "5", "17", "24:00", kPeriodStartTime, false},
        {"2026", "5", "17", "12:60", kPeriodStartTime, false},
        {"2026", "5", "17", "12", kPeriodStartTime, false},
        {"2026", "5", "17", "", kPeriodStartTime, false},
    };
    for (const auto& c : cases) {
        NoteRecord note;
        const PeriodPageState page = startSide(note, c.y, c.m, c.d, c.time);
        EXPECT_EQ(periodFieldValid(page, c.field), c.valid)
            << c.y << "/" << c.m << "/" << c.d << " " << c.time << " field " << c.field;
    }
}

TEST(PeriodPage, SpinSteps) {
    // The start side is set to the date and time; `expected` is the field's text afterwards, the old
    // text when the step is refused.
    const struct {
        const char* y;
        const char* m;
        const char* d;
        const char* time;
        int field;
        int step;
        const char* expected;
        bool accepted;
    } cases[] = {
        {"2026", "5", "17", "09:37", kPeriodStartYear, +1, "2027", true},
        {"9998", "5", "17", "09:37", kPeriodStartYear, +1, "9999", true},
        {"9999", "5", "17", "09:37", kPeriodStartYear, +1, "9999", false},
        {"1997", "5", "17", "09:37", kPeriodStartYear, -1, "1997", false},
        {"2026", "12", "17", "09:37", kPeriodStartMonth, +1, "12", false},
        {"2026", "1", "17", "09:37", kPeriodStartMonth, -1, "1", false},
        {"2024", "2", "28", "09:37", kPeriodStartDay, +1, "29", true},
        {"2026", "2", "28", "09:37", kPeriodStartDay, +1, "28", false},
        {"2026", "5", "1", "09:37", kPeriodStartDay, -1, "1", false},
        {"2026", "5", "17", "09:37", kPeriodStartTime, +1, "09:40", true},
        {"2026", "5", "17", "09:37", kPeriodStartTime, -1, "09:20", true},
        {"2026", "5", "17", "9:50", kPeriodStartTime, +1, "10:00", true},
        {"2026", "5", "17", "23:55", kPeriodStartTime, +1, "00:00", true},
        {"2026", "5", "17", "00:00", kPeriodStartTime, -1, "23:50", true},
        {"2026", "5", "17", "25:00", kPeriodStartTime, +1, "25:00", false},
        {"2147483647", "5", "17", "09:37", kPeriodStartYear, +1, "2147483647", false},
        {"2026", "2147483647", "17", "09:37", kPeriodStartMonth, +1, "2147483647", false},
        {"2026", "5", "2147483647", "09:37", kPeriodStartDay, +1, "2147483647", false},
        {"2026", "5", "2147483648", "09:37", kPeriodStartDay, -1, "2147483648", false},
    };
    for (const auto& c : cases) {
        NoteRecord note;
        PeriodPageState page = startSide(note, c.y, c.m, c.d, c.time);
        EXPECT_EQ(spinPeriodField(page, c.field, c.step, note, now()), c.accepted) << c.expected;
        EXPECT_EQ(page.text(c.field), c.expected);
    }
}

TEST(PeriodPage, DayResetAfterMonthOrYearMoveComesBeforeTheTimeRule) {
    NoteRecord note;
    PeriodPageState page = startSide(note, "2026", "1", "31");
    page.setText(kPeriodEndMonth, "2");
    page.setText(kPeriodEndDay, "1");
    applyPeriodTimeRule(page, note, now());
    ASSERT_FALSE(page.timesEnabled);

    // January 31 moved to February is February 1: the same day as the end, so the times come back.
    ASSERT_TRUE(spinPeriodField(page, kPeriodStartMonth, +1, note, now()));
    EXPECT_EQ(page.text(kPeriodStartMonth), "2");
    EXPECT_EQ(page.text(kPeriodStartDay), "1");
    EXPECT_TRUE(page.timesEnabled);
    EXPECT_TRUE(note.Period.UseTime);

    // February 29 of a leap year moved to the next year.
    page = startSide(note, "2024", "2", "29");
    ASSERT_TRUE(spinPeriodField(page, kPeriodStartYear, +1, note, now()));
    EXPECT_EQ(page.text(kPeriodStartDay), "1");
}

TEST(PeriodPage, TimeRuleFollowsTheDaysAndWritesUseTimeAtOnce) {
    NoteRecord note;
    PeriodPageState page = preparePeriodPage(note, now());
    page.setText(kPeriodEndDay, "18");
    ASSERT_TRUE(periodFieldLeft(page, kPeriodEndDay, note, now()));
    EXPECT_FALSE(page.timesEnabled);
    EXPECT_EQ(page.times, (std::array<std::string, 2>{"00:00", "00:00"}));
    EXPECT_FALSE(note.Period.UseTime);
    EXPECT_FALSE(spinPeriodField(page, kPeriodStartTime, +1, note, now()));   // times are off

    page.setText(kPeriodEndDay, "17");
    ASSERT_TRUE(periodFieldLeft(page, kPeriodEndDay, note, addMinutes(now(), 65)));
    EXPECT_TRUE(page.timesEnabled);
    EXPECT_EQ(page.times, (std::array<std::string, 2>{"10:42", "10:42"}));
    EXPECT_TRUE(note.Period.UseTime);
    EXPECT_FALSE(note.HasPeriod);   // nothing else is stored before OK
}

TEST(PeriodPage, RefusedFieldChangesNothingElse) {
    NoteRecord note;
    PeriodPageState page = preparePeriodPage(note, now());
    page.setText(kPeriodEndDay, "32");
    const PeriodPageState before = page;
    EXPECT_FALSE(periodFieldLeft(page, kPeriodEndDay, note, now()));
    EXPECT_EQ(texts(page), texts(before));
    EXPECT_TRUE(page.timesEnabled);
    EXPECT_TRUE(note.Period.UseTime);
}

TEST(PeriodPage, OkStoresThePeriodToTheMinute) {
    NoteRecord note;
    PeriodPageState page = preparePeriodPage(note, now());
    page.setText(kPeriodEndMonth, "05");   // the same day written with a zero
    page.setText(kPeriodEndTime, "17:30:45");
    ASSERT_TRUE(storePeriodPage(page, note));
    EXPECT_TRUE(note.HasPeriod);
    EXPECT_DOUBLE_EQ(note.Period.StartAt, makeDateTime(2026, 5, 17, 9, 37, 0));
    EXPECT_DOUBLE_EQ(note.Period.EndAt, makeDateTime(2026, 5, 17, 17, 30, 0));
    EXPECT_TRUE(note.Period.UseTime);

    page = preparePeriodPage(note, now());
    page.setText(kPeriodEndYear, "9999");
    ASSERT_TRUE(periodFieldLeft(page, kPeriodEndYear, note, now()));
    ASSERT_TRUE(storePeriodPage(page, note));
    EXPECT_DOUBLE_EQ(note.Period.EndAt, makeDate(9999, 5, 17));
    EXPECT_DOUBLE_EQ(note.Period.StartAt, makeDate(2026, 5, 17));
    EXPECT_FALSE(note.Period.UseTime);

    // A field that is not acceptable leaves the note as it was.
    const NotePeriod kept = note.Period;
    page.setText(kPeriodStartMonth, "13");
    EXPECT_EQ(firstInvalidPeriodField(page), kPeriodStartMonth);
    EXPECT_FALSE(storePeriodPage(page, note));
    EXPECT_DOUBLE_EQ(note.Period.StartAt, kept.StartAt);
    EXPECT_DOUBLE_EQ(note.Period.EndAt, kept.EndAt);
}

TEST(PeriodPage, ClearThenOkRemovesThePeriod) {
    NoteRecord note;
    note.HasPeriod = true;
    note.Period = {makeDate(2026, 5, 1), makeDate(2026, 5, 31), false, {}};
    PeriodPageState page = preparePeriodPage(note, now());
    clearPeriodPage(page);
    EXPECT_EQ(texts(page), (std::array<std::string, 8>{}));
    EXPECT_FALSE(page.datesEnabled || page.timesEnabled || page.spinsEnabled);
    EXPECT_FALSE(spinPeriodField(page, kPeriodStartMonth, +1, note, now()));
    EXPECT_EQ(firstInvalidPeriodField(page), -1);

    ASSERT_TRUE(storePeriodPage(page, note));
    EXPECT_FALSE(note.HasPeriod);
    EXPECT_FALSE(page.clearRequested);
    EXPECT_FALSE(page.datesEnabled);   // empty and off until the page is prepared again
    EXPECT_TRUE(preparePeriodPage(note, now()).datesEnabled);
}
