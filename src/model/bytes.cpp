// Little-endian byte codec shared by every record of the files.
#include "model/records.h"

#include "platform/codepage.h"

#include <cstring>

namespace tw {

void ByteWriter::bytes(const void* p, size_t n) { buf_.append(static_cast<const char*>(p), n); }

void ByteWriter::i16(int16_t v) {
    auto u = static_cast<uint16_t>(v);
    char b[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    bytes(b, 2);
}

void ByteWriter::i32(int32_t v) {
    auto u = static_cast<uint32_t>(v);
    char b[4];
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    bytes(b, 4);
}

void ByteWriter::f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    bytes(b, 8);
}

void ByteWriter::raw(const std::string& s) {
    // The count is 16 bits without a sign: a field read from a file (other programs wrote up to 65535
    // bytes) goes back with the count it came with. The program never lets an edit make a field
    // longer than kMaxFieldBytes; only a field beyond any count is cut, between characters, rather
    // than written with a wrong count.
    size_t n = s.size();
    if (n > 0xFFFF) {
        n = 0;
        while (n < s.size()) {
            auto c = static_cast<unsigned char>(s[n]);
            size_t len = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
            if (n + len > 0xFFFF) break;
            n += len;
        }
        if (n > s.size()) n = s.size();
    }
    u16(static_cast<uint16_t>(n));
    bytes(s.data(), n);
}

void ByteWriter::text(const std::string& utf8) { raw(utf8ToCp932(utf8)); }

bool ByteReader::take(size_t n) {
    if (failed_ || d_.size() - pos_ < n || pos_ > d_.size()) {
        failed_ = true;
        return false;
    }
    return true;
}

void ByteReader::bytes(void* p, size_t n) {
    if (!take(n)) {
        std::memset(p, 0, n);
        return;
    }
    std::memcpy(p, d_.data() + pos_, n);
    pos_ += n;
}

int16_t ByteReader::i16() {
    unsigned char b[2];
    bytes(b, 2);
    return static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
}

int32_t ByteReader::i32() {
    unsigned char b[4];
    bytes(b, 4);
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | b[i];
    return static_cast<int32_t>(u);
}

double ByteReader::f64() {
    unsigned char b[8];
    bytes(b, 8);
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

std::string ByteReader::raw() {
    // The count is read as unsigned: a negative one in a damaged file is simply too long.
    size_t n = static_cast<uint16_t>(i16());
    if (failed_ || !take(n)) return {};
    std::string s = d_.substr(pos_, n);
    pos_ += n;
    return s;
}

std::string ByteReader::text() { return cp932ToUtf8(raw()); }

}  // namespace tw
