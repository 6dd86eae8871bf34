// A member's local settings IDnnnnn.FCG as the shared folder may hold it: read through the program's
// own routine, then written back.
//
// A complete record goes back with every byte as read, except that a boolean goes back as 0 or -1
// (any non-zero value reads as true); bytes after the record are no part of the settings and are not
// written back. A file that ends inside the record is kept as found in a copy beside it, the user is
// told once, and the member goes on with the design settings under his own number (the one the file
// is named after) and his name as the file holds it when that field is complete, else as the member
// list has it.
#include "fuzz_support.h"

#include "app/groval.h"
#include "app/legacy.h"

using namespace tw;
using namespace tw::fuzz;

namespace {

std::string stateBytes(const AppState& st) {
    ByteWriter w;
    encode(w, st.localConfig);
    return w.data();
}

// What the program writes for the design settings under a name (CP932 bytes) and a number.
std::string designSettingsAs(std::string_view nameBytes, int16_t id) {
    LocalConfig design = defaultLocalConfig();
    design.MemberName.clear();
    design.MemberId = 0;
    ByteWriter w;
    encode(w, design);
    std::string out;
    out.push_back(static_cast<char>(nameBytes.size() & 0xFF));
    out.push_back(static_cast<char>(nameBytes.size() >> 8));
    out.append(nameBytes);
    out.push_back(static_cast<char>(static_cast<uint16_t>(id) & 0xFF));
    out.push_back(static_cast<char>(static_cast<uint16_t>(id) >> 8));
    return out + w.data().substr(4);   // after the empty name (2 bytes) and the number (2 bytes)
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Member m(emptyScratchFolder());
    const std::string path = sharedFilePath(m.st, kKindLocal);
    const std::string fileName = memberFileName(m.st.CurrentMemberId, kKindLocal);
    writeFileBytes(path, input);

    LayoutWalk walk(input);
    if (!input.empty()) walkLocalConfig(walk);

    UserEntry me;   // the member list names member 1 "鈴木"
    me.MemberName = "鈴木";
    me.MemberId = 1;
    m.st.members.push_back(me);
    m.st.localConfig = defaultLocalConfig();
    m.st.localConfig.MemberName = "前の設定";
    m.st.localConfig.MemberId = 1;
    const std::string before = stateBytes(m.st);

    FUZZ_CHECK(AccessSharedFile(m.st, kModeRead, kKindLocal));
    FUZZ_CHECK(readFileBytes(path) == input);
    if (input.empty()) {
        // No settings yet (a member whose file was never written): the ones in memory stay.
        FUZZ_CHECK(stateBytes(m.st) == before && m.prompter.shown == 0);
        FUZZ_CHECK(scratchFilesStartingWith(fileName).size() == 1);
        return 0;
    }

    std::string expected = walk.canonical();
    const std::vector<std::string> files = scratchFilesStartingWith(fileName);
    if (walk.ok()) {
        FUZZ_CHECK(m.prompter.shown == 0 && files.size() == 1);
    } else {
        // The copy of the file as found, and the settings the member goes on with.
        FUZZ_CHECK(m.prompter.shown == 1 && files.size() == 2);
        const std::string copy = files[0] == fileName ? files[1] : files[0];
        FUZZ_CHECK(copy.compare(0, fileName.size() + 9, fileName + ".damaged-") == 0);
        FUZZ_CHECK(readFileBytes(joinPath(scratchFolder(), copy)) == input);
        LayoutWalk head(input);
        const std::string_view name = head.str();
        expected = designSettingsAs(head.ok() ? name : std::string_view("\x97\xE9\x96\xD8"), m.st.CurrentMemberId);
    }

    // Settings without a font in their first text preset were never made whole: they are not written,
    // and the file keeps what it holds.
    const bool writable = !localSettingsMissing(m.st.localConfig);
    FUZZ_CHECK(AccessSharedFile(m.st, kModeWrite, kKindLocal));
    FUZZ_CHECK(readFileBytes(path) == (writable ? expected : input));
    FUZZ_CHECK(m.prompter.shown == (walk.ok() ? 0 : 1));
    return 0;
}
