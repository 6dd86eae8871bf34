// The doorbell: after a change of the shared log the program rings the members it touched with one
// small datagram on the local network ("the log of this shared folder changed, for these member
// numbers"), and a program that hears its folder and its number checks the log at once instead of at
// its next regular check. The datagram carries no note text, no name and nothing to trust: a forged,
// lost or repeated bell costs at most one early check, and the log stays the one truth.
//
// Members reach the share under different paths, so the bell names the folder by an identity read
// from the folder itself: "FOLDER.UID", 32 hex digits written once under the file's lock.
#pragma once

#include "model/records.h"
#include "platform/sharedfile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

using FolderId = std::array<uint8_t, 16>;

// ---- the datagram ----
// "TWBL", version 1 (one byte), the folder identity (16 bytes), the count n (16 bits, 1 to
// kMaxBellMembers) and n member numbers (16 bits each, all above 0); little-endian, nothing after.
struct Bell {
    FolderId folder{};
    std::vector<int16_t> members;
};

constexpr size_t kMaxBellMembers = 256;
constexpr size_t kBellHeaderBytes = 23;
constexpr size_t kMaxBellBytes = kBellHeaderBytes + 2 * kMaxBellMembers;

// The datagrams of one ring: as many as `members` need, none for no members.
std::vector<std::string> encodeBells(const FolderId& folder, const std::vector<int16_t>& members);
// A datagram as it came in; nothing for anything that is not exactly one bell of version 1.
std::optional<Bell> decodeBell(std::string_view bytes);
// Whether `bytes` rings for member `me` of the folder `folder`.
bool bellRingsFor(std::string_view bytes, const FolderId& folder, int16_t me);

// The members a change of the log touched: senders and recipients of `records`, sorted, each once,
// without `me` and without numbers that name nobody (0 and below).
std::vector<int16_t> bellMembers(const std::vector<LogRecord>& records, int16_t me);

// ---- the rate of the checks a bell asks for ----
// At most one check a second, whatever rings: a bell within a second of the last such check waits
// for that second to pass, and bells meanwhile add nothing.
class BellLimiter {
public:
    static constexpr int64_t kGapMs = 1000;
    // A bell at `nowMs` (a steady clock): how long its check must wait (0: at once), or nothing when a
    // check is already waiting.
    std::optional<int64_t> ring(int64_t nowMs);
    // The waiting check ran at `nowMs`.
    void ran(int64_t nowMs);
    bool waiting() const { return waiting_; }

private:
    std::optional<int64_t> lastRun_;
    bool waiting_ = false;
};

// ---- the folder identity ----
inline const std::string kFolderIdFile = "FOLDER.UID";

// The identity as the file holds it (32 hex digits, then at most a line break and blanks), or
// nothing for anything else.
std::optional<FolderId> decodeFolderId(std::string_view text);
std::string encodeFolderId(const FolderId& id);   // 32 lowercase hex digits and CR LF

struct FolderIdRead {
    std::optional<FolderId> id;   // nothing when the file could not be read or made
    FileError error;
};
// The identity of the shared folder `sharedPath`: read from its file, or, where the file is missing,
// empty or damaged, a new one from `fresh` written in its place, all under the file's exclusive open,
// so that members starting together agree on one. A busy file is waited out for `retrySeconds`.
FolderIdRead readFolderId(const std::string& sharedPath, const std::function<FolderId()>& fresh,
                          double retrySeconds = 2);
// 16 bytes from the system's random source.
FolderId randomFolderId();

}  // namespace tw
