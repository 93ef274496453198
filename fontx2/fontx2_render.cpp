// Drawing a glyph sheet a whole memory row at a time: glyph rows are moved a
// byte or a word at a time with shifts, and code-to-glyph lookups follow runs
// of consecutive codes instead of searching the block table for every code.
#include "fontx2/fontx2.h"

#include <string.h>

namespace {

// The longest glyph bitmap (255 rows of 32 bytes): cells whose bitmap is not
// wholly in the font data are drawn from here, blank.
const uint8_t FONTX2_BLANK_GLYPH[255 * 32] = {};

enum { FONTX2_MAX_COLUMNS = 94 };

// Sequential code lookup: remembers the run of the last code looked up, so a
// row of increasing codes costs one block-table scan per run.
struct GlyphCursor {
    const GlyphSheet *sheet;
    uint32_t run_start;
    uint32_t run_end;
    int32_t run_index;
    bool valid;
};

const uint8_t *glyph_cursor_glyph(GlyphCursor *cursor, uint32_t code) {
    if (!cursor->valid || code < cursor->run_start || code > cursor->run_end) {
        cursor->run_start = code;
        cursor->run_index = glyph_index_run(cursor->sheet, code, &cursor->run_end);
        cursor->valid = true;
    }
    int32_t index = cursor->run_index;
    if (index != GLYPH_NONE) index += (int32_t)(code - cursor->run_start);
    const uint8_t *glyph = glyph_address(cursor->sheet, index);
    return glyph ? glyph : FONTX2_BLANK_GLYPH;
}

uint32_t fontx2_load_le(const uint8_t *p, uint32_t bytes) {
    uint32_t v = 0;
    memcpy(&v, p, bytes); // little-endian hosts only (x86 and its Windows)
    return v;
}

// Byte-aligned glyph widths of 1, 2 or 4 bytes: the cells of a memory row are
// gathered into 64-bit words, so one store writes 8, 4 or 2 cells.
template <uint32_t ROW_BYTES>
void fontx2_row_packed(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns,
                       uint32_t offset) {
    const uint32_t per_word = 8 / ROW_BYTES;
    uint32_t c = 0;
    for (; c + per_word <= columns; c += per_word) {
        uint64_t word = 0;
        for (uint32_t k = 0; k < per_word; ++k)
            word |= (uint64_t)fontx2_load_le(glyphs[c + k] + offset, ROW_BYTES)
                    << (8 * ROW_BYTES * k);
        memcpy(line, &word, 8);
        line += 8;
    }
    for (; c < columns; ++c, line += ROW_BYTES) memcpy(line, glyphs[c] + offset, ROW_BYTES);
}

void fontx2_row_bytes(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns,
                      uint32_t offset, uint32_t row_bytes) {
    for (uint32_t c = 0; c < columns; ++c, line += row_bytes)
        memcpy(line, glyphs[c] + offset, row_bytes);
}

// Glyph widths that are not a multiple of 8: the cells' bits are run through
// a 64-bit accumulator and leave it 32 at a time, most significant first.
struct BitWriter {
    uint8_t *out;
    uint64_t pending; // the low `bits` bits are not yet stored
    uint32_t bits;    // below 32 between calls
};

inline void bit_writer_put(BitWriter *w, uint32_t value, uint32_t count) {
    w->pending = (w->pending << count) | value;
    w->bits += count;
    if (w->bits >= 32) {
        w->bits -= 32;
        uint32_t word = (uint32_t)(w->pending >> w->bits);
        uint8_t bytes[4] = {(uint8_t)(word >> 24), (uint8_t)(word >> 16), (uint8_t)(word >> 8),
                            (uint8_t)word};
        memcpy(w->out, bytes, 4);
        w->out += 4;
    }
}

inline void bit_writer_flush(BitWriter *w) {
    for (; w->bits >= 8; w->bits -= 8) *w->out++ = (uint8_t)(w->pending >> (w->bits - 8));
    if (w->bits) *w->out++ = (uint8_t)(w->pending << (8 - w->bits));
    w->bits = 0;
}

// The top `count` bits (1 to 32) of the bytes at p, right-aligned.
inline uint32_t fontx2_load_bits(const uint8_t *p, uint32_t count) {
    uint32_t bytes = (count + 7) / 8, v = 0;
    for (uint32_t i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v >> (8 * bytes - count);
}

void fontx2_row_bits(uint8_t *line, const uint8_t *const *glyphs, uint32_t columns, uint32_t offset,
                     uint32_t width) {
    BitWriter w = {line, 0, 0};
    if (width <= 16) {
        // One or two source bytes per cell, extracted the same way every time.
        const uint32_t shift = (width > 8 ? 16 : 8) - width;
        if (width > 8) {
            for (uint32_t c = 0; c < columns; ++c) {
                const uint8_t *p = glyphs[c] + offset;
                bit_writer_put(&w, (uint32_t)(p[0] << 8 | p[1]) >> shift, width);
            }
        } else {
            for (uint32_t c = 0; c < columns; ++c)
                bit_writer_put(&w, (uint32_t)glyphs[c][offset] >> shift, width);
        }
    } else {
        for (uint32_t c = 0; c < columns; ++c) {
            const uint8_t *p = glyphs[c] + offset;
            uint32_t left = width;
            for (; left > 32; left -= 32, p += 4) bit_writer_put(&w, fontx2_load_bits(p, 32), 32);
            bit_writer_put(&w, fontx2_load_bits(p, left), left);
        }
    }
    bit_writer_flush(&w);
}

// One memory row of glyph row `y` across the cells: sheet_row_bytes bytes of
// pixels, then zero padding up to the stride.
void fontx2_write_row(const GlyphSheet *sheet, uint8_t *line, const uint8_t *const *glyphs,
                      uint32_t columns, uint32_t y) {
    const uint32_t width = sheet->glyph_width, row_bytes = sheet->glyph_row_bytes;
    const uint32_t offset = y * row_bytes;
    if (width % 8 != 0 && columns > 1) {
        fontx2_row_bits(line, glyphs, columns, offset, width);
    } else {
        switch (row_bytes) {
        case 1:
            fontx2_row_packed<1>(line, glyphs, columns, offset);
            break;
        case 2:
            fontx2_row_packed<2>(line, glyphs, columns, offset);
            break;
        case 4:
            fontx2_row_packed<4>(line, glyphs, columns, offset);
            break;
        default:
            fontx2_row_bytes(line, glyphs, columns, offset, row_bytes);
            break;
        }
        // A single cell starts on a byte boundary: only its last byte may hold
        // bits beyond the glyph width, which are never drawn.
        if (width % 8 != 0) line[row_bytes - 1] &= (uint8_t)(0xFF00 >> (width % 8));
    }
    memset(line + sheet->sheet_row_bytes, 0, sheet->sheet_stride - sheet->sheet_row_bytes);
}

// The Shift-JIS code of cell k of a double-byte sheet, in drawing order.
uint32_t fontx2_cell_code(const GlyphSheet *sheet, uint32_t k) {
    if (!sheet->double_byte) return k;
    return jis_to_sjis((uint16_t)((0x21 + k / 94) << 8 | (0x21 + k % 94)));
}

// The glyphs of the cells of one cell row, in column order.
struct CellRows {
    const GlyphSheet *sheet;
    GlyphCursor cursor;
    uint32_t columns;
    uint32_t next; // own code order: where the next line or code is looked for
};

void fontx2_cell_row_glyphs(CellRows *rows, uint32_t cell_row, const uint8_t **glyphs) {
    const GlyphSheet *sheet = rows->sheet;
    if (!sheet->code_order) {
        for (uint32_t c = 0; c < rows->columns; ++c)
            glyphs[c] = glyph_cursor_glyph(&rows->cursor,
                                           fontx2_cell_code(sheet, cell_row * rows->columns + c));
        return;
    }
    // Own code order: the next code the font holds, or the next line holding
    // one; a code it does not hold is a blank cell.
    if (sheet->single_column) {
        while (rows->next <= 0xFFFF && !glyph_code_covered(sheet, rows->next)) ++rows->next;
        glyphs[0] = rows->next <= 0xFFFF ? glyph_cursor_glyph(&rows->cursor, rows->next++)
                                         : FONTX2_BLANK_GLYPH;
        return;
    }
    while (rows->next < FONTX2_CODE_LINES && sheet->coverage[rows->next] == 0) ++rows->next;
    for (uint32_t c = 0; c < 16; ++c) {
        const uint32_t code = rows->next * 16 + c;
        glyphs[c] = glyph_code_covered(sheet, code) ? glyph_cursor_glyph(&rows->cursor, code)
                                                    : FONTX2_BLANK_GLYPH;
    }
    ++rows->next;
}

} // namespace

bool glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                        int bottom_up) {
    if (!sheet || !fontx2_has_signature(sheet->font, sheet->font_size)) return false;
    uint32_t columns = 0, cell_rows = 0;
    if (sheet->code_order) {
        columns = sheet->single_column ? 1 : 16;
        cell_rows = sheet->single_column ? sheet->covered_codes : sheet->covered_lines;
    } else {
        columns = sheet->single_column ? 1 : (sheet->double_byte ? 94 : 16);
        cell_rows = (sheet->double_byte ? 8836 : 256) / columns;
    }
    sheet->sheet_stride = glyph_sheet_stride(sheet, row_alignment);
    sheet->bottom_up = bottom_up ? 1 : 0;
    sheet->sheet_bits = destination;
    // An empty sheet (a glyph width or height of 0) has nothing to draw.
    if (sheet->sheet_width == 0 || sheet->sheet_height == 0) return true;
    // Rows are written whole, so the sheet's size must be the one its glyphs
    // give: anything else could write past the destination.
    if (sheet->sheet_width != sheet->glyph_width * columns ||
        sheet->sheet_height != sheet->glyph_height * cell_rows ||
        sheet->sheet_row_bytes != (sheet->sheet_width + 7) / 8 || sheet->glyph_row_bytes > 32 ||
        sheet->glyph_bytes != sheet->glyph_height * sheet->glyph_row_bytes)
        return false;

    CellRows rows = {sheet, {sheet, 0, 0, 0, false}, columns, 0};
    const uint8_t *glyphs[FONTX2_MAX_COLUMNS];
    const uint32_t height = sheet->glyph_height;
    for (uint32_t cell_row = 0; cell_row < cell_rows; ++cell_row) {
        fontx2_cell_row_glyphs(&rows, cell_row, glyphs);
        for (uint32_t y = 0; y < height; ++y) {
            const uint32_t sheet_y = cell_row * height + y;
            const uint32_t memory_row = bottom_up ? sheet->sheet_height - 1 - sheet_y : sheet_y;
            fontx2_write_row(sheet, destination + (uint64_t)memory_row * sheet->sheet_stride,
                             glyphs, columns, y);
        }
    }
    return true;
}

bool draw_font_sheet(const uint8_t *data, uint64_t size, uint8_t *destination, int single_column) {
    if (!fontx2_has_signature(data, size)) return false;
    GlyphSheet sheet;
    glyph_sheet_layout(&sheet, data, size, single_column);
    return glyph_sheet_render(&sheet, 4, destination, 1);
}
