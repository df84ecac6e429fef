#include "io/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace tw {

namespace {
std::string convert(std::string_view s, const char* from, const char* to, size_t unitIn) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(s);
    std::string out;
    std::vector<char> buf(s.size() * 4 + 16);
    char* in = const_cast<char*>(s.data());
    size_t inLeft = s.size();
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = buf.size();
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf.data(), buf.size() - oLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // Skip one bad unit and mark it.
            out.push_back('?');
            const size_t skip = std::min(inLeft, unitIn);
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}
}  // namespace

std::string cp932ToUtf8(std::string_view s) {
    bool ascii = true;
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(s);
    return convert(s, "CP932", "UTF-8", 1);
}

std::string utf8ToCp932(std::string_view s) {
    bool ascii = true;
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return std::string(s);
    return convert(s, "UTF-8", "CP932", 1);
}

bool looksLikeUtf8(std::string_view s) {
    bool nonAscii = false;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n;
        if ((c & 0xE0) == 0xC0 && c >= 0xC2) n = 1;
        else if ((c & 0xF0) == 0xE0) n = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (i + n >= s.size() + 0 && i + n > s.size() - 1 + 1) return false;
        for (size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size()) return false;
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        nonAscii = true;
        i += n + 1;
    }
    return nonAscii;
}

}  // namespace tw
