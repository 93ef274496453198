// An independent, deliberately naive rendering of a glyph sheet. The fuzz
// targets and the reliability tests compare the plug-in's pictures with this
// rendering, so it shares no code with fontx2/: it recomputes the header,
// the block table, the Shift-JIS mapping, the choice of the font's own code
// order and every pixel on its own, reading nothing outside the bytes it is
// given.
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

// JIS X 0208 row/cell to Shift-JIS, the textbook way.
inline uint32_t sjis_of(uint32_t j1, uint32_t j2) {
    uint32_t s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    uint32_t s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
    return s1 << 8 | s2;
}

// Every code a double-byte font's blocks hold, ascending (only entries
// wholly in the data, none for a block running backwards).
REFERENCE_UNTRACED inline std::vector<uint32_t> held_codes(const uint8_t *font, uint64_t size) {
    std::vector<uint32_t> codes;
    if (byte_at(font, size, 16) == 0) return codes;
    std::vector<uint8_t> held(65536, 0);
    uint32_t blocks = byte_at(font, size, 17);
    for (uint32_t i = 0; i < blocks && 18 + 4 * (uint64_t)i + 4 <= size; ++i) {
        const uint8_t *e = font + 18 + 4 * i;
        uint32_t first = e[0] | e[1] << 8, last = e[2] | e[3] << 8;
        for (uint32_t code = first; code <= last; ++code) held[code] = 1;
    }
    for (uint32_t code = 0; code < 65536; ++code)
        if (held[code]) codes.push_back(code);
    return codes;
}

// Sheet orders: as the plug-in chooses, the JIS grid, or the font's own.
enum Order { ORDER_AUTO, ORDER_JIS, ORDER_CODE };

// Of the codes held, those whose glyph lies wholly in the data; the first
// block holding a code gives its glyph.
REFERENCE_UNTRACED inline std::vector<uint32_t> present_codes(const uint8_t *font, uint64_t size,
                                                              const std::vector<uint32_t> &held) {
    uint64_t glyph_bytes = (uint64_t)((byte_at(font, size, 14) + 7) / 8) * byte_at(font, size, 15);
    uint32_t blocks = byte_at(font, size, 17);
    uint64_t start = 18 + 4 * (uint64_t)blocks;
    std::vector<int64_t> index(65536, -1);
    uint32_t total = 0;
    for (uint32_t i = 0; i < blocks && 18 + 4 * (uint64_t)i + 4 <= size; ++i) {
        const uint8_t *e = font + 18 + 4 * i;
        uint32_t first = e[0] | e[1] << 8, last = e[2] | e[3] << 8;
        for (uint32_t code = first; code <= last; ++code)
            if (index[code] < 0) index[code] = (int64_t)total + code - first;
        total = (total + last - first + 1) & 0xFFFF;
    }
    std::vector<uint32_t> codes;
    for (uint32_t code : held)
        if (start + ((uint64_t)index[code] + 1) * glyph_bytes <= size) codes.push_back(code);
    return codes;
}

// The codes a double-byte font is drawn with in its own order, chosen when
// asked for or when fewer than half of the codes it holds are JIS X 0208
// cells: those held whose glyph is there. *chosen says whether the own order
// serves the font at all.
REFERENCE_UNTRACED inline std::vector<uint32_t> own_codes(const uint8_t *font, uint64_t size,
                                                          int order, bool *chosen) {
    *chosen = false;
    if (byte_at(font, size, 16) == 0 || order == ORDER_JIS) return {};
    std::vector<uint32_t> codes = held_codes(font, size);
    if (order != ORDER_CODE) {
        std::vector<uint8_t> held(65536, 0);
        for (uint32_t code : codes) held[code] = 1;
        uint32_t jis = 0;
        for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1)
            for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2) jis += held[sjis_of(j1, j2)];
        if (2 * jis >= codes.size()) return {};
    }
    *chosen = true;
    return present_codes(font, size, codes);
}

// Lines of 16 codes that hold at least one of the codes.
inline uint64_t code_lines(const std::vector<uint32_t> &codes) {
    uint64_t lines = 0;
    for (size_t i = 0; i < codes.size(); ++i) lines += i == 0 || codes[i] >> 4 != codes[i - 1] >> 4;
    return lines;
}

struct Geometry {
    uint32_t glyph_width, glyph_height, double_byte;
    uint64_t width, height; // sheet size in pixels
    bool own_order;
};

// The sheet's geometry, or false when the data is no FONTX2 font.
inline bool sheet_geometry(const uint8_t *font, uint64_t size, int single_column, Geometry *g,
                           int order = ORDER_AUTO) {
    if (!font || size < 6 || memcmp(font, "FONTX2", 6) != 0) return false;
    g->glyph_width = byte_at(font, size, 14);
    g->glyph_height = byte_at(font, size, 15);
    g->double_byte = byte_at(font, size, 16) != 0;
    uint64_t cells = g->double_byte ? 94 : 16;
    std::vector<uint32_t> own = own_codes(font, size, order, &g->own_order);
    if (g->own_order) {
        g->width = (uint64_t)g->glyph_width * (single_column ? 1 : 16);
        g->height = (uint64_t)g->glyph_height * (single_column ? own.size() : code_lines(own));
    } else if (single_column) {
        g->width = g->glyph_width;
        g->height = (uint64_t)g->glyph_height * cells * cells;
    } else {
        g->width = (uint64_t)g->glyph_width * cells;
        g->height = (uint64_t)g->glyph_height * cells;
    }
    if (g->glyph_width == 0 || g->height == 0) g->width = g->height = 0;
    return true;
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

// The sheet drawn pixel by pixel: 1 bit per pixel, rows padded to
// alignment bytes, bottom-up or top-down. Empty when the data is no font.
REFERENCE_UNTRACED inline std::vector<uint8_t> sheet_pixels(const uint8_t *font, uint64_t size,
                                                            int order, int single_column,
                                                            uint64_t alignment, bool bottom_up) {
    Geometry g;
    if (!sheet_geometry(font, size, single_column, &g, order)) return {};
    uint64_t stride = ((g.width + 7) / 8 + alignment - 1) / alignment * alignment;
    std::vector<uint8_t> out(stride * g.height, 0);
    if (g.width == 0) return out;
    uint32_t row_bytes = (g.glyph_width + 7) / 8;
    bool chosen = false;
    std::vector<uint32_t> own = own_codes(font, size, order, &chosen);
    uint32_t cells = g.own_order ? (uint32_t)own.size() : g.double_byte ? 94 * 94 : 256;
    uint64_t line_row = 0;
    for (uint32_t cell = 0; cell < cells; ++cell) {
        uint32_t code = g.double_byte ? sjis_of(0x21 + cell / 94, 0x21 + cell % 94) : cell;
        uint32_t per_row = g.double_byte ? 94 : 16;
        uint64_t cx = single_column ? 0 : cell % per_row;
        uint64_t cy = single_column ? cell : cell / per_row;
        if (g.own_order) {
            code = own[cell];
            if (cell > 0 && code >> 4 != own[cell - 1] >> 4) ++line_row;
            cx = single_column ? 0 : code & 15;
            cy = single_column ? cell : line_row;
        }
        int64_t at = glyph_offset(font, size, code);
        if (at < 0) continue;
        for (uint32_t y = 0; y < g.glyph_height; ++y) {
            for (uint32_t x = 0; x < g.glyph_width; ++x) {
                if (!(font[at + y * row_bytes + x / 8] >> (7 - x % 8) & 1)) continue;
                uint64_t px = cx * g.glyph_width + x;
                uint64_t py = cy * g.glyph_height + y;
                uint64_t row = bottom_up ? g.height - 1 - py : py;
                out[row * stride + px / 8] |= (uint8_t)(0x80 >> (px % 8));
            }
        }
    }
    return out;
}

// The plain picture's pixel block: 1 bit per pixel, rows padded to 4 bytes,
// bottom-up. Empty when the data is no font.
inline std::vector<uint8_t> plain_pixels(const uint8_t *font, uint64_t size, int single_column) {
    return sheet_pixels(font, size, ORDER_AUTO, single_column, 4, true);
}

} // namespace reference
