// Writes an RGB picture as a PNG without any library: stored (uncompressed)
// deflate blocks are enough for a test artifact.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <vector>

inline uint32_t png_crc(const uint8_t *data, size_t size, uint32_t crc = 0xFFFFFFFFu) {
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

inline void png_put32(std::vector<uint8_t> &out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(v >> shift));
}

inline void png_chunk(std::vector<uint8_t> &out, const char *type,
                      const std::vector<uint8_t> &data) {
    png_put32(out, (uint32_t)data.size());
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    png_put32(out, png_crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// rgb: width * height * 3 bytes, top row first.
inline bool png_write(const char *path, int width, int height, const std::vector<uint8_t> &rgb) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), rgb.begin() + (size_t)y * width * 3,
                   rgb.begin() + (size_t)(y + 1) * width * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back((uint8_t)n);
        z.push_back((uint8_t)(n >> 8));
        z.push_back((uint8_t)~n);
        z.push_back((uint8_t)(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0) break;
    }
    png_put32(z, (b << 16) | a);
    std::vector<uint8_t> header;
    png_put32(header, (uint32_t)width);
    png_put32(header, (uint32_t)height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png_chunk(file, "IHDR", header);
    png_chunk(file, "IDAT", z);
    png_chunk(file, "IEND", {});
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    return fclose(f) == 0 && ok;
}
