// The workstation file REG.CFG: one member-entry record naming the shared folder (in the name field)
// and the member number. Read through the program's own routine, then written back: the folder and
// the number go back with the very bytes they were read from; the other fields of the entry are
// written empty and anything after the record is not written back. A file that ends inside the
// record leaves no folder and no member, tells the user once and is not changed.
#include "fuzz_support.h"

#include "app/groval.h"
#include "platform/codepage.h"
#include "platform/sharedfile.h"

using namespace tw;
using namespace tw::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Member m("");
    m.st.sys.programDir = emptyScratchFolder();
    const std::string path = joinPath(scratchFolder(), kWorkstationFile);
    writeFileBytes(path, input);

    LayoutWalk walk(input);
    const UserEntryFields entry = walkUserEntry(walk);

    m.st.SharedPath = "前のフォルダ";
    m.st.CurrentMemberId = 5;
    ReadWorkstation(m.st);
    FUZZ_CHECK(readFileBytes(path) == input);
    if (input.empty()) {
        // A new computer (no settings of older versions either): nothing set, nothing asked.
        FUZZ_CHECK(m.st.SharedPath.empty() && m.st.CurrentMemberId == 0);
        FUZZ_CHECK(m.prompter.shown == 0);
        return 0;
    }
    if (!walk.ok()) {
        FUZZ_CHECK(m.st.SharedPath.empty() && m.st.CurrentMemberId == 0);
        FUZZ_CHECK(m.prompter.shown == 1);
        return 0;
    }
    FUZZ_CHECK(m.prompter.shown == 0);
    FUZZ_CHECK(m.st.CurrentMemberId == entry.memberId);
    FUZZ_CHECK(utf8ToCp932(m.st.SharedPath) == entry.name);

    FUZZ_CHECK(WriteWorkstation(m.st));
    FUZZ_CHECK(m.prompter.shown == 0);
    std::string expected;
    expected.push_back(static_cast<char>(entry.name.size() & 0xFF));
    expected.push_back(static_cast<char>(entry.name.size() >> 8));
    expected.append(entry.name);
    expected.push_back(static_cast<char>(static_cast<uint16_t>(entry.memberId) & 0xFF));
    expected.push_back(static_cast<char>(static_cast<uint16_t>(entry.memberId) >> 8));
    expected.append(12, '\0');   // three empty strings, three zero numbers
    FUZZ_CHECK(readFileBytes(path) == expected);
    return 0;
}
