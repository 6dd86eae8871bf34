// Date-times as in the files: days since 1899-12-30 as a double, the time of day as the fraction,
// local time without a zone. A negative count is a day before the base; its fraction still counts
// forward from that day's midnight (-1.25 is 1899-12-29 06:00).
#pragma once

#include "platform/clock.h"

#include <string>

namespace tw {

struct DateParts {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};

double makeDate(int year, int month, int day);
double makeDateTime(int year, int month, int day, int hour, int minute, int second);
DateParts splitDateTime(double dt);

double dateOnly(double dt);               // midnight of the same day
double addDays(double dt, double days);
double addHours(double dt, double hours);
double addMinutes(double dt, double minutes);
double addSeconds(double dt, double seconds);
// Calendar-correct comparison key (seconds since the base) for the odd negative encoding.
double toSerialSeconds(double dt);
double fromSerialSeconds(double secs);

// Patterns: "yyyy", "yy", "mm", "dd", "hh", "hh:mm", "yyyy/mm/dd", "yy/mm/dd hh:mm".
std::string formatDate(double dt, const std::string& pattern);
// "2000/07/17 9:00:00"; the date alone at midnight; the time alone ("9:00:00") on day 0.
std::string generalDateText(double dt);

// The computer's own clock.
class SystemClock : public Clock {
public:
    double now() override;
};

}  // namespace tw
