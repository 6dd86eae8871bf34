// Where the files that ship with the program are found.
#include "model/shippedfiles.h"

#include "model/state.h"
#include "platform/sharedfile.h"

namespace tw {

std::vector<std::string> shippedFolders(const Services& sys) {
    std::vector<std::string> folders{sys.programDir};
    if (!sys.dataDir.empty() && sys.dataDir != sys.programDir) folders.push_back(sys.dataDir);
    return folders;
}

std::string shippedFilePath(const Services& sys, const std::string& name) {
    for (const std::string& folder : shippedFolders(sys)) {
        const std::string path = joinPath(folder, name);
        if (fileExists(path)) return path;
    }
    return joinPath(sys.programDir, name);
}

}  // namespace tw
