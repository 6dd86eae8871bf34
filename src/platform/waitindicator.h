// Shows the user that the program is waiting (the wait cursor) while it retries a busy shared file
// silently for longer than a moment. Waits may nest; the indication ends with the last one.
#pragma once

namespace tw {

class WaitIndicator {
public:
    virtual ~WaitIndicator() = default;
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
};

// For a process without a screen (tools, most tests): nothing to show.
class NoWaitIndicator : public WaitIndicator {
public:
    void beginWait() override {}
    void endWait() override {}
};

inline WaitIndicator& noWaitIndicator() {
    static NoWaitIndicator none;
    return none;
}

}  // namespace tw
