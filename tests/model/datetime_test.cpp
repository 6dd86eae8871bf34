#include "model/datetime.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tw;

TEST(DateTime, DayCountsMatchTheFiles) {
    EXPECT_DOUBLE_EQ(makeDateTime(2000, 7, 17, 9, 0, 0), 36724.375);
    EXPECT_DOUBLE_EQ(makeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(makeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(makeDateTime(1899, 12, 29, 6, 0, 0), -1.25);
    DateParts p = splitDateTime(-1.25);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
}

TEST(DateTime, ArithmeticAndFormats) {
    double t = makeDateTime(2000, 2, 28, 23, 50, 0);
    EXPECT_EQ(generalDateText(addMinutes(t, 20)), "2000/02/29 0:10:00");
    EXPECT_EQ(generalDateText(addDays(t, 2)), "2000/03/01 23:50:00");
    EXPECT_EQ(generalDateText(makeDate(2000, 7, 17)), "2000/07/17");
    EXPECT_EQ(generalDateText(36724.375), "2000/07/17 9:00:00");
    EXPECT_EQ(formatDate(t, "yy/mm/dd hh:mm"), "00/02/28 23:50");
    EXPECT_EQ(formatDate(t, "hh:mm"), "23:50");
    EXPECT_EQ(formatDate(t, "yyyy/mm/dd"), "2000/02/28");
    EXPECT_DOUBLE_EQ(dateOnly(t), makeDate(2000, 2, 28));
    // Across the odd negative encoding before the base day.
    EXPECT_DOUBLE_EQ(addHours(makeDate(1899, 12, 30), -18), -1.25);
}

TEST(DateTime, DayCountsFromDamagedFilesStayInTheDateRange) {
    // The bytes ff ff ff ff ff ff 00 64 read as a double are about 2.5e175; none of these may leave
    // the range of an integer on their way to calendar fields.
    const struct {
        double days;
        const char* text;
    } cases[] = {
        {2.5e175, "9999/12/31 23:59:59"},
        {9.3e18, "9999/12/31 23:59:59"},
        {std::numeric_limits<double>::infinity(), "9999/12/31 23:59:59"},
        {2958466.0, "9999/12/31 23:59:59"},
        {2958465.0, "9999/12/31"},
        {-9.3e18, "100/01/01"},
        {-std::numeric_limits<double>::infinity(), "100/01/01"},
        {-657434.0, "100/01/01"},
        {-657433.5, "100/01/02 12:00:00"},
        {-657434.5, "100/01/01 12:00:00"},   // the first day keeps its times of day
    };
    for (const auto& c : cases) EXPECT_EQ(generalDateText(c.days), c.text) << c.days;
    EXPECT_EQ(formatDate(-1e300, "yyyy"), "100");
    // A moment a hair before a midnight below day 0 is that midnight, not two days off.
    EXPECT_EQ(generalDateText(fromSerialSeconds(-7.3e-12)), "1899/12/30");
    EXPECT_EQ(generalDateText(addSeconds(0.0, -1e-9)), "1899/12/30");
    EXPECT_EQ(generalDateText(std::numeric_limits<double>::quiet_NaN()), "1899/12/30");
}
