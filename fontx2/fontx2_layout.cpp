// Laying a glyph sheet out: which code every cell shows, and the sheet's size.
#include "fontx2/fontx2.h"

#include "common/little_endian.h"

#include <string.h>

// Bits lo to hi (0 to 15) of a coverage word.
static uint16_t line_bits(uint32_t lo, uint32_t hi) {
    return (uint16_t)((0xFFFFu >> (15 - hi)) & (0xFFFFu << lo));
}

// How many glyph indices, from 0, lie wholly within the font data.
static uint64_t glyphs_that_fit(const Fontx2Font *font) {
    if (font->glyph_bytes == 0) return font->glyph_offset <= font->whole_bytes ? UINT64_MAX : 0;
    if (font->whole_bytes <= font->glyph_offset) return 0;
    return (font->whole_bytes - font->glyph_offset) / font->glyph_bytes;
}

// Marks the codes of one line held (and shown, when asked, where no earlier
// block holds them already: the earlier block's glyph is the code's).
static void cover_line(Fontx2Layout *layout, uint32_t line, uint16_t held, bool show) {
    if (show) layout->shown[line] |= held & (uint16_t)~layout->coverage[line];
    layout->coverage[line] |= held;
}

// Codes lo to hi: the partial lines at either end, then the whole lines
// between in tight loops (every code a font holds passes here).
static void cover_range(Fontx2Layout *layout, uint32_t lo, uint32_t hi, bool show) {
    const uint32_t first_line = lo >> 4, last_line = hi >> 4;
    if (first_line == last_line) {
        cover_line(layout, first_line, line_bits(lo & 15, hi & 15), show);
        return;
    }
    cover_line(layout, first_line, line_bits(lo & 15, 15), show);
    cover_line(layout, last_line, line_bits(0, hi & 15), show);
    uint16_t *coverage = layout->coverage + first_line + 1;
    const uint32_t whole = last_line - first_line - 1;
    if (show)
        for (uint32_t i = 0; i < whole; ++i) layout->shown[first_line + 1 + i] |= ~coverage[i];
    memset(coverage, 0xFF, whole * sizeof *coverage);
}

// A block's codes: the first `shown` of them have their glyph present.
static void cover_block(Fontx2Layout *layout, const Fontx2Block *block, uint64_t shown) {
    const uint32_t first = block->first_code, last = block->last_code;
    // The first code without its glyph (a block holds at most 65,536 codes).
    const uint64_t shown_end = first + (shown < 0x10000 ? shown : 0x10000);
    if (shown_end > first)
        cover_range(layout, first, shown_end > last ? last : (uint32_t)shown_end - 1, true);
    if (shown_end <= last) cover_range(layout, (uint32_t)shown_end, last, false);
}

// Four lines of a coverage map as one word: bit (code & 63) for the codes of
// lines line to line + 3 (little-endian hosts only: see common/little_endian.h).
static uint64_t four_lines(const uint16_t *map, uint32_t line) {
    uint64_t word;
    memcpy(&word, map + line, sizeof word);
    return word;
}

// How many of a word's four 16-bit lines hold a code: each line's bits are
// folded into its lowest one.
static uint32_t lines_held(uint64_t word) {
    word |= (word >> 8) & 0x00FF00FF00FF00FFull;
    word |= (word >> 4) & 0x0F0F0F0F0F0F0F0Full;
    word |= (word >> 2) & 0x3333333333333333ull;
    word |= (word >> 1) & 0x5555555555555555ull;
    return (uint32_t)__builtin_popcountll(word & 0x0001000100010001ull);
}

// The JIS X 0208 cells held: two rows share a Shift-JIS lead byte (0x81 to
// 0x9F, 0xE0 to 0xEF), with trail bytes 0x40 to 0x7E (the second word of the
// lead byte's 256 codes but 0x7F) and 0x80 to 0xFC (the third, and the fourth
// but 0xFD to 0xFF).
static uint32_t held_jis_cells(const Fontx2Layout *layout) {
    uint32_t cells = 0;
    for (uint32_t lead = 0x81; lead <= 0xEF; lead = lead == 0x9F ? 0xE0 : lead + 1) {
        const uint32_t line = lead << 4;
        cells += (uint32_t)__builtin_popcountll(four_lines(layout->coverage, line + 4) &
                                                0x7FFFFFFFFFFFFFFFull) +
                 (uint32_t)__builtin_popcountll(four_lines(layout->coverage, line + 8)) +
                 (uint32_t)__builtin_popcountll(four_lines(layout->coverage, line + 12) &
                                                0x1FFFFFFFFFFFFFFFull);
    }
    return cells;
}

// The codes the blocks hold, as a bit map, and of them those whose glyph is
// present; an entry read past the end of the data, or one whose end is below
// its start, holds none. A block's present glyphs are a prefix of its codes.
static void cover_codes(Fontx2Layout *layout, const Fontx2Font *font) {
    const uint64_t fit = glyphs_that_fit(font);
    Fontx2Block block = {};
    uint32_t first_line = FONTX2_CODE_LINES, last_line = 0; // the lines any block touches
    while (fontx2_next_block(font, &block)) {
        if (block.first_code > block.last_code) continue;
        cover_block(layout, &block, fit > block.first_glyph ? fit - block.first_glyph : 0);
        if (block.first_code >> 4 < first_line) first_line = block.first_code >> 4;
        if (block.last_code >> 4 > last_line) last_line = block.last_code >> 4;
    }
    // Four lines at a time: every code held passed through them.
    for (uint32_t line = first_line & ~3u; line <= last_line; line += 4) {
        const uint64_t held = four_lines(layout->coverage, line);
        const uint64_t shown = four_lines(layout->shown, line);
        layout->codes += (uint32_t)__builtin_popcountll(held);
        layout->lines += lines_held(held);
        layout->shown_codes += (uint32_t)__builtin_popcountll(shown);
        layout->shown_lines += lines_held(shown);
    }
    layout->jis_cells = held_jis_cells(layout);
}

bool fontx2_layout_holds(const Fontx2Layout *layout, uint32_t code) {
    return code <= 0xFFFF && (layout->coverage[code >> 4] >> (code & 15) & 1);
}

bool fontx2_layout_shows(const Fontx2Layout *layout, uint32_t code) {
    return code <= 0xFFFF && (layout->shown[code >> 4] >> (code & 15) & 1);
}

// The order a font gets: single-byte fonts have one; a double-byte font is
// shown in its own code order when asked, or, left to us, when fewer than
// half of the codes it holds are JIS X 0208 cells (on the grid nearly every
// cell would show the first glyph).
static Fontx2Order choose_order(const Fontx2Layout *layout, const Fontx2Font *font,
                                Fontx2Order order) {
    if (!font->double_byte) return FONTX2_ORDER_SINGLE;
    if (order == FONTX2_ORDER_JIS || order == FONTX2_ORDER_CODE) return order;
    return 2 * layout->jis_cells < layout->codes ? FONTX2_ORDER_CODE : FONTX2_ORDER_JIS;
}

int fontx2_lay_out(Fontx2Layout *layout, const Fontx2Font *font, Fontx2Order order,
                   Fontx2Shape shape) {
    memset(layout, 0, sizeof *layout);
    if (!fontx2_has_signature(font->data, font->bytes_at_hand)) return FONTX2_NOT_FONTX2;
    if (font->double_byte) cover_codes(layout, font);
    layout->order = choose_order(layout, font, order);
    layout->shape = shape == FONTX2_COLUMN ? FONTX2_COLUMN : FONTX2_GRID;
    uint32_t cells = 0; // in the whole sheet
    switch (layout->order) {
    case FONTX2_ORDER_SINGLE:
        layout->columns = FONTX2_LINE_CODES;
        cells = FONTX2_SINGLE_CODES;
        break;
    case FONTX2_ORDER_JIS:
        layout->columns = FONTX2_JIS_SIDE;
        cells = FONTX2_JIS_CELLS;
        break;
    default:
        layout->columns = FONTX2_LINE_CODES;
        cells = layout->shown_lines * FONTX2_LINE_CODES;
        break;
    }
    if (layout->shape == FONTX2_COLUMN) {
        // One cell a row: the own code order lists only the codes shown.
        cells = layout->order == FONTX2_ORDER_CODE ? layout->shown_codes : cells;
        layout->columns = 1;
    }
    layout->cell_rows = cells / layout->columns;
    // At most 65,536 cells of 255 pixels: every size fits 32 bits. A sheet
    // without a row (own code order, no glyph there) is empty, 0 x 0.
    if (font->glyph_width && font->glyph_height && layout->cell_rows) {
        layout->width = font->glyph_width * layout->columns;
        layout->height = font->glyph_height * layout->cell_rows;
    }
    return FONTX2_OK;
}

// The next line of 16 codes (from line) showing a code, or FONTX2_CODE_LINES.
static uint32_t next_shown_line(const Fontx2Layout *layout, uint32_t line) {
    while (line < FONTX2_CODE_LINES && layout->shown[line] == 0) ++line;
    return line;
}

// The next code (from code) the own code order shows, or 0x10000.
static uint32_t next_shown_code(const Fontx2Layout *layout, uint32_t code) {
    while (code <= 0xFFFF) {
        uint32_t bits = layout->shown[code >> 4] >> (code & 15);
        if (bits) return code + (uint32_t)__builtin_ctz(bits);
        code = (code | 15) + 1;
    }
    return code;
}

bool fontx2_next_row(const Fontx2Layout *layout, uint32_t *walk, uint32_t *code) {
    // In the own code order the walk is the next code or line to look from;
    // elsewhere it counts rows.
    if (layout->order == FONTX2_ORDER_CODE) {
        if (layout->shape == FONTX2_COLUMN) {
            *walk = next_shown_code(layout, *walk);
            if (*walk > 0xFFFF) return false;
            *code = (*walk)++;
        } else {
            *walk = next_shown_line(layout, *walk);
            if (*walk >= FONTX2_CODE_LINES) return false;
            *code = (*walk)++ * FONTX2_LINE_CODES;
        }
        return true;
    }
    if (*walk >= layout->cell_rows) return false;
    uint32_t cell = (*walk)++ * layout->columns;
    if (layout->order == FONTX2_ORDER_SINGLE) {
        *code = cell;
    } else {
        *code = fontx2_jis_to_sjis(
            (uint16_t)((0x21 + cell / FONTX2_JIS_SIDE) << 8 | (0x21 + cell % FONTX2_JIS_SIDE)));
    }
    return true;
}
