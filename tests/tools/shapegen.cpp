// Writes a shape file FSTYLE.nnn from its text description (the format is in tools/shapegen.h).
//
//   shapegen <description.txt> <output file>
//
// shapes/remake.sh runs it for every description in shapes/src/.
#include "tools/shapegen.h"

#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: shapegen <description.txt> <output file>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "shapegen: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const std::optional<std::string> bytes = tw::shapegen::shapeFileBytes(text, error);
    if (!bytes) {
        std::cerr << "shapegen: " << argv[1] << ": " << error << "\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) {
        std::cerr << "shapegen: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
