// Plays another member's computer that keeps a shared-folder file open:
//   holdfile <path> <read|write|readwrite>
// Opens the file with the given sharing mode, prints "ready" once it holds it and keeps it open until
// a line comes on its standard input, or the input ends (the test that started it is gone); then it
// closes the file, prints "released" and exits. Prints "error <number>" and exits with 1 when the
// open fails.
#include "platform/sharedfile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: holdfile <path> <read|write|readwrite>\n");
        return 2;
    }
    std::string how = argv[2];
    tw::ShareMode mode;
    if (how == "read") mode = tw::ShareMode::ReadDenyWrite;
    else if (how == "write") mode = tw::ShareMode::WriteExclusive;
    else if (how == "readwrite") mode = tw::ShareMode::ReadWriteExclusive;
    else {
        std::fprintf(stderr, "unknown mode %s\n", argv[2]);
        return 2;
    }

    tw::SharedFile f;
    if (tw::FileError e = f.open(argv[1], mode)) {
        std::printf("error %d\n", e.number);
        std::fflush(stdout);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (int c; (c = std::getchar()) != EOF && c != '\n';) {
    }
    f.close();
    std::printf("released\n");
    std::fflush(stdout);
    return 0;
}
