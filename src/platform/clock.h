// The current local date-time as a day count from 1899-12-30 (time of day as the fraction).
#pragma once

namespace tw {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() = 0;
};

class SystemClock : public Clock {
public:
    double now() override;
};

// Monotonic seconds for measuring waits (retry windows); never jumps with the wall clock.
double monotonicSeconds();
void sleepMilliseconds(int ms);

}  // namespace tw
