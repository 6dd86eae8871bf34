// Which numbered content (tools/content_versions.h) a shared file holds, as a member program finds
// it: through an open of its own, which also puts back what a writer killed midway left unfinished.
//
//   content_check <path> read|write [seconds=30]
//       Opens <path> as a reader (read) or a writer (write), trying again while the open is busy for
//       up to <seconds>, reads the whole content, closes. Prints "version <k> waited <s>" and ends
//       with 0 when the content is exactly version k; prints what it found instead (its size and
//       first line) and ends with 1 when it is anything else: a mix of two versions, a cut-off or an
//       empty file. Ends with 3 when the open fails or stays busy, 2 on a usage error.
#include "platform/clock.h"
#include "platform/sharedfile.h"
#include "tools/content_versions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;

int main(int argc, char** argv) {
    const std::string how = argc >= 3 ? argv[2] : "";
    if ((argc != 3 && argc != 4) || (how != "read" && how != "write")) {
        std::fprintf(stderr, "usage: content_check <path> read|write [seconds]\n");
        return 2;
    }
    const std::string path = argv[1];
    const double patience = argc == 4 ? std::atof(argv[3]) : 30;
    const ShareMode mode = how == "read" ? ShareMode::ReadDenyWrite : ShareMode::ReadWriteExclusive;

    SharedFile f;
    const double since = monotonicSeconds();
    for (;;) {
        const FileError e = f.open(path, mode);
        if (e.ok()) break;
        if (e.number != kErrAccessDenied || monotonicSeconds() - since > patience) {
            std::printf("open failed after %.3f s: error %d %s\n", monotonicSeconds() - since, e.number,
                        e.description.c_str());
            return 3;
        }
        sleepMilliseconds(5);
    }
    const double waited = monotonicSeconds() - since;
    std::string bytes;
    const FileError e = f.readAll(bytes);
    f.close();
    if (e) {
        std::printf("read failed: error %d %s\n", e.number, e.description.c_str());
        return 3;
    }
    const long k = test::whichContentVersion(bytes);
    if (k < 0) {
        const std::string first = bytes.substr(0, std::min<size_t>(bytes.find('\n'), 40));
        std::printf("no whole version: %zu bytes, starting \"%s\"\n", bytes.size(), first.c_str());
        return 1;
    }
    std::printf("version %ld waited %.3f\n", k, waited);
    return 0;
}
