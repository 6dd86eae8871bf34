#include "window/background.h"

#include "model/wildcard.h"
#include "platform/sharedfile.h"

#include <algorithm>

namespace tw {

namespace {

// ASCII letters only: the bytes of UTF-8 characters stay as they are whatever the C locale is.
std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

bool isPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
    for (char ch : name)
        if (const auto c = static_cast<unsigned char>(ch); c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
    // Windows drops trailing dots and spaces: "x.jpg." would be another file than it reads.
    if (name.back() == '.' || name.back() == ' ' || name.front() == ' ') return false;
    // Device names open devices, whatever extension follows, and blanks before the dot are dropped
    // as well ("NUL .jpg" is NUL).
    std::string base = upper(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : devices)
        if (base == d) return false;
    // COM and LPT with a digit; Windows counts the superscripts ¹ ² ³ as digits there too. The name is
    // UTF-8 (as read from a note record, or listed from the folder), where they are C2 B9, C2 B2, C2 B3.
    if (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) {
        const std::string digit = base.substr(3);
        if ((digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
            digit == "\xC2\xB3")
            return false;
    }
    return true;
}

std::string picturePath(const AppState& st, const NoteRecord& r) {
    const std::string& name = r.Background.PictureFile;
    if (st.SharedPath.empty() || !isPlainFileName(name)) return "";
    return joinPath(st.SharedPath, name);
}

int pictureTypeOf(const std::string& name) {
    for (size_t i = 0; i < kPictureTypes.size(); ++i)
        if (wildcardMatch(name, kPictureTypes[i])) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> pictureFiles(const std::string& folder, int type) {
    std::vector<std::string> out;
    if (type < 0 || static_cast<size_t>(type) >= kPictureTypes.size()) return out;
    const std::string& lower = kPictureTypes[static_cast<size_t>(type)];
    const std::string up = upper(lower);
    for (const std::string& name : listDirectory(folder, "*"))
        if (wildcardMatch(name, lower) || wildcardMatch(name, up)) out.push_back(name);
    std::sort(out.begin(), out.end());
    return out;
}

bool storeBackground(NoteRecord& r, const BackgroundChoice& c) {
    if (c.file.empty()) return false;
    NoteBackground& b = r.Background;
    const bool changed = !b.PictureFile.empty() &&
                         ((b.PictureMode < 1 && c.option != 0) || (b.PictureMode >= 1 && c.option != 1));
    if (c.option == 2) {
        b.PictureFile.clear();
    } else {
        b.PictureFile = c.file;
        b.TextColor = c.textColour;
        b.PictureMode = c.option == 0 ? 0 : 1;
    }
    return changed;
}

}  // namespace tw
