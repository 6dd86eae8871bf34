// The shared settings GRPINLY.CFG as any member's computer may leave it: read through the program's
// own routine, then written back. A file the program accepts goes back byte for byte (the header and
// the member entries have no booleans, and every text keeps its bytes); a file it refuses leaves the
// member list and the header in memory as they were, and tells the user once.
#include "fuzz_support.h"

#include "app/groval.h"

using namespace tw;
using namespace tw::fuzz;

namespace {

// "タックウィスプ" as the file holds it (CP932).
constexpr std::string_view kSignatureBytes = "\x83\x5E\x83\x62\x83\x4E\x83\x45\x83\x42\x83\x58\x83\x76";

std::string stateBytes(const AppState& st) {
    ByteWriter w;
    encode(w, st.sharedConfig);
    for (const UserEntry& u : st.members) encode(w, u);
    return w.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Member m(emptyScratchFolder());
    const std::string path = sharedFilePath(m.st, kKindShared);
    writeFileBytes(path, input);

    // What the read must make of the file: a header, then member entries up to the end.
    LayoutWalk walk(input);
    SharedHeaderFields header;
    if (!input.empty()) {
        header = walkSharedHeader(walk);
        while (walk.ok() && !walk.atEnd()) walkUserEntry(walk);
    }
    const bool accepted = input.empty() || (walk.ok() && header.signature == kSignatureBytes &&
                                            header.versionMajor >= kVersionMajor);

    // What a refused file must leave alone.
    m.st.sharedConfig.Signature = "前の設定";
    m.st.sharedConfig.VersionMajor = 7;
    UserEntry old;
    old.MemberName = "前のメンバー";
    old.MemberId = 9;
    m.st.members.push_back(old);
    const std::string before = stateBytes(m.st);

    const bool read = AccessSharedFile(m.st, kModeRead, kKindShared);
    FUZZ_CHECK(read == accepted);
    FUZZ_CHECK(readFileBytes(path) == input);
    if (!read) {
        FUZZ_CHECK(stateBytes(m.st) == before);
        FUZZ_CHECK(m.prompter.shown == 1);
        return 0;
    }
    FUZZ_CHECK(m.prompter.shown == 0);
    if (input.empty()) {
        // An empty file is a new shared folder: the header of this version, dated today.
        FUZZ_CHECK(m.st.NewSharedFile);
        FUZZ_CHECK(m.st.sharedConfig.Signature == kProductName);
        FUZZ_CHECK(m.st.sharedConfig.VersionMajor == kVersionMajor);
        FUZZ_CHECK(m.st.sharedConfig.VersionMinor == kVersionMinor);
        FUZZ_CHECK(m.st.sharedConfig.VersionRevision == kVersionRevision);
        FUZZ_CHECK(m.st.sharedConfig.CreatedOn == dateOnly(m.clock.t));
        return 0;
    }
    FUZZ_CHECK(!m.st.NewSharedFile);

    FUZZ_CHECK(AccessSharedFile(m.st, kModeWrite, kKindShared));
    FUZZ_CHECK(m.prompter.shown == 0);
    FUZZ_CHECK(walk.canonical() == input);
    FUZZ_CHECK(readFileBytes(path) == input);
    return 0;
}
