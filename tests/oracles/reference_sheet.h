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

// The fuzz targets need no coverage feedback from the reference itself, nor
// sanitizer checks of its plain loops: tracing and checking them would cost
// most of their time.
#if defined(__clang__)
#define REFERENCE_UNTRACED __attribute__((no_sanitize("coverage", "address", "undefined")))
#else
#define REFERENCE_UNTRACED
#endif

namespace reference {

REFERENCE_UNTRACED inline uint8_t byte_at(const uint8_t *font, uint64_t size, uint64_t at) {
    return at < size ? font[at] : 0;
}

// JIS X 0208 row/cell to Shift-JIS, the textbook way.
REFERENCE_UNTRACED inline uint32_t sjis_of(uint32_t j1, uint32_t j2) {
    uint32_t s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    uint32_t s2 = j2 + ((j1 & 1) ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
    return s1 << 8 | s2;
}

// The block table's length: the count byte, or, where a converter stored a
// count above 255 modulo 256, the first count n + 256k whose entries all run
// forwards, hold fewer than 65,536 glyphs and, with them, fill the data to
// the byte (the declared entries must run forwards and fall short of it).
REFERENCE_UNTRACED inline uint32_t block_count(const uint8_t *font, uint64_t size) {
    const uint32_t declared = byte_at(font, size, 17);
    const uint64_t glyph_bytes =
        (uint64_t)(byte_at(font, size, 14) + 7) / 8 * byte_at(font, size, 15);
    for (uint64_t count = declared;; count += 256) {
        if (18 + 4 * count > size) return declared;
        uint64_t glyphs = 0;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t *e = font + 18 + 4 * i;
            uint32_t first = e[0] | e[1] << 8, last = e[2] | e[3] << 8;
            if (first > last) return declared;
            glyphs += last - first + 1;
        }
        uint64_t bytes = 18 + 4 * count + glyphs * glyph_bytes;
        if (count == declared) {
            if (bytes >= size) return declared;
            continue;
        }
        if (glyphs >= 65536 || bytes > size) return declared;
        if (bytes == size) return (uint32_t)count;
    }
}

// Sheet orders: as the plug-in chooses, the JIS grid, or the font's own.
enum Order { ORDER_AUTO, ORDER_JIS, ORDER_CODE };

// What a double-byte font's blocks make of every code: CODE_FREE when no
// block holds it, else whether the glyph of the first block holding it lies
// wholly in the data (only entries wholly in the data hold codes, none a
// block running backwards).
enum CodeState : uint8_t { CODE_FREE, CODE_HELD_ABSENT, CODE_HELD_PRESENT };
REFERENCE_UNTRACED inline std::vector<uint8_t> code_states(const uint8_t *font, uint64_t size) {
    std::vector<uint8_t> states(65536, CODE_FREE);
    uint8_t *state = states.data();
    uint64_t glyph_bytes = (uint64_t)((byte_at(font, size, 14) + 7) / 8) * byte_at(font, size, 15);
    uint32_t blocks = block_count(font, size);
    uint64_t start = 18 + 4 * (uint64_t)blocks;
    // Codes already held are skipped through `next` (the next code that may
    // be free), so a table of many long blocks costs no more than one. Kept
    // between calls: a fresh quarter megabyte each time would cost more.
    static thread_local uint32_t next[65537];
    for (uint32_t code = 0; code <= 65536; ++code) next[code] = code;
    uint32_t total = 0;
    for (uint32_t i = 0; i < blocks && 18 + 4 * (uint64_t)i + 4 <= size; ++i) {
        const uint8_t *e = font + 18 + 4 * i;
        uint32_t first = e[0] | e[1] << 8, last = e[2] | e[3] << 8;
        for (uint32_t code = first;; ++code) {
            while (next[code] != code) code = next[code] = next[next[code]];
            if (code > last) break;
            uint64_t end = start + ((uint64_t)total + code - first + 1) * glyph_bytes;
            state[code] = end <= size ? CODE_HELD_PRESENT : CODE_HELD_ABSENT;
            next[code] = code + 1;
        }
        total = (total + last - first + 1) & 0xFFFF;
    }
    return states;
}

// The codes a double-byte font is drawn with in its own order, chosen when
// asked for or when fewer than half of the codes it holds are JIS X 0208
// cells: those held whose glyph is there, ascending. *chosen says whether
// the own order serves the font at all.
REFERENCE_UNTRACED inline std::vector<uint32_t> own_codes(const uint8_t *font, uint64_t size,
                                                          int order, bool *chosen) {
    *chosen = false;
    if (byte_at(font, size, 16) == 0 || order == ORDER_JIS) return {};
    std::vector<uint8_t> states = code_states(font, size);
    const uint8_t *state = states.data(); // plain reads: untraced in the fuzz targets
    if (order != ORDER_CODE) {
        uint32_t held = 0, jis = 0;
        for (uint32_t code = 0; code < 65536; ++code) held += state[code] != CODE_FREE;
        for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1)
            for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2) jis += state[sjis_of(j1, j2)] != CODE_FREE;
        if (2 * jis >= held) return {};
    }
    *chosen = true;
    std::vector<uint32_t> codes;
    for (uint32_t code = 0; code < 65536; ++code)
        if (state[code] == CODE_HELD_PRESENT) codes.push_back(code);
    return codes;
}

// Lines of 16 codes that hold at least one of the codes.
REFERENCE_UNTRACED inline uint64_t code_lines(const std::vector<uint32_t> &codes) {
    uint64_t lines = 0;
    for (size_t i = 0; i < codes.size(); ++i) lines += i == 0 || codes[i] >> 4 != codes[i - 1] >> 4;
    return lines;
}

struct Geometry {
    uint32_t glyph_width = 0, glyph_height = 0, double_byte = 0;
    uint64_t width = 0, height = 0; // sheet size in pixels
    bool own_order = false;
};

// A font's sheet: its geometry and, in its own order, the codes drawn.
struct Sheet {
    Geometry g;
    std::vector<uint32_t> own;
};

// The sheet of a font, or false when the data is no FONTX2 font.
inline bool sheet_of(const uint8_t *font, uint64_t size, int single_column, int order,
                     Sheet *sheet) {
    if (!font || size < 6 || memcmp(font, "FONTX2", 6) != 0) return false;
    Geometry *g = &sheet->g;
    g->glyph_width = byte_at(font, size, 14);
    g->glyph_height = byte_at(font, size, 15);
    g->double_byte = byte_at(font, size, 16) != 0;
    uint64_t cells = g->double_byte ? 94 : 16;
    sheet->own = own_codes(font, size, order, &g->own_order);
    if (g->own_order) {
        g->width = (uint64_t)g->glyph_width * (single_column ? 1 : 16);
        g->height = (uint64_t)g->glyph_height *
                    (single_column ? sheet->own.size() : code_lines(sheet->own));
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

// The sheet's geometry, or false when the data is no FONTX2 font.
inline bool sheet_geometry(const uint8_t *font, uint64_t size, int single_column, Geometry *g,
                           int order = ORDER_AUTO) {
    Sheet sheet;
    if (!sheet_of(font, size, single_column, order, &sheet)) return false;
    *g = sheet.g;
    return true;
}

// Byte offset of the glyph drawn for a code, or -1 when none is drawn (the
// bitmap would reach past the data); blocks is block_count's answer.
REFERENCE_UNTRACED inline int64_t glyph_offset(const uint8_t *font, uint64_t size, uint32_t code,
                                               uint32_t blocks) {
    uint64_t row_bytes = (byte_at(font, size, 14) + 7) / 8;
    uint64_t glyph_bytes = row_bytes * byte_at(font, size, 15);
    int64_t index = code;
    uint64_t start = 17;
    if (byte_at(font, size, 16) != 0) {
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

// Cell rows first_row to first_row + rows - 1 (counted from the top) of the
// sheet, drawn pixel by pixel: 1 bit per pixel, rows padded to alignment
// bytes, bottom-up or top-down. Empty when the data is no font.
REFERENCE_UNTRACED inline std::vector<uint8_t> sheet_band(const uint8_t *font, uint64_t size,
                                                          const Sheet &sheet, int single_column,
                                                          uint64_t alignment, bool bottom_up,
                                                          uint64_t first_row, uint64_t rows) {
    const Geometry &g = sheet.g;
    const std::vector<uint32_t> &own = sheet.own;
    uint64_t stride = ((g.width + 7) / 8 + alignment - 1) / alignment * alignment;
    uint64_t cell_rows = g.height ? g.height / g.glyph_height : 0;
    if (first_row > cell_rows) first_row = cell_rows;
    if (rows > cell_rows - first_row) rows = cell_rows - first_row;
    uint64_t height = rows * g.glyph_height;
    std::vector<uint8_t> out(stride * height, 0);
    if (g.width == 0) return out;
    uint8_t *bits = out.data(); // plain reads and writes: untraced in the fuzz targets
    const uint32_t *own_code = own.data();
    uint32_t row_bytes = (g.glyph_width + 7) / 8;
    uint32_t cells = g.own_order ? (uint32_t)own.size() : g.double_byte ? 94 * 94 : 256;
    uint64_t line_row = 0;
    const uint32_t blocks = block_count(font, size);
    for (uint32_t cell = 0; cell < cells; ++cell) {
        uint32_t code = g.double_byte ? sjis_of(0x21 + cell / 94, 0x21 + cell % 94) : cell;
        uint32_t per_row = g.double_byte ? 94 : 16;
        uint64_t cx = single_column ? 0 : cell % per_row;
        uint64_t cy = single_column ? cell : cell / per_row;
        if (g.own_order) {
            code = own_code[cell];
            if (cell > 0 && code >> 4 != own_code[cell - 1] >> 4) ++line_row;
            cx = single_column ? 0 : code & 15;
            cy = single_column ? cell : line_row;
        }
        if (cy < first_row || cy >= first_row + rows) continue;
        int64_t at = glyph_offset(font, size, code, blocks);
        if (at < 0) continue;
        for (uint32_t y = 0; y < g.glyph_height; ++y) {
            for (uint32_t x = 0; x < g.glyph_width; ++x) {
                if (!(font[at + y * row_bytes + x / 8] >> (7 - x % 8) & 1)) continue;
                uint64_t px = cx * g.glyph_width + x;
                uint64_t py = (cy - first_row) * g.glyph_height + y;
                uint64_t row = bottom_up ? height - 1 - py : py;
                bits[row * stride + px / 8] |= (uint8_t)(0x80 >> (px % 8));
            }
        }
    }
    return out;
}

// The whole sheet.
inline std::vector<uint8_t> sheet_pixels(const uint8_t *font, uint64_t size, int order,
                                         int single_column, uint64_t alignment, bool bottom_up) {
    Sheet sheet;
    if (!sheet_of(font, size, single_column, order, &sheet)) return {};
    return sheet_band(font, size, sheet, single_column, alignment, bottom_up, 0, UINT64_MAX);
}

// The plain picture's pixel block: 1 bit per pixel, rows padded to 4 bytes,
// bottom-up. Empty when the data is no font.
inline std::vector<uint8_t> plain_pixels(const uint8_t *font, uint64_t size, int single_column) {
    return sheet_pixels(font, size, ORDER_AUTO, single_column, 4, true);
}

} // namespace reference
