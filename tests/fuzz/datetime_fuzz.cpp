// Date-times as the files hold them: any 8 bytes read as a day count, from another member's record.
// Splitting, formatting and stepping them never goes wrong (the build stops on any undefined
// behaviour) and always gives a date of the program's range, 0100-01-01 00:00:00 to 9999-12-31
// 23:59:59; a date-time made from those parts splits to the same parts again, and a step of a day
// or of seconds lands where the calendar says.
//
// Input: the day count (8 bytes), a step (8 bytes: a double), then a format pattern of any bytes.
#include "fuzz_support.h"

#include "model/datetime.h"

#include <cmath>

using namespace tw;
using namespace tw::fuzz;

namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

bool inRange(const DateParts& p) {
    return p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
           p.day <= daysInMonth(p.year, p.month) && p.hour >= 0 && p.hour <= 23 && p.minute >= 0 &&
           p.minute <= 59 && p.second >= 0 && p.second <= 59;
}

bool same(const DateParts& a, const DateParts& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

DateParts nextDay(DateParts p) {
    if (++p.day > daysInMonth(p.year, p.month)) {
        p.day = 1;
        if (++p.month > 12) {
            p.month = 1;
            ++p.year;
        }
    }
    return p;
}

std::string two(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

std::string dateText(const DateParts& p) { return std::to_string(p.year) + "/" + two(p.month) + "/" + two(p.day); }

// "2000/07/17 9:00:00"; the date alone at midnight; the time alone on day 0 (1899-12-30).
std::string generalText(const DateParts& p) {
    const std::string time = std::to_string(p.hour) + ":" + two(p.minute) + ":" + two(p.second);
    if (p.hour == 0 && p.minute == 0 && p.second == 0) return dateText(p);
    if (p.year == 1899 && p.month == 12 && p.day == 30) return time;
    return dateText(p) + " " + time;
}

double doubleAt(const uint8_t* data, size_t size, size_t at) {
    unsigned char b[8] = {};
    for (size_t i = 0; i < 8 && at + i < size; ++i) b[i] = data[at + i];
    double v;
    std::memcpy(&v, b, 8);
    return v;
}

double firstSecond() { return toSerialSeconds(makeDate(100, 1, 1)); }
double lastSecond() { return toSerialSeconds(makeDateTime(9999, 12, 31, 23, 59, 59)); }

// Within the range, the parts name the same moment as the day count, to the second (a half second
// rounds to the even one; a millisecond more allows for the rounding of the day-count arithmetic).
void checkMoment(double dt) {
    const double secs = toSerialSeconds(dt);
    if (!(secs >= firstSecond() && secs <= lastSecond())) return;
    const DateParts p = splitDateTime(dt);
    const double again = toSerialSeconds(makeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second));
    FUZZ_CHECK(std::fabs(again - secs) <= 0.5 + 1e-3);
}

void checkFormats(double dt) {
    const DateParts p = splitDateTime(dt);
    FUZZ_CHECK(inRange(p));
    FUZZ_CHECK(generalDateText(dt) == generalText(p));
    FUZZ_CHECK(formatDate(dt, "yyyy") == std::to_string(p.year));
    FUZZ_CHECK(formatDate(dt, "yy") == two(p.year % 100));
    FUZZ_CHECK(formatDate(dt, "mm") == two(p.month));
    FUZZ_CHECK(formatDate(dt, "dd") == two(p.day));
    FUZZ_CHECK(formatDate(dt, "hh") == two(p.hour));
    FUZZ_CHECK(formatDate(dt, "hh:mm") == two(p.hour) + ":" + two(p.minute));
    FUZZ_CHECK(formatDate(dt, "yyyy/mm/dd") == dateText(p));
    FUZZ_CHECK(formatDate(dt, "yy/mm/dd hh:mm") ==
               two(p.year % 100) + "/" + two(p.month) + "/" + two(p.day) + " " + two(p.hour) + ":" + two(p.minute));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const double dt = doubleAt(data, size, 0);
    const double step = doubleAt(data, size, 8);
    const std::string pattern = size > 16 ? std::string(reinterpret_cast<const char*>(data) + 16, size - 16) : "";

    checkFormats(dt);
    const DateParts p = splitDateTime(dt);
    if (std::isnan(dt)) FUZZ_CHECK(same(p, DateParts{}));
    const std::string formatted = formatDate(dt, pattern);
    FUZZ_CHECK(!formatted.empty());

    // Any step from any day count: still a date of the range.
    for (double moved : {addDays(dt, step), addHours(dt, step), addMinutes(dt, step), addSeconds(dt, step),
                         dateOnly(dt), fromSerialSeconds(step), fromSerialSeconds(toSerialSeconds(dt))}) {
        checkFormats(moved);
        checkMoment(moved);
    }
    checkMoment(dt);

    // The parts make the same date-time again.
    const double made = makeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second);
    FUZZ_CHECK(same(splitDateTime(made), p));
    DateParts midnight = p;
    midnight.hour = midnight.minute = midnight.second = 0;
    FUZZ_CHECK(same(splitDateTime(dateOnly(made)), midnight));
    FUZZ_CHECK(same(splitDateTime(makeDate(p.year, p.month, p.day)), midnight));

    // A day later is the next day of the calendar at the same time (short of the last day).
    if (!(p.year == 9999 && p.month == 12 && p.day == 31)) FUZZ_CHECK(same(splitDateTime(addDays(made, 1)), nextDay(p)));

    // Seconds made a day count and back are the same moment (within a millisecond).
    if (step >= firstSecond() && step <= lastSecond())
        FUZZ_CHECK(std::fabs(toSerialSeconds(fromSerialSeconds(step)) - step) <= 1e-3);

    // Whole seconds forth and back (a step that stays within the range) come back to the same parts.
    if (std::isfinite(step)) {
        const double seconds = std::fmod(std::trunc(step), 400.0 * 86400.0);
        const double there = addSeconds(made, seconds);
        checkMoment(there);
        const double thereSeconds = toSerialSeconds(made) + seconds;
        if (thereSeconds > firstSecond() && thereSeconds < lastSecond())
            FUZZ_CHECK(same(splitDateTime(addSeconds(there, -seconds)), p));
    }
    return 0;
}
