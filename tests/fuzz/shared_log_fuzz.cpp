// The shared log GRPINLY.FLG as the members' computers leave it, through every kind of the log
// routine with its parameters taken from the input.
//
//   - A read works on the complete records: a read of the whole log gives records that encode back to
//     the very bytes of those records; the other reads select exactly the records their kind names.
//     Bytes after the last complete record (a writer cut off) are nobody's record. A read never
//     changes the log.
//   - A change leaves a log that decodes to its end, with exactly the change its kind names and every
//     other byte of the complete records as it was; the new content is what the routine hands back,
//     and so are the records it names: the one a send write appended, the one a receipt marked (none
//     when the send is not there), the ones a delete removed.
//   - A change of a log with a damaged end first keeps that end in a copy beside the log and tells
//     the user once; a folder in the way of the copy's first name (option 16) only moves it to the
//     next name. Were the copy impossible, the change would fail, be told once, and leave the log
//     as it was (the unit tests make that case; the fuzzer cannot).
//   - Nothing else is left in the folder.
//
// Input: a header of 26 bytes, then the log.
//   0      kind: 0 unreceived, 1 send records of a note, 2 whole log, 3 send write, 4 receipt,
//          5 delete received sends, 6 delete all sends, 7 delete the sends to one member (value % 8)
//   1      options: 1 parameters from a record of the log (the one at byte 2, modulo the count);
//          2 (the reads of my unreceived records and of my send records only) a record with a long
//            sender name (bytes 23-24 long) ahead of the log, which neither of them selects;
//          4 the log repeated (1 + byte 25 % 4 times); 16 a folder where the copy of a damaged end
//            would go
//   2      the record for option 1
//   3-14   16-bit: my member number, note, recipient, sender, my copy of the note, question code
//   15-22  the send time of a receipt (a double)
//   23-24  the length of the long name; 25 the repeat count
// Options 2 and 4 make records longer than the read's 64 KiB piece and logs of many pieces, whose
// records the read must take up again where a piece ends. The long record is never selected: its
// name would only cost time in the conversions, not reach other code.
#include "fuzz_support.h"

#include "app/groval.h"
#include "messaging/logcodec.h"
#include "messaging/sharedlog.h"
#include "platform/sharedfile.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

using namespace tw;
using namespace tw::fuzz;

namespace {

constexpr size_t kHeaderBytes = 26;
constexpr double kOneSecond = 1.0 / 86400.0;

// The members this member knows, and their names as the log holds them (CP932).
struct Known {
    int16_t id;
    const char* name;
    std::string_view bytes;
};
const Known kMembers[] = {
    {1, "佐藤", "\x8D\xB2\x93\xA1"},
    {2, "鈴木", "\x97\xE9\x96\xD8"},
    {3, "Tanaka", "Tanaka"},
};
constexpr std::string_view kMyNameBytes = "\x8D\xB2\x93\xA1";   // 佐藤, the sender of my sends

std::string_view nameBytesOf(int16_t id) {
    for (const Known& k : kMembers)
        if (k.id == id) return k.bytes;
    return {};
}

struct Params {
    int kind = 0;
    unsigned options = 0, recordIndex = 0, longName = 0, repeat = 0;
    int16_t me = 0, noteId = 0, recipientId = 0, senderId = 0, localCopyId = 0, questionCode = 0;
    double sentAt = 0;
};

int16_t i16At(const unsigned char* h, size_t at) { return static_cast<int16_t>(h[at] | (h[at + 1] << 8)); }

Params paramsOf(std::string_view input) {
    unsigned char h[kHeaderBytes] = {};
    std::memcpy(h, input.data(), std::min(input.size(), kHeaderBytes));
    Params p;
    p.kind = h[0] % 8;
    p.options = h[1];
    p.recordIndex = h[2];
    p.me = i16At(h, 3);
    p.noteId = i16At(h, 5);
    p.recipientId = i16At(h, 7);
    p.senderId = i16At(h, 9);
    p.localCopyId = i16At(h, 11);
    p.questionCode = i16At(h, 13);
    std::memcpy(&p.sentAt, h + 15, 8);
    p.longName = static_cast<uint16_t>(i16At(h, 23));
    p.repeat = h[25];
    return p;
}

void putI16(std::string& out, int16_t v) {
    out.push_back(static_cast<char>(static_cast<uint16_t>(v) & 0xFF));
    out.push_back(static_cast<char>(static_cast<uint16_t>(v) >> 8));
}

void putF64(std::string& out, double v) {
    const uint64_t u = bitsOf(v);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void patchI16(std::string& out, size_t at, int16_t v) {
    std::string b;
    putI16(b, v);
    out.replace(at, 2, b);
}

void patchF64(std::string& out, size_t at, double v) {
    std::string b;
    putF64(b, v);
    out.replace(at, 8, b);
}

// The log the input's bytes hold.
std::string baseLogOf(std::string_view input) {
    return std::string(input.size() > kHeaderBytes ? input.substr(kHeaderBytes) : std::string_view());
}

// The log with options 2 and 4 applied.
std::string logOf(std::string base, const Params& p) {
    std::string log = std::move(base);
    if ((p.options & 2) && p.kind <= 1) {
        std::string r;
        putF64(r, p.sentAt);
        putI16(r, static_cast<int16_t>(p.longName));
        r.append(p.longName, 'A');
        putI16(r, static_cast<int16_t>(static_cast<uint16_t>(p.me) + 1));   // not my send
        putI16(r, p.noteId);
        putF64(r, 1.0);                                                    // received
        putI16(r, 0);                                                      // no recipient name
        putI16(r, p.me);
        putI16(r, 0);
        putI16(r, 0);
        putI16(r, 0);
        log = r + log;
    }
    if (p.options & 4) {
        const std::string once = log;
        for (unsigned i = 0; i < p.repeat % 4; ++i) log += once;
    }
    return log;
}

std::string concat(std::string_view log, const std::vector<const LogFields*>& records) {
    std::string out;
    for (const LogFields* r : records) out.append(log.substr(r->offset, r->size));
    return out;
}

std::string encoded(const LogRecords& records) {
    ByteWriter w;
    for (const LogRecord& r : records) encode(w, r);
    return w.data();
}

// What a call handed back.
struct Outcome {
    bool ok = false;
    LogRecords records;                // a read's selection, the records a delete removed
    std::string content;               // a change's new log
    std::optional<LogRecord> record;   // the record a send write appended or a receipt marked
};

Outcome fromRead(std::optional<LogRecords> read) {
    Outcome o;
    o.ok = read.has_value();
    if (read) o.records = std::move(*read);
    return o;
}

Outcome fromChange(const LogChange& c) {
    Outcome o;
    o.ok = c.ok;
    o.content = c.content;
    return o;
}

Outcome fromDelete(const RecordsChange& c) {
    Outcome o = fromChange(c);
    o.records = c.records;
    return o;
}

Outcome run(AppState& st, const Params& p) {
    switch (p.kind) {
    case 0: return fromRead(readUnreceivedLog(st));
    case 1: return fromRead(readSendRecords(st, p.noteId));
    case 2: return fromRead(readWholeLog(st));
    case 3: {
        const SendWrite w = writeSendRecord(st, p.noteId, p.recipientId, p.questionCode);
        Outcome o = fromChange(w);
        if (w) o.record = w.record;
        return o;
    }
    case 4: {
        const ReceiptWrite w = writeReceipt(st, p.senderId, p.noteId, p.sentAt, p.localCopyId, p.questionCode);
        Outcome o = fromChange(w);
        o.record = w.marked;
        return o;
    }
    case 5: return fromDelete(deleteReceivedSends(st, p.noteId));
    case 6: return fromDelete(deleteAllSends(st, p.noteId));
    default: return fromDelete(deleteSendTo(st, p.noteId, p.recipientId));
    }
}

// The records a read kind selects.
std::string expectedSelection(std::string_view log, const LogWalk& walk, const Params& p) {
    std::vector<const LogFields*> chosen;
    for (const LogFields& r : walk.records) {
        const bool take = p.kind == 0   ? r.recipientId == p.me && r.receivedAt == 0
                          : p.kind == 1 ? r.noteId == p.noteId && r.senderId == p.me
                                        : true;
        if (take) chosen.push_back(&r);
    }
    return concat(log, chosen);
}

// What a receipt or a delete leaves, and the records it names as they are after it (the one marked,
// the ones removed); a send write is checked on its own.
struct Expected {
    std::string log;
    std::string named;
    bool marked = false;
};

Expected expectedChange(std::string_view log, const LogWalk& walk, const Params& p, double now) {
    Expected x;
    if (p.kind == 4) {
        x.log = std::string(log);
        for (const LogFields& r : walk.records) {
            if (r.senderId == p.senderId && r.noteId == p.noteId && r.recipientId == p.me && r.sentAt == p.sentAt) {
                const size_t a = r.senderName.size(), b = r.recipientName.size();
                patchF64(x.log, r.offset + 14 + a, now);
                patchI16(x.log, r.offset + 26 + a + b, p.localCopyId);
                patchI16(x.log, r.offset + 30 + a + b, p.questionCode);
                x.named = x.log.substr(r.offset, r.size);
                x.marked = true;
                break;
            }
        }
        return x;
    }
    std::vector<const LogFields*> kept, removed;
    for (const LogFields& r : walk.records) {
        const bool mine = r.senderId == p.me && r.noteId == p.noteId;
        const bool gone = mine && (p.kind == 5   ? r.receivedAt != 0
                                   : p.kind == 6 ? true
                                                 : r.recipientId == p.recipientId);
        (gone ? removed : kept).push_back(&r);
    }
    x.log = concat(log, kept);
    x.named = concat(log, removed);
    return x;
}

void checkSendWrite(std::string_view log, const LogWalk& walk, const Params& p, double now, const std::string& after) {
    FUZZ_CHECK(after.size() > log.size() && after.compare(0, log.size(), log) == 0);
    LogFields r;
    FUZZ_CHECK(walkLogRecord(after, log.size(), r) && log.size() + r.size == after.size());
    FUZZ_CHECK(r.senderName == kMyNameBytes && r.senderId == p.me && r.noteId == p.noteId);
    FUZZ_CHECK(bitsOf(r.receivedAt) == 0 && r.receivedNoteId == 0 && r.answerCode == 0);
    FUZZ_CHECK(r.recipientName == nameBytesOf(p.recipientId) && r.recipientId == p.recipientId);
    FUZZ_CHECK(r.questionKind == p.questionCode);
    // Sender, note, recipient and send time name one record: the new one takes a time of its own,
    // the current one or the first free one a whole second after another.
    std::unordered_set<double> taken;
    for (const LogFields& o : walk.records)
        if (o.senderId == p.me && o.noteId == p.noteId && o.recipientId == p.recipientId) taken.insert(o.sentAt);
    FUZZ_CHECK(taken.count(r.sentAt) == 0);
    FUZZ_CHECK(r.sentAt >= now && r.sentAt <= now + (static_cast<double>(taken.size()) + 0.5) * kOneSecond);
    if (taken.count(now) == 0) FUZZ_CHECK(r.sentAt == now);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Params p = paramsOf(input);
    const std::string base = baseLogOf(input);
    if (p.options & 1) {
        // Aim at a record that is there: its sender (or, for a receipt, its recipient) is me.
        const LogWalk inBase = walkLog(base);
        if (!inBase.records.empty()) {
            const LogFields& r = inBase.records[p.recordIndex % inBase.records.size()];
            p.me = p.kind == 4 ? r.recipientId : r.senderId;
            p.noteId = r.noteId;
            p.recipientId = r.recipientId;
            p.senderId = r.senderId;
            p.sentAt = r.sentAt;
        }
    }
    const std::string log = logOf(base, p);
    const LogWalk walk = walkLog(log);
    // The complete records, and the damaged end after them.
    const size_t good = walk.records.empty() ? 0 : walk.records.back().offset + walk.records.back().size;
    const std::string complete = log.substr(0, good);
    const std::string tail = log.substr(good);

    Member m(emptyScratchFolder());
    m.st.CurrentMemberId = p.me;
    m.st.localConfig.MemberName = "佐藤";
    for (const Known& k : kMembers) {
        UserEntry u;
        u.MemberName = k.name;
        u.MemberId = k.id;
        m.st.members.push_back(u);
    }
    const std::string path = sharedLogPath(m.st);
    writeFileBytes(path, log);
    const std::string copyPrefix = kLogFile + ".damaged-";
    const std::string blocker = copyPrefix + "20240501-100000";   // the copy's name at the fixed clock
    if (p.options & 16) std::filesystem::create_directory(joinPath(scratchFolder(), blocker));

    const Outcome o = run(m.st, p);
    const bool ok = o.ok;
    const std::string after = readFileBytes(path);
    // Beside the log only copies of damaged ends (and the folder in the way): no temporary file.
    std::vector<std::string> copies;
    for (const std::string& name : scratchFilesStartingWith("")) {
        if (name == kLogFile || ((p.options & 16) && name == blocker)) continue;
        FUZZ_CHECK(name.compare(0, copyPrefix.size(), copyPrefix) == 0);
        copies.push_back(name);
    }

    if (p.kind <= 2) {
        FUZZ_CHECK(after == log && copies.empty());
        if (log.empty()) {
            // An empty log: told for the checks the user asked for, silent for the timer.
            FUZZ_CHECK(!ok && o.records.empty());
            FUZZ_CHECK(m.prompter.shown == (p.kind == 0 ? 0 : 1));
        } else {
            FUZZ_CHECK(ok && m.prompter.shown == 0);
            const std::string selection = encoded(o.records);
            FUZZ_CHECK(selection == expectedSelection(log, walk, p));
            if (p.kind == 2) FUZZ_CHECK(selection == complete);
        }
        return 0;
    }

    if (!ok) {
        // Only a damaged end that could not be kept stops a change here: then nothing changed.
        FUZZ_CHECK(!tail.empty() && (p.options & 16));
        FUZZ_CHECK(after == log && o.content.empty() && o.records.empty() && !o.record && m.prompter.shown == 1);
        return 0;
    }
    if (tail.empty()) {
        FUZZ_CHECK(m.prompter.shown == 0 && copies.empty());
    } else {
        FUZZ_CHECK(m.prompter.shown == 1 && copies.size() == 1);
        FUZZ_CHECK(readFileBytes(joinPath(scratchFolder(), copies[0])) == tail);
    }
    FUZZ_CHECK(walkLog(after).whole);
    FUZZ_CHECK(o.content == after);
    if (p.kind == 3) {
        checkSendWrite(complete, walk, p, m.clock.t, after);
        FUZZ_CHECK(o.record && encoded({*o.record}) == after.substr(complete.size()));
        return 0;
    }
    const Expected x = expectedChange(complete, walk, p, m.clock.t);
    FUZZ_CHECK(after == x.log);
    if (p.kind == 4)
        FUZZ_CHECK(o.record.has_value() == x.marked && (!o.record || encoded({*o.record}) == x.named));
    else
        FUZZ_CHECK(encoded(o.records) == x.named);
    return 0;
}
