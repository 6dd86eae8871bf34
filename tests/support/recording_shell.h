// A shell that opens nothing: it records what it was handed and knows only the files it is told of.
#pragma once

#include "platform/shell.h"

#include <set>
#include <string>
#include <vector>

namespace tw::test {

class RecordingShell : public Shell {
public:
    std::set<std::string> files;
    std::vector<std::string> opened;
    bool exists(const std::string& link) override { return files.count(link) > 0; }
    void open(const std::string& link) override { opened.push_back(link); }
};

}  // namespace tw::test
