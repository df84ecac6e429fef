#include "batch/png.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace tw {

namespace {

void put32(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

// Appends a chunk: length, type, data, CRC of type and data.
void chunk(std::vector<unsigned char>& out, const char type[4], const unsigned char* data, size_t n) {
    put32(out, static_cast<uint32_t>(n));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + n);
    const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(n + 4));
    put32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool writePng(const std::string& path, int w, int h, const std::function<const uint32_t*(int)>& row) {
    if (w <= 0 || h <= 0) return false;
    // Each row: filter byte 0 (none), then R, G, B.
    const size_t stride = 1 + 3 * static_cast<size_t>(w);
    std::vector<unsigned char> raw(stride * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        unsigned char* p = raw.data() + stride * static_cast<size_t>(y);
        *p++ = 0;
        const uint32_t* src = row(y);
        for (int x = 0; x < w; ++x) {
            *p++ = static_cast<unsigned char>(src[x] >> 16);
            *p++ = static_cast<unsigned char>(src[x] >> 8);
            *p++ = static_cast<unsigned char>(src[x]);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;

    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(w));
    put32(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // depth 8, RGB, deflate, filters, no interlace
    chunk(out, "IHDR", header.data(), header.size());
    chunk(out, "IDAT", packed.data(), packedSize);
    chunk(out, "IEND", nullptr, 0);

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace tw
