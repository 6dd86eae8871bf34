// A shell that opens nothing: it records what it was handed, knows only the files it is told of, and
// refuses the links it is told nothing on the computer takes.
#pragma once

#include "notes/links.h"

#include <set>
#include <string>
#include <vector>

namespace tw::test {

class RecordingShell : public LinkOpener {
public:
    std::set<std::string> files;
    std::set<std::string> refused;   // links without a program to open them (no browser, ...)
    std::vector<std::string> opened;
    bool exists(const std::string& link) override { return files.count(link) > 0; }
    bool open(const std::string& link) override {
        if (refused.count(link) > 0) return false;
        opened.push_back(link);
        return true;
    }
};

}  // namespace tw::test
