// A note's background picture: which names may be opened, the pictures of the shared folder by file
// type, and what the background page stores.
#pragma once

#include "model/state.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// A plain file name: no folder part, no drive, no "..", no device name, nothing a file system would
// read as anything but a file in the folder it is joined to. Picture names come from other members.
bool isPlainFileName(const std::string& name);

// The file of the note's picture in the shared folder; "" when it has none or its name is not plain.
std::string picturePath(const AppState& st, const NoteRecord& r);

// The picture types of the background page, in its order.
inline const std::array<std::string, 3> kPictureTypes = {"*.jpg", "*.bmp", "*.gif"};
// The first type whose pattern matches the name, letter case counting; -1 for none.
int pictureTypeOf(const std::string& name);
// The pictures of one type in a folder: names matching the pattern in lower case or in upper case,
// in name order.
std::vector<std::string> pictureFiles(const std::string& folder, int type);

// What OK on the background page stores: the chosen file ("" none chosen), the display option (0
// actual size, 1 scaled, 2 no picture) and the text colour.
struct BackgroundChoice {
    std::string file;
    int option = 1;
    uint32_t textColour = 0;
};
// Stores the choice in the note. Returns true when the note's picture must be laid out anew (the
// background-changed flag).
bool storeBackground(NoteRecord& r, const BackgroundChoice& c);

}  // namespace tw
