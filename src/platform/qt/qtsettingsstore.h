// The per-user settings store of older versions through QSettings: organisation "VB and VBA Program
// Settings", application = the store's application name ("QOV"), one group per section ("TACKWISP").
// On Windows that is the registry key the older versions wrote.
#pragma once

#include "platform/settingsstore.h"

namespace tw {

class QtSettingsStore : public SettingsStore {
public:
    std::string value(const std::string& app, const std::string& section, const std::string& key) override;
    void deleteSection(const std::string& app, const std::string& section) override;

    static const char* const kOrganisation;
};

}  // namespace tw
