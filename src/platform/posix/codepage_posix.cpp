// CP932 through iconv. Unmappable characters become "?", as on Windows; bytes that are no CP932
// character are kept (codepage_detail.h).
#include "platform/codepage.h"
#include "platform/codepage_detail.h"

#include <cerrno>
#include <iconv.h>

namespace tw {

namespace {

size_t utf8SeqLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }

    // Converts `in` into `out`. With `lenient`, an input sequence that cannot be converted becomes
    // "?" (one UTF-8 character is skipped); without, the conversion fails there.
    bool run(const std::string& in, std::string& out, bool lenient) {
        out.clear();
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 2 + 8);
        char* inp = const_cast<char*>(in.data());
        size_t inleft = in.size();
        char buf[1024];
        while (inleft > 0) {
            char* outp = buf;
            size_t outleft = sizeof buf;
            size_t r = iconv(cd_, &inp, &inleft, &outp, &outleft);
            out.append(buf, static_cast<size_t>(outp - buf));
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: one character that cannot be converted.
            if (!lenient) return false;
            size_t skip = utf8SeqLen(static_cast<unsigned char>(*inp));
            if (skip > inleft) skip = inleft;
            inp += skip;
            inleft -= skip;
            out.push_back('?');
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string codepage::encodeRun(const std::string& utf8) {
    if (utf8.empty()) return {};
    thread_local Converter conv("CP932", "UTF-8");
    std::string out;
    conv.run(utf8, out, true);
    return out;
}

bool codepage::decodeRun(const std::string& bytes, std::string& utf8) {
    thread_local Converter conv("UTF-8", "CP932");
    return conv.run(bytes, utf8, false);
}

}  // namespace tw
