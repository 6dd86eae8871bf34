// A member's notes IDnnnnn.FDT as the shared folder may hold them: read through the program's own
// routine, then written back.
//
// What goes back: every complete record with its bytes as read, except that a boolean goes back as
// 0 or -1 (any non-zero value reads as true), and that peeled notes leave the file unless a sent note
// still waits for receipts (sent, not received by all, not peeled): recipients find a sent note by
// its position, so then every record keeps its place. A file that ends inside a record is kept as
// found in a copy beside it, the user is told once, and the member goes on with the notes before the
// cut. The walk below decides all of it from the bytes alone.
#include "fuzz_support.h"

#include "app/groval.h"

using namespace tw;
using namespace tw::fuzz;

namespace {

std::string stateBytes(const AppState& st) {
    ByteWriter w;
    for (const NoteRecord& n : st.NoteTable) encode(w, n);
    return w.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Member m(emptyScratchFolder());
    const std::string path = sharedFilePath(m.st, kKindNotes);
    const std::string fileName = memberFileName(m.st.CurrentMemberId, kKindNotes);
    writeFileBytes(path, input);

    // Each complete record's written-back bytes, and whether a send is pending among them.
    std::vector<std::string> records;
    std::vector<bool> peeled;
    bool sendPending = false, cut = false, tooMany = false;
    for (size_t pos = 0; pos < input.size();) {
        if (records.size() >= static_cast<size_t>(kMaxNotes)) {
            tooMany = true;   // more records than any member can make: refused as damaged
            break;
        }
        LayoutWalk walk(input, pos);
        const NoteFields n = walkNote(walk);
        if (!walk.ok()) {
            cut = true;
            break;
        }
        records.push_back(walk.canonical());
        peeled.push_back(n.isPeeled);
        if (n.isSent && !n.allReceived && !n.isPeeled) sendPending = true;
        pos = walk.pos();
    }
    std::string expected;
    for (size_t i = 0; i < records.size(); ++i)
        if (sendPending || !peeled[i]) expected += records[i];

    NoteRecord old;
    old.Text = "前の付箋";
    m.st.NoteTable.push_back(old);
    const std::string before = stateBytes(m.st);

    const bool read = AccessSharedFile(m.st, kModeRead, kKindNotes);
    FUZZ_CHECK(read == !tooMany);
    FUZZ_CHECK(readFileBytes(path) == input);
    const std::vector<std::string> files = scratchFilesStartingWith(fileName);
    if (!read) {
        FUZZ_CHECK(stateBytes(m.st) == before && m.prompter.shown == 1 && files.size() == 1);
        return 0;
    }
    if (input.empty()) {
        // No notes file yet: the notes in memory stay.
        FUZZ_CHECK(stateBytes(m.st) == before && m.prompter.shown == 0 && files.size() == 1);
        return 0;
    }
    if (cut) {
        FUZZ_CHECK(m.prompter.shown == 1 && files.size() == 2);
        const std::string copy = files[0] == fileName ? files[1] : files[0];
        FUZZ_CHECK(copy.compare(0, fileName.size() + 9, fileName + ".damaged-") == 0);
        FUZZ_CHECK(readFileBytes(joinPath(scratchFolder(), copy)) == input);
    } else {
        FUZZ_CHECK(m.prompter.shown == 0 && files.size() == 1);
    }
    FUZZ_CHECK(m.st.NoteTable.size() == records.size());
    FUZZ_CHECK(SendPending(m.st) == sendPending);

    FUZZ_CHECK(AccessSharedFile(m.st, kModeWrite, kKindNotes));
    FUZZ_CHECK(readFileBytes(path) == expected);
    FUZZ_CHECK(m.prompter.shown == (cut ? 1 : 0));
    return 0;
}
