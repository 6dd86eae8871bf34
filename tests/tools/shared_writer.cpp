// Plays another member's program changing a shared-folder file, as a process of its own. Talks to the
// test through its standard input and output, one line each way.
//
//   shared_writer count <path> <times>
//       Reads one line (the start), then <times> times changes the file as the program's changes do:
//       opens it for reading and writing, reads the number in it, writes that number plus one, closes.
//       A busy open is tried again, and a busy replace is repeated with the same bytes, as the
//       program's busy-file retry does. Prints "done" at the end.
//   shared_writer versions <path> <first>
//       Replaces the content with version <first>, <first> + 1, ... (tools/content_versions.h), each
//       time in an open of its own, and prints "+" after each finished replace, until it is killed.
//   shared_writer hold <path> <content>
//       Opens the file for reading and writing and prints "open"; after a line from the test replaces
//       the content with <content> and prints "replaced"; after another line closes it and prints
//       "closed".
//
// Any failure prints "error <number> <step>" and ends with exit code 1. The tool also ends once
// nobody reads its output any more, and after a minute whatever happens, so that a test that went
// wrong never leaves it behind.
#include "platform/clock.h"
#include "platform/sharedfile.h"
#include "tools/content_versions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tw;

namespace {

constexpr double kLifetimeSeconds = 60;
const double startedAt = monotonicSeconds();

[[noreturn]] void fail(const FileError& e, const char* step) {
    std::printf("error %d %s\n", e.number, step);
    std::fflush(stdout);
    std::exit(1);
}

void say(const char* text) {
    if (std::printf("%s\n", text) < 0 || std::fflush(stdout) != 0) std::exit(3);   // the test is gone
}

bool waitLine() {
    char line[64];
    return std::fgets(line, sizeof line, stdin) != nullptr;
}

// Runs one file step again while another member holds the file, as the program's retry does.
template <class Step>
FileError whileBusy(Step step) {
    for (;;) {
        FileError e = step();
        if (e.number != kErrAccessDenied) return e;
        if (monotonicSeconds() - startedAt > kLifetimeSeconds) return e;
        sleepMilliseconds(1);
    }
}

int count(const std::string& path, long times) {
    if (!waitLine()) return 2;
    for (long i = 0; i < times; ++i) {
        SharedFile f;
        if (FileError e = whileBusy([&] { return f.open(path, ShareMode::ReadWriteExclusive); })) fail(e, "open");
        std::string bytes;
        if (FileError e = f.readAll(bytes)) fail(e, "read");
        const std::string next = std::to_string(std::atol(bytes.c_str()) + 1);
        if (FileError e = whileBusy([&] { return f.replaceContent(next); })) fail(e, "replace");
        f.close();
    }
    say("done");
    return 0;
}

int versions(const std::string& path, long first) {
    for (long k = first; monotonicSeconds() - startedAt < kLifetimeSeconds; ++k) {
        SharedFile f;
        if (FileError e = whileBusy([&] { return f.open(path, ShareMode::ReadWriteExclusive); })) fail(e, "open");
        if (FileError e = f.replaceContent(test::contentVersion(k))) fail(e, "replace");
        f.close();
        say("+");
    }
    return 4;
}

int hold(const std::string& path, const std::string& content) {
    SharedFile f;
    if (FileError e = f.open(path, ShareMode::ReadWriteExclusive)) fail(e, "open");
    say("open");
    if (!waitLine()) return 2;
    if (FileError e = f.replaceContent(content)) fail(e, "replace");
    say("replaced");
    if (!waitLine()) return 2;
    f.close();
    say("closed");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 4 ? argv[1] : "";
    if (what == "count") return count(argv[2], std::atol(argv[3]));
    if (what == "versions") return versions(argv[2], std::atol(argv[3]));
    if (what == "hold") return hold(argv[2], argv[3]);
    std::fprintf(stderr, "usage: shared_writer count <path> <times> | versions <path> <first> | hold <path> <content>\n");
    return 2;
}
