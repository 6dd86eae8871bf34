// The run mark of a member, "IDnnnnn.RUN": two lines ending in CR LF, the computer that holds the
// member and the token of its run. What decodes writes back to the very same bytes; anything else
// (no line break, a third line, a stray CR or LF inside a line) is refused and names no computer.
#include "fuzz_support.h"

#include "app/memberrun.h"

using namespace tw;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    RunMarkContent c{"前の値", "前の値"};
    const bool decoded = decodeRunMark(input, c);
    const size_t first = input.find("\r\n");
    const bool twoLines = first != std::string::npos && input.size() >= 4 &&
                          input.compare(input.size() - 2, 2, "\r\n") == 0 && input.size() - 2 > first &&
                          input.find_first_of("\r\n", first + 2) == input.size() - 2 &&
                          input.find_first_of("\r\n") == first;
    FUZZ_CHECK(decoded == twoLines);
    if (!decoded) {
        FUZZ_CHECK(c.computer == "前の値" && c.token == "前の値");
        return 0;
    }
    FUZZ_CHECK(encodeRunMark(c) == input);
    return 0;
}
