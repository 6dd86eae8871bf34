// The two texts that describe a note to its user: the information box (number, creation, state,
// links and alarm timers) and the tooltip of its text (the period, or the other member's side of a
// sent or received note).
#pragma once

#include "model/state.h"

#include <string>
#include <vector>

namespace tw {

// The information text of note `index`, with the links its window offered when its menu last opened.
// Lines are separated by CR.
std::string noteInformation(const AppState& st, int index, const std::vector<std::string>& links);
// The tooltip of note `index`'s text; "" for none.
std::string noteTooltip(const AppState& st, int index);

}  // namespace tw
