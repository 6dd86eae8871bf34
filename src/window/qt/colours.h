// Colours as the settings files hold them: 0x00BBGGRR, or 0x80000000 + n for the system colour n.
#pragma once

#include <QColor>
#include <cstdint>

namespace tw {

QColor colourFromValue(uint32_t value);

}  // namespace tw
