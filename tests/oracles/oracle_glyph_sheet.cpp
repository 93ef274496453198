// The glyph sheet drawn bit by bit, one OR per ink pixel, from the same code
// lookup as the plug-in: the row-wise drawing must give the same bytes.
#include "tests/oracles/oracles.h"

#include <string.h>

static void oracle_glyph_blit(GlyphSheet *sheet, uint32_t column, uint32_t row,
                              const uint8_t *glyph) {
    for (uint32_t y = 0; y < sheet->glyph_height; ++y) {
        const uint8_t *source = glyph + y * sheet->glyph_row_bytes;
        uint32_t sheet_y = row * sheet->glyph_height + y;
        uint32_t memory_row = sheet->bottom_up ? sheet->sheet_height - 1 - sheet_y : sheet_y;
        uint8_t *line = sheet->sheet_bits + (uint64_t)memory_row * sheet->sheet_stride;
        for (uint32_t x = 0; x < sheet->glyph_width; ++x) {
            if (!(source[x / 8] & (0x80 >> (x % 8)))) continue;
            uint32_t sheet_x = column * sheet->glyph_width + x;
            line[sheet_x / 8] |= (uint8_t)(0x80 >> (sheet_x % 8));
        }
    }
}

bool oracle_glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                               int bottom_up) {
    if (!sheet || !fontx2_has_signature(sheet->font, sheet->font_size)) return false;
    sheet->sheet_stride = glyph_sheet_stride(sheet, row_alignment);
    sheet->bottom_up = bottom_up ? 1 : 0;
    sheet->sheet_bits = destination;
    uint64_t bytes = (uint64_t)sheet->sheet_stride * sheet->sheet_height;
    if (bytes) memset(destination, 0, (size_t)bytes);
    if (sheet->sheet_width == 0 || sheet->sheet_height == 0) return true;

    if (sheet->code_order) {
        // Every code some block holds, by its line of 16 or one per row.
        uint32_t line_row = 0, code_row = 0;
        for (uint32_t line = 0; line < 4096; ++line) {
            bool held = false;
            for (uint32_t c = 0; c < 16; ++c) {
                int32_t index = glyph_index_of(sheet, line * 16 + c);
                if (index == GLYPH_NONE) continue;
                held = true;
                const uint8_t *glyph = glyph_address(sheet, index);
                if (glyph && sheet->single_column) oracle_glyph_blit(sheet, 0, code_row, glyph);
                if (glyph && !sheet->single_column) oracle_glyph_blit(sheet, c, line_row, glyph);
                ++code_row;
            }
            line_row += held;
        }
        return true;
    }
    if (!sheet->double_byte) {
        for (uint32_t code = 0; code < 256; ++code) {
            const uint8_t *glyph = glyph_address(sheet, glyph_index_of(sheet, code));
            if (!glyph) continue;
            if (sheet->single_column) {
                oracle_glyph_blit(sheet, 0, code, glyph);
            } else {
                oracle_glyph_blit(sheet, code % 16, code / 16, glyph);
            }
        }
        return true;
    }
    for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2) {
            uint16_t code = jis_to_sjis((uint16_t)(j1 << 8 | j2));
            const uint8_t *glyph = glyph_address(sheet, glyph_index_of(sheet, code));
            if (!glyph) continue;
            if (sheet->single_column) {
                oracle_glyph_blit(sheet, 0, (j1 - 0x21) * 94 + (j2 - 0x21), glyph);
            } else {
                oracle_glyph_blit(sheet, j2 - 0x21, j1 - 0x21, glyph);
            }
        }
    }
    return true;
}
