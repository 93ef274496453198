#include "fontx2/fontx2.h"

#include <string.h>

// A header byte, or 0 when the font is too short to hold it.
static uint8_t header_byte(const uint8_t *data, uint64_t size, uint64_t at) {
    return at < size ? data[at] : 0;
}

bool fontx2_has_signature(const uint8_t *data, uint64_t size) {
    return data && size >= FONTX2_SIGNATURE_LENGTH &&
           memcmp(data, FONTX2_SIGNATURE, FONTX2_SIGNATURE_LENGTH) == 0;
}

bool glyph_sheet_parse(GlyphSheet *sheet, const uint8_t *data, uint64_t size) {
    if (!fontx2_has_signature(data, size)) return false;
    sheet->font = data;
    sheet->font_size = size;
    sheet->glyph_width = header_byte(data, size, 14);
    sheet->glyph_height = header_byte(data, size, 15);
    sheet->glyph_row_bytes = (uint16_t)((sheet->glyph_width + 7) / 8);
    sheet->glyph_bytes = (uint16_t)(sheet->glyph_height * sheet->glyph_row_bytes);
    sheet->code_type = header_byte(data, size, 16);
    if (sheet->code_type != 0) {
        sheet->block_count = header_byte(data, size, 17);
        uint16_t total = 0;
        for (uint32_t i = 0; i < sheet->block_count; ++i) {
            CodeBlock *block = &sheet->blocks[i];
            uint64_t at = 18 + 4 * (uint64_t)i;
            if (at + 4 > size) {
                // Entry missing from the data: it holds no code and no glyph.
                block->first_code = 0xFFFF;
                block->last_code = 0;
                block->first_glyph = total;
                continue;
            }
            block->first_code = (uint16_t)(data[at] | data[at + 1] << 8);
            block->last_code = (uint16_t)(data[at + 2] | data[at + 3] << 8);
            block->first_glyph = total;
            total = (uint16_t)(total + (uint16_t)(block->last_code - block->first_code + 1));
        }
        sheet->data_offset = (uint16_t)(18 + 4 * sheet->block_count);
    } else {
        sheet->block_count = 0;
        sheet->data_offset = 17;
    }
    return sheet->glyph_width != 0 && sheet->glyph_height != 0;
}

// The codes the blocks hold, as a bit map; a block read past the end of the
// data, or one whose end is below its start, holds none.
static void glyph_sheet_cover(GlyphSheet *sheet) {
    memset(sheet->coverage, 0, sizeof sheet->coverage);
    for (uint32_t i = 0; i < sheet->block_count; ++i) {
        const CodeBlock *block = &sheet->blocks[i];
        for (uint32_t code = block->first_code; code <= block->last_code;) {
            if ((code & 15) == 0 && code + 15 <= block->last_code) {
                sheet->coverage[code >> 4] = 0xFFFF; // a whole line at once
                code += 16;
            } else {
                sheet->coverage[code >> 4] |= (uint16_t)(1u << (code & 15));
                ++code;
            }
        }
    }
    sheet->covered_codes = sheet->covered_lines = 0;
    for (uint32_t line = 0; line < FONTX2_CODE_LINES; ++line) {
        sheet->covered_codes += (uint32_t)__builtin_popcount(sheet->coverage[line]);
        sheet->covered_lines += sheet->coverage[line] != 0;
    }
}

bool glyph_code_covered(const GlyphSheet *sheet, uint32_t code) {
    return code <= 0xFFFF && (sheet->coverage[code >> 4] >> (code & 15) & 1);
}

// The JIS grid serves a font when at least half of the codes it holds are
// JIS X 0208 cells; otherwise nearly every cell would show the first glyph.
static bool glyph_sheet_wants_code_order(const GlyphSheet *sheet) {
    uint32_t jis_cells = 0;
    for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1)
        for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2)
            jis_cells += glyph_code_covered(sheet, jis_to_sjis((uint16_t)(j1 << 8 | j2)));
    return 2 * jis_cells < sheet->covered_codes;
}

bool glyph_sheet_layout(GlyphSheet *sheet, const uint8_t *data, uint64_t size, int single_column) {
    sheet->sheet_width = sheet->sheet_height = 0;
    sheet->sheet_row_bytes = sheet->sheet_stride = 0;
    sheet->double_byte = sheet->bottom_up = sheet->single_column = sheet->code_order = 0;
    sheet->covered_codes = sheet->covered_lines = 0;
    sheet->sheet_bits = nullptr;
    if (!glyph_sheet_parse(sheet, data, size)) return false;
    sheet->double_byte = sheet->code_type != 0;
    sheet->single_column = single_column ? 1 : 0;
    if (sheet->double_byte) {
        glyph_sheet_cover(sheet);
        sheet->code_order = glyph_sheet_wants_code_order(sheet);
    }
    // At most 65,536 codes of 255 rows: every size fits 32 bits.
    if (sheet->code_order) {
        sheet->sheet_width = sheet->glyph_width * (sheet->single_column ? 1u : 16u);
        sheet->sheet_height = sheet->glyph_height *
                              (sheet->single_column ? sheet->covered_codes : sheet->covered_lines);
    } else if (!sheet->single_column) {
        uint32_t n = sheet->double_byte ? 94 : 16;
        sheet->sheet_width = sheet->glyph_width * n;
        sheet->sheet_height = sheet->glyph_height * n;
    } else {
        sheet->sheet_width = sheet->glyph_width;
        sheet->sheet_height = sheet->glyph_height * (sheet->double_byte ? 8836u : 256u);
    }
    sheet->sheet_row_bytes = (sheet->sheet_width + 7) / 8;
    return true;
}

int32_t glyph_index_of(const GlyphSheet *sheet, uint32_t code) {
    if (sheet->code_type == 0) return (int32_t)(code & 0xFF);
    for (uint32_t i = 0; i < sheet->block_count; ++i) {
        const CodeBlock *block = &sheet->blocks[i];
        if (block->first_code <= code && code <= block->last_code) {
            return (int32_t)(block->first_glyph + code - block->first_code);
        }
    }
    return GLYPH_NONE;
}

int32_t glyph_index_run(const GlyphSheet *sheet, uint32_t code, uint32_t *run_end) {
    if (sheet->code_type == 0) {
        *run_end = code | 0xFF;
        return (int32_t)(code & 0xFF);
    }
    // A later code leaves the run where an earlier block (which wins) starts,
    // or where the holding block ends.
    uint32_t end = 0xFFFFFFFFu;
    for (uint32_t i = 0; i < sheet->block_count; ++i) {
        const CodeBlock *block = &sheet->blocks[i];
        if (block->first_code <= code && code <= block->last_code) {
            if (block->last_code < end) end = block->last_code;
            *run_end = end;
            return (int32_t)(block->first_glyph + code - block->first_code);
        }
        if (block->first_code > code && block->first_code - 1u < end) end = block->first_code - 1u;
    }
    *run_end = end;
    return GLYPH_NONE;
}

const uint8_t *glyph_address(const GlyphSheet *sheet, int32_t index) {
    uint64_t at = sheet->data_offset;
    if (index > 0) at += (uint64_t)index * sheet->glyph_bytes;
    if (at + sheet->glyph_bytes > sheet->font_size) return nullptr;
    return sheet->font + at;
}

uint16_t jis_to_sjis(uint16_t jis) {
    uint32_t x = (uint32_t)jis - 0x2121;
    x += (x & 0x100) ? 0x9E : 0x40;
    if ((x & 0xFF) >= 0x7F) x += 1;
    uint32_t s = (((x >> 1) & ~0xFFu) + 0x8100) | (x & 0xFF);
    if (s >= 0xA000) s += 0x4000;
    return (uint16_t)s;
}

uint32_t glyph_sheet_stride(const GlyphSheet *sheet, uint32_t row_alignment) {
    if (row_alignment == 0 || (row_alignment & (row_alignment - 1))) row_alignment = 1;
    return (sheet->sheet_row_bytes + row_alignment - 1) & ~(row_alignment - 1);
}

uint64_t glyph_sheet_bytes(const GlyphSheet *sheet, uint32_t row_alignment) {
    return (uint64_t)glyph_sheet_stride(sheet, row_alignment) * sheet->sheet_height;
}
