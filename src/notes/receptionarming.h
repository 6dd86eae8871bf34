// Whether the reception timer ticks, and how often. onTimer enables it and an interval is put on it;
// offTimer disables it (interval 0). A pause holds it still whatever is done to it meanwhile; pauses
// nest. When the last pause ends the timer is armed again with the tick length the settings give at
// that moment, unless it was stopped (offTimer, the end of the program) while paused and not armed
// again since.
#pragma once

#include <cstdint>

namespace tw {

class ReceptionArming {
public:
    void enable() {
        enabled_ = true;
        stoppedWhilePaused_ = false;
    }
    void disable() {
        enabled_ = false;
        interval_ = 0;
        if (pauses_ > 0) stoppedWhilePaused_ = true;
    }
    void setInterval(int32_t ms) { interval_ = ms < 0 ? 0 : ms; }

    void pause() {
        if (pauses_++ == 0) stoppedWhilePaused_ = false;
    }
    // Ends one pause. True when it was the last one and the timer is to run again: the caller arms
    // it with the tick length in force (onTimer and its interval).
    bool resume() {
        if (pauses_ == 0) return false;
        return --pauses_ == 0 && !stoppedWhilePaused_;
    }

    // The interval the timer runs at now; 0 when it does not tick (disabled, no interval, paused).
    int32_t running() const { return enabled_ && interval_ > 0 && pauses_ == 0 ? interval_ : 0; }

    bool enabled() const { return enabled_; }
    int32_t interval() const { return interval_; }
    bool paused() const { return pauses_ > 0; }

private:
    bool enabled_ = false;
    int32_t interval_ = 0;
    int pauses_ = 0;
    bool stoppedWhilePaused_ = false;
};

}  // namespace tw
