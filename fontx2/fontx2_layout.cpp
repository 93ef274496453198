// Laying a glyph sheet out: which code every cell shows, and the sheet's size.
#include "fontx2/fontx2.h"

#include <string.h>

// The codes the blocks hold, as a bit map; an entry read past the end of the
// data, or one whose end is below its start, holds none.
static void cover_codes(Fontx2Layout *layout, const Fontx2Font *font) {
    uint16_t *coverage = layout->coverage;
    Fontx2Block block = {};
    while (fontx2_next_block(font, &block)) {
        for (uint32_t code = block.first_code; code <= block.last_code;) {
            if ((code & 15) == 0 && code + 15 <= block.last_code) {
                coverage[code >> 4] = 0xFFFF; // a whole line at once
                code += 16;
            } else {
                coverage[code >> 4] |= (uint16_t)(1u << (code & 15));
                ++code;
            }
        }
    }
    for (uint32_t line = 0; line < FONTX2_CODE_LINES; ++line) {
        layout->codes += (uint32_t)__builtin_popcount(coverage[line]);
        layout->lines += coverage[line] != 0;
    }
    for (uint32_t row = 0; row < FONTX2_JIS_SIDE; ++row)
        for (uint32_t cell = 0; cell < FONTX2_JIS_SIDE; ++cell)
            layout->jis_cells += fontx2_layout_holds(
                layout, jis_to_sjis((uint16_t)((0x21 + row) << 8 | (0x21 + cell))));
}

bool fontx2_layout_holds(const Fontx2Layout *layout, uint32_t code) {
    return code <= 0xFFFF && (layout->coverage[code >> 4] >> (code & 15) & 1);
}

// The order a font gets: single-byte fonts have one; a double-byte font is
// shown in its own code order when asked, or, left to us, when fewer than
// half of the codes it holds are JIS X 0208 cells (on the grid nearly every
// cell would show the first glyph).
static uint32_t choose_order(const Fontx2Layout *layout, const Fontx2Font *font, int order) {
    if (!font->double_byte) return FONTX2_ORDER_SINGLE;
    if (order == FONTX2_ORDER_JIS || order == FONTX2_ORDER_CODE) return (uint32_t)order;
    return 2 * layout->jis_cells < layout->codes ? FONTX2_ORDER_CODE : FONTX2_ORDER_JIS;
}

int fontx2_lay_out(Fontx2Layout *layout, const Fontx2Font *font, int order, int shape) {
    memset(layout, 0, sizeof *layout);
    if (!fontx2_has_signature(font->data, font->size)) return FONTX2_NOT_FONTX2;
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
        cells = layout->lines * FONTX2_LINE_CODES;
        break;
    }
    if (layout->shape == FONTX2_COLUMN) {
        // One cell a row: the own code order lists only the codes held.
        cells = layout->order == FONTX2_ORDER_CODE ? layout->codes : cells;
        layout->columns = 1;
    }
    layout->cell_rows = cells / layout->columns;
    // At most 65,536 cells of 255 pixels: every size fits 32 bits.
    if (font->glyph_width && font->glyph_height) {
        layout->width = font->glyph_width * layout->columns;
        layout->height = font->glyph_height * layout->cell_rows;
    }
    return FONTX2_OK;
}

// The next line of 16 codes (from line) holding a code, or FONTX2_CODE_LINES.
static uint32_t next_held_line(const Fontx2Layout *layout, uint32_t line) {
    while (line < FONTX2_CODE_LINES && layout->coverage[line] == 0) ++line;
    return line;
}

// The next code (from code) some block holds, or 0x10000.
static uint32_t next_held_code(const Fontx2Layout *layout, uint32_t code) {
    while (code <= 0xFFFF) {
        uint32_t bits = layout->coverage[code >> 4] >> (code & 15);
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
            *walk = next_held_code(layout, *walk);
            if (*walk > 0xFFFF) return false;
            *code = (*walk)++;
        } else {
            *walk = next_held_line(layout, *walk);
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
        *code = jis_to_sjis(
            (uint16_t)((0x21 + cell / FONTX2_JIS_SIDE) << 8 | (0x21 + cell % FONTX2_JIS_SIDE)));
    }
    return true;
}
