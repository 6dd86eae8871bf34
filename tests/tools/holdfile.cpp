// Plays another member's computer that keeps a shared-folder file open:
//   holdfile <path> <read|write|readwrite> <milliseconds>
// Opens the file with the given sharing mode, prints "ready" once it holds it, keeps it open for the
// given time and exits. Prints "error <number>" and exits with 1 when the open fails.
#include "platform/clock.h"
#include "platform/sharedfile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: holdfile <path> <read|write|readwrite> <milliseconds>\n");
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
    int ms = std::atoi(argv[3]);

    tw::SharedFile f;
    if (tw::FileError e = f.open(argv[1], mode)) {
        std::printf("error %d\n", e.number);
        std::fflush(stdout);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    tw::sleepMilliseconds(ms);
    f.close();
    return 0;
}
