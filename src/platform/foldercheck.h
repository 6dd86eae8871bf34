// A short trial of a folder before a member starts sharing notes through it: does it do what the
// shared files need (make a file, replace its content, read the new content back, lock a file
// against another open, a folder made by exactly one), in a scratch folder of its own that goes
// afterwards.
#pragma once

#include "platform/sharedfile.h"

#include <string>

namespace tw {

struct FolderCheck {
    bool ok = true;
    std::string step;    // what failed, in the user's words ("ファイルの作成" …); empty when ok
    FileError error;     // why, where the system said it
};

FolderCheck checkFolderForSharing(const std::string& folder);

}  // namespace tw
