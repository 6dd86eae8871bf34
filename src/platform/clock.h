// The current local date-time, and waits measured on a clock that never jumps.
#pragma once

namespace tw {

// The current local date-time as a day count from 1899-12-30 (time of day as the fraction). The
// system's one is SystemClock (model/datetime.h), which turns localTimeNow() into a day count.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() = 0;
};

// The wall clock of this computer in local time, to the second.
struct LocalTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
LocalTime localTimeNow();

// Monotonic seconds for measuring waits (retry windows); never jumps with the wall clock.
double monotonicSeconds();
void sleepMilliseconds(int ms);

}  // namespace tw
