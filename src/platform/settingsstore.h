// The per-user settings store of older versions (application / section / value), read once when
// migrating to the workstation file.
#pragma once

#include <string>

namespace tw {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A missing value reads as "".
    virtual std::string value(const std::string& app, const std::string& section, const std::string& key) = 0;
    virtual void deleteSection(const std::string& app, const std::string& section) = 0;
};

// A store that holds nothing: a computer where no older version ever ran, or a process that has no
// business with the old settings.
class EmptySettingsStore : public SettingsStore {
public:
    std::string value(const std::string&, const std::string&, const std::string&) override { return {}; }
    void deleteSection(const std::string&, const std::string&) override {}
};

}  // namespace tw
