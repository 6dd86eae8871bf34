// The wait cursor over every window of the program while a silent retry runs.
#pragma once

#include "platform/waitindicator.h"

namespace tw {

class QtWaitCursor : public WaitIndicator {
public:
    void beginWait() override;
    void endWait() override;
};

}  // namespace tw
