#include "messaging/doorbell.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

namespace tw {

namespace {

constexpr char kMagic[4] = {'T', 'W', 'B', 'L'};
constexpr uint8_t kVersion = 1;

void putU16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

uint16_t getU16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<std::string> encodeBells(const FolderId& folder, const std::vector<int16_t>& members) {
    std::vector<std::string> out;
    for (size_t from = 0; from < members.size(); from += kMaxBellMembers) {
        const size_t n = std::min(kMaxBellMembers, members.size() - from);
        std::string d(kMagic, sizeof kMagic);
        d.push_back(static_cast<char>(kVersion));
        d.append(reinterpret_cast<const char*>(folder.data()), folder.size());
        putU16(d, static_cast<uint16_t>(n));
        for (size_t i = 0; i < n; ++i) putU16(d, static_cast<uint16_t>(members[from + i]));
        out.push_back(std::move(d));
    }
    return out;
}

std::optional<Bell> decodeBell(std::string_view b) {
    if (b.size() < kBellHeaderBytes || b.size() > kMaxBellBytes) return std::nullopt;
    if (std::memcmp(b.data(), kMagic, sizeof kMagic) != 0 || static_cast<uint8_t>(b[4]) != kVersion)
        return std::nullopt;
    const size_t n = getU16(b, 21);
    if (n == 0 || n > kMaxBellMembers || b.size() != kBellHeaderBytes + 2 * n) return std::nullopt;
    Bell bell;
    std::memcpy(bell.folder.data(), b.data() + 5, bell.folder.size());
    bell.members.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const auto m = static_cast<int16_t>(getU16(b, kBellHeaderBytes + 2 * i));
        if (m <= 0) return std::nullopt;
        bell.members.push_back(m);
    }
    return bell;
}

bool bellRingsFor(std::string_view bytes, const FolderId& folder, int16_t me) {
    // Checked in the order that costs least for the many datagrams that are not for us.
    if (bytes.size() < kBellHeaderBytes || std::memcmp(bytes.data() + 5, folder.data(), folder.size()) != 0)
        return false;
    const std::optional<Bell> bell = decodeBell(bytes);
    return bell && std::find(bell->members.begin(), bell->members.end(), me) != bell->members.end();
}

std::vector<int16_t> bellMembers(const std::vector<LogRecord>& records, int16_t me) {
    std::vector<int16_t> out;
    for (const LogRecord& r : records)
        for (int16_t m : {r.SenderId, r.RecipientId})
            if (m > 0 && m != me) out.push_back(m);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::optional<int64_t> BellLimiter::ring(int64_t nowMs) {
    if (waiting_) return std::nullopt;
    waiting_ = true;
    if (!lastRun_ || nowMs - *lastRun_ >= kGapMs || nowMs < *lastRun_) return 0;
    return *lastRun_ + kGapMs - nowMs;
}

void BellLimiter::ran(int64_t nowMs) {
    lastRun_ = nowMs;
    waiting_ = false;
}

std::optional<FolderId> decodeFolderId(std::string_view text) {
    if (text.size() < 32) return std::nullopt;
    for (size_t i = 32; i < text.size(); ++i)
        if (text[i] != '\r' && text[i] != '\n' && text[i] != ' ' && text[i] != '\t') return std::nullopt;
    FolderId id{};
    for (size_t i = 0; i < id.size(); ++i) {
        const int hi = hexValue(text[2 * i]), lo = hexValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        id[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return id;
}

std::string encodeFolderId(const FolderId& id) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t b : id) {
        s.push_back(kDigits[b >> 4]);
        s.push_back(kDigits[b & 15]);
    }
    return s + "\r\n";
}

FolderIdRead readFolderId(const std::string& sharedPath, const std::function<FolderId()>& fresh,
                          double retrySeconds) {
    const std::string path = joinPath(sharedPath, kFolderIdFile);
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(retrySeconds);
    for (;;) {
        SharedFile f;
        FileError e = f.open(path, ShareMode::ReadWriteExclusive);
        // The file holds a few bytes; a much longer one is nobody's identity and is not read.
        int64_t length = 0;
        std::string bytes;
        if (!e) e = f.length(length);
        if (!e && length <= 256) e = f.readAll(bytes);
        if (!e) {
            if (auto id = decodeFolderId(bytes)) return {id, {}};
            const FolderId id = fresh();
            e = f.replaceContent(encodeFolderId(id));
            if (!e) return {id, {}};
        }
        if (e.number != kErrAccessDenied || std::chrono::steady_clock::now() >= until) return {std::nullopt, e};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FolderId randomFolderId() {
    std::random_device source;
    FolderId id{};
    for (size_t i = 0; i < id.size(); i += 4) {
        const uint32_t v = source();
        for (size_t k = 0; k < 4; ++k) id[i + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    return id;
}

}  // namespace tw
