// Shared by the programs that run many members at once (tests/tools/logstress,
// bench/tools/member_swarm): the folders of a run and the journals their members leave.
#pragma once

#include "platform/clock.h"
#include "platform/sharedfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tw::test {

// The folders of a run: one, or several separated by commas, each a way to one shared folder (two
// mounts of one network share, as two computers see it). A folder whose own name holds a comma is
// one folder.
inline std::vector<std::string> foldersOf(const std::string& arg) {
    std::vector<std::string> folders;
    if (arg.find(',') == std::string::npos || directoryExists(arg)) return {arg};
    std::string::size_type from = 0;
    for (;;) {
        const auto comma = arg.find(',', from);
        folders.push_back(arg.substr(from, comma - from));
        if (comma == std::string::npos) return folders;
        from = comma + 1;
    }
}

// Says which members work through which folder, when there are several: member i through folder
// i mod n. Flushed, since the members are forked after it and would print it again.
inline void printFolderSplit(const std::vector<std::string>& folders, int members) {
    if (folders.size() < 2) return;
    for (size_t i = 0; i < folders.size(); ++i) {
        std::printf("through %s: members", folders[i].c_str());
        for (int id = 1; id <= members; ++id)
            if (static_cast<size_t>(id) % folders.size() == i) std::printf(" %d", id);
        std::printf("\n");
    }
    std::fflush(stdout);
}

// Writes a journal whole; false with the system's words in `error` when it cannot. A network share
// can refuse a new file for a moment (a client whose connection to the server starts again answers
// with an I/O error for a few seconds): a few tries over five seconds.
inline bool writeWholeFile(const std::string& path, const std::string& text, std::string& error) {
    for (int attempt = 0;; ++attempt) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        int err = errno;
        if (f && std::fclose(f) != 0 && ok) {
            ok = false;
            err = errno;
        }
        if (ok) return true;
        if (attempt == 20) {
            error = std::strerror(err);
            return false;
        }
        sleepMilliseconds(250);
    }
}

}  // namespace tw::test
