#include "model/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tw {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

const long long kBase = daysFromCivil(1899, 12, 30);

// The dates the program handles: 0100-01-01 00:00:00 to 9999-12-31 23:59:59. A day count read from a
// file beyond them (another member's damaged record) is taken as the nearer end, so that converting
// it to whole days never leaves the range of an integer.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0 + 86399.0 / 86400.0;

std::string two(int v) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

}  // namespace

double toSerialSeconds(double dt) {
    double day = std::trunc(dt);
    double frac = std::fabs(dt - day);
    return day * 86400.0 + frac * 86400.0;
}

double fromSerialSeconds(double secs) {
    double day = std::floor(secs / 86400.0);
    double rest = secs - day * 86400.0;
    double frac = rest / 86400.0;
    if (day >= 0) return day + frac;
    // Negative days keep a forward-counting fraction. A rest a hair short of the next midnight (or a
    // whole day, after rounding) cannot be told from the previous whole day: it is the next midnight.
    const double dt = day - frac;
    return dt <= day - 1 ? day + 1 : dt;
}

double makeDate(int year, int month, int day) {
    return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kBase);
}

double makeDateTime(int year, int month, int day, int hour, int minute, int second) {
    double secs = makeDate(year, month, day) * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
    return fromSerialSeconds(secs);
}

DateParts splitDateTime(double dt) {
    DateParts p;
    if (std::isnan(dt)) return p;
    // Clamped as seconds: below day 0 the day count runs backwards within a day (-657434.5 is noon of
    // the first day, after -657434.0), so the count itself only keeps the infinities out.
    dt = std::clamp(dt, kFirstDay - 1, kLastDay);
    double secs = std::nearbyint(std::clamp(toSerialSeconds(dt), kFirstDay * 86400.0, toSerialSeconds(kLastDay)));
    double day = std::floor(secs / 86400.0);
    long long rest = static_cast<long long>(secs - day * 86400.0);
    civilFromDays(static_cast<long long>(day) + kBase, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3600);
    p.minute = static_cast<int>(rest / 60 % 60);
    p.second = static_cast<int>(rest % 60);
    return p;
}

double dateOnly(double dt) { return fromSerialSeconds(std::floor(toSerialSeconds(dt) / 86400.0) * 86400.0); }
double addSeconds(double dt, double s) { return fromSerialSeconds(toSerialSeconds(dt) + s); }
double addMinutes(double dt, double m) { return addSeconds(dt, m * 60.0); }
double addHours(double dt, double h) { return addSeconds(dt, h * 3600.0); }
double addDays(double dt, double d) { return addSeconds(dt, d * 86400.0); }

std::string formatDate(double dt, const std::string& pattern) {
    DateParts p = splitDateTime(dt);
    if (pattern == "yyyy") return std::to_string(p.year);
    if (pattern == "yy") return two(p.year % 100);
    if (pattern == "mm") return two(p.month);
    if (pattern == "dd") return two(p.day);
    if (pattern == "hh") return two(p.hour);
    if (pattern == "hh:mm") return two(p.hour) + ":" + two(p.minute);
    if (pattern == "yyyy/mm/dd") return std::to_string(p.year) + "/" + two(p.month) + "/" + two(p.day);
    if (pattern == "yy/mm/dd hh:mm")
        return two(p.year % 100) + "/" + two(p.month) + "/" + two(p.day) + " " + two(p.hour) + ":" + two(p.minute);
    return generalDateText(dt);
}

std::string generalDateText(double dt) {
    DateParts p = splitDateTime(dt);
    std::string date = std::to_string(p.year) + "/" + two(p.month) + "/" + two(p.day);
    std::string time = std::to_string(p.hour) + ":" + two(p.minute) + ":" + two(p.second);
    bool midnight = p.hour == 0 && p.minute == 0 && p.second == 0;
    bool dayZero = p.year == 1899 && p.month == 12 && p.day == 30;
    if (midnight) return date;
    if (dayZero) return time;
    return date + " " + time;
}

double SystemClock::now() {
    const LocalTime t = localTimeNow();
    return makeDateTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace tw
