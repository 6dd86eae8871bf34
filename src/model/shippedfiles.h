// The files that ship with the program (shape files, help): beside the program, as in a copy unpacked
// into a folder of its own, or in the data folder of an installed program (`<prefix>/share/tackwisp`
// for a program in `<prefix>/bin`). A file beside the program wins.
#pragma once

#include <string>
#include <vector>

namespace tw {

struct Services;

// The path of the shipped file `name`: beside the program when it is there, else in the data folder
// when it is there; when it is in neither, the path beside the program (the place a message names).
std::string shippedFilePath(const Services& sys, const std::string& name);

// The folders that hold shipped files, in the order they are looked up: the program's folder, then
// the data folder when there is one and it is another folder.
std::vector<std::string> shippedFolders(const Services& sys);

}  // namespace tw
