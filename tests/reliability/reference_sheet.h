// An independent, deliberately naive rendering of a glyph sheet, and a maker
// of hostile fonts. The fuzz targets and the reliability tests compare the
// plug-in's pictures with this rendering, so it shares no code with fontx2/:
// it recomputes the header, the block table, the Shift-JIS mapping and every
// pixel on its own, reading nothing outside the bytes it is given.
#pragma once

#include <stdint.h>
#include <string.h>
#include <vector>

// The fuzz targets need no coverage feedback from the reference itself, and
// tracing its loops would cost most of their time.
#if defined(__clang__)
#define REFERENCE_UNTRACED __attribute__((no_sanitize("coverage")))
#else
#define REFERENCE_UNTRACED
#endif

namespace reference {

inline uint8_t byte_at(const uint8_t *font, uint64_t size, uint64_t at) {
    return at < size ? font[at] : 0;
}

struct Geometry {
    uint32_t glyph_width, glyph_height, double_byte;
    uint64_t width, height; // sheet size in pixels
};

// The sheet's geometry, or false when the data is no FONTX2 font.
inline bool sheet_geometry(const uint8_t *font, uint64_t size, int single_column, Geometry *g) {
    if (!font || size < 6 || memcmp(font, "FONTX2", 6) != 0) return false;
    g->glyph_width = byte_at(font, size, 14);
    g->glyph_height = byte_at(font, size, 15);
    g->double_byte = byte_at(font, size, 16) != 0;
    uint64_t cells = g->double_byte ? 94 : 16;
    if (single_column) {
        g->width = g->glyph_width;
        g->height = (uint64_t)g->glyph_height * cells * cells;
    } else {
        g->width = (uint64_t)g->glyph_width * cells;
        g->height = (uint64_t)g->glyph_height * cells;
    }
    if (g->glyph_width == 0 || g->glyph_height == 0) g->width = g->height = 0;
    return true;
}

// JIS X 0208 row/cell to Shift-JIS, the textbook way.
inline uint32_t sjis_of(uint32_t j1, uint32_t j2) {
    uint32_t s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    uint32_t s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
    return s1 << 8 | s2;
}

// Byte offset of the glyph drawn for a code, or -1 when none is drawn (the
// bitmap would reach past the data).
REFERENCE_UNTRACED inline int64_t glyph_offset(const uint8_t *font, uint64_t size, uint32_t code) {
    uint64_t row_bytes = (byte_at(font, size, 14) + 7) / 8;
    uint64_t glyph_bytes = row_bytes * byte_at(font, size, 15);
    int64_t index = code;
    uint64_t start = 17;
    if (byte_at(font, size, 16) != 0) {
        uint32_t blocks = byte_at(font, size, 17);
        start = 18 + 4 * (uint64_t)blocks;
        index = -1;
        uint32_t total = 0;
        for (uint32_t i = 0; i < blocks && 18 + 4 * (uint64_t)i + 4 <= size; ++i) {
            const uint8_t *e = font + 18 + 4 * i;
            uint32_t first = e[0] | e[1] << 8, last = e[2] | e[3] << 8;
            if (index < 0 && first <= code && code <= last) index = total + code - first;
            total = (total + last - first + 1) & 0xFFFF;
        }
        if (index < 0) index = 0; // a code no block holds shows the first glyph
    }
    uint64_t at = start + (uint64_t)index * glyph_bytes;
    return at + glyph_bytes <= size ? (int64_t)at : -1;
}

// The plain picture's pixel block: 1 bit per pixel, rows padded to 4 bytes,
// bottom-up. Empty when the data is no font.
REFERENCE_UNTRACED inline std::vector<uint8_t> plain_pixels(const uint8_t *font, uint64_t size,
                                                            int single_column) {
    Geometry g;
    if (!sheet_geometry(font, size, single_column, &g)) return {};
    uint64_t stride = ((g.width + 7) / 8 + 3) / 4 * 4;
    std::vector<uint8_t> out(stride * g.height, 0);
    if (g.width == 0) return out;
    uint32_t row_bytes = (g.glyph_width + 7) / 8;
    uint32_t cells = g.double_byte ? 94 * 94 : 256;
    for (uint32_t cell = 0; cell < cells; ++cell) {
        uint32_t code = g.double_byte ? sjis_of(0x21 + cell / 94, 0x21 + cell % 94) : cell;
        int64_t at = glyph_offset(font, size, code);
        if (at < 0) continue;
        uint32_t per_row = g.double_byte ? 94 : 16;
        uint64_t cx = single_column ? 0 : cell % per_row;
        uint64_t cy = single_column ? cell : cell / per_row;
        for (uint32_t y = 0; y < g.glyph_height; ++y) {
            for (uint32_t x = 0; x < g.glyph_width; ++x) {
                if (!(font[at + y * row_bytes + x / 8] >> (7 - x % 8) & 1)) continue;
                uint64_t px = cx * g.glyph_width + x;
                uint64_t py = cy * g.glyph_height + y;
                out[(g.height - 1 - py) * stride + px / 8] |= (uint8_t)(0x80 >> (px % 8));
            }
        }
    }
    return out;
}

// ---- Hostile fonts ---------------------------------------------------------------

struct Random {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }
};

// A font with a valid signature and whatever else: random header bytes, block
// tables that point past the end, overlap or run backwards, and glyph data cut
// anywhere. Glyph sizes stay small except now and then, so a run stays quick.
inline std::vector<uint8_t> hostile_font(uint64_t seed) {
    Random r{seed * 0x9E3779B97F4A7C15ull + 1};
    uint32_t kind = r.below(6);
    std::vector<uint8_t> f(17, 0);
    memcpy(f.data(), "FONTX2", 6);
    for (int i = 6; i < 14; ++i) f[i] = (uint8_t)r.next();
    // Large glyphs only in single-byte fonts: a double-byte sheet of them
    // takes gigabytes, which the largest-sheet tests cover on their own.
    f[16] = (uint8_t)(r.below(3) == 0 ? 0 : 1 + r.below(255));
    bool big = f[16] == 0 && r.below(15) == 0;
    f[14] = (uint8_t)(big ? 200 + r.below(56) : r.below(14));
    f[15] = (uint8_t)(big ? 200 + r.below(56) : r.below(14));
    uint32_t glyph_bytes = (f[14] + 7) / 8 * f[15];
    uint32_t glyphs = 0;
    if (f[16] != 0) {
        uint32_t blocks = r.below(256);
        f.push_back((uint8_t)blocks);
        for (uint32_t i = 0; i < blocks; ++i) {
            uint32_t first, last;
            switch (kind) {
            case 0: // plausible rows
                first = 0x8140 + 0x100 * r.below(0x6F) + r.below(0x40);
                last = first + r.below(0xBC);
                break;
            case 1: // inverted
                last = 0x8140 + r.below(0x6000);
                first = last + 1 + r.below(0x100);
                break;
            case 2: // overlapping the same codes
                first = 0x8140 + r.below(0x200);
                last = first + r.below(0x800);
                break;
            default: // anything
                first = r.next() & 0xFFFF;
                last = r.next() & 0xFFFF;
                break;
            }
            for (uint32_t v : {first & 0xFF, first >> 8 & 0xFF, last & 0xFF, last >> 8 & 0xFF})
                f.push_back((uint8_t)v);
            glyphs += (last - first + 1) & 0xFFFF;
        }
    } else {
        glyphs = 256;
    }
    // Glyph data: complete, short of the table's promise, or none at all.
    uint64_t promised = (uint64_t)glyphs * glyph_bytes;
    uint64_t data = kind == 4 ? 0 : kind == 5 ? r.below(4096) : promised;
    if (data > promised) data = promised;
    if (r.below(3) == 0 && data > 0) data -= 1 + r.below((uint32_t)(data < 64 ? data : 64));
    if (data > (1u << 21)) data = 1u << 21;
    size_t at = f.size();
    f.resize(at + data);
    for (uint64_t i = 0; i < data; i += 4) {
        uint32_t word = r.next();
        memcpy(&f[at + i], &word, data - i < 4 ? data - i : 4);
    }
    // The table itself cut short now and then.
    if (kind == 3 && f.size() > 18) f.resize(18 + r.below((uint32_t)f.size() - 17));
    return f;
}

} // namespace reference
