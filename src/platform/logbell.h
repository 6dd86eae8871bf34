// Tells the members whose records a change of the shared log touched that the log changed, so that
// their programs look at it at once instead of at their next regular check. Only a hint: the log
// stays the one truth, and a hint that never arrives only means the next regular check finds it.
#pragma once

#include <cstdint>
#include <vector>

namespace tw {

class LogBell {
public:
    virtual ~LogBell() = default;
    // The log of the current shared folder changed; `members` (sorted, without this member) are the
    // ones whose sends or receipts the change wrote or removed.
    virtual void logChanged(const std::vector<int16_t>& members) = 0;
};

// For a process that tells nobody (tools, most tests).
class NoLogBell : public LogBell {
public:
    void logChanged(const std::vector<int16_t>&) override {}
};

inline LogBell& noLogBell() {
    static NoLogBell none;
    return none;
}

}  // namespace tw
