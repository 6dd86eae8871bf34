// When the reception timer ticks and when a tick runs the network check, from the member's settings.
#pragma once

#include "model/state.h"

#include <cstdint>
#include <string>

namespace tw {

// The reception timer's tick in milliseconds for the check unit of the settings: a minute for
// minutes, 65535 for hours (about a minute, the longest a tick may be), the interval itself for
// seconds (0: no ticks at all).
int32_t receptionTickLength(const LocalConfig& cfg);

// The check is due at the first tick at or after LastCheckTime + CheckInterval units.
bool receptionCheckDue(const AppState& st, double now);

// What an interval of 0 does in a check unit, as the environment dialog says it under the interval:
// in seconds the timer never ticks and nothing is checked on its own; in minutes or hours every tick
// (about once a minute) finds the check due.
std::string zeroIntervalHint(int unit);

}  // namespace tw
