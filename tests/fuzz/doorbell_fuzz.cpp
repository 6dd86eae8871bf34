// The doorbell's datagram and the folder identity's text, as anybody on the network or the share may
// send or write them. A datagram that decodes is exactly one bell: encoded again it gives the very
// same bytes, and it rings for its members of its folder and nobody else. The input split in two
// also tries the identity text: what decodes reads back to the same identity.
#include "fuzz_support.h"

#include "messaging/doorbell.h"

#include <algorithm>

using namespace tw;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<Bell> bell = decodeBell(input);
    if (bell) {
        FUZZ_CHECK(!bell->members.empty() && bell->members.size() <= kMaxBellMembers);
        const std::vector<std::string> again = encodeBells(bell->folder, bell->members);
        FUZZ_CHECK(again.size() == 1 && again[0] == input);
        for (int16_t m : bell->members) FUZZ_CHECK(m > 0 && bellRingsFor(input, bell->folder, m));
        FolderId other = bell->folder;
        other[0] ^= 1;
        FUZZ_CHECK(!bellRingsFor(input, other, bell->members[0]));
    } else {
        FUZZ_CHECK(!bellRingsFor(input, FolderId{}, 1));
        if (input.size() >= kBellHeaderBytes) {
            FolderId named{};
            std::copy_n(input.begin() + 5, named.size(), named.begin());
            for (int16_t m : {int16_t{1}, int16_t{2}, int16_t{0x0101}}) FUZZ_CHECK(!bellRingsFor(input, named, m));
        }
    }
    if (const std::optional<FolderId> id = decodeFolderId(input)) {
        const std::string text = encodeFolderId(*id);
        FUZZ_CHECK(decodeFolderId(text) == id);
        std::string lower(input.substr(0, 32));
        for (char& c : lower)
            if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        FUZZ_CHECK(text == lower + "\r\n");
    }
    return 0;
}
