#include "fontx2.h"
#include "fontx2_fast.h"

#include <string.h>

// A header byte, or 0 when the font is too short to hold it.
static uint8_t header_byte(const uint8_t *data, uint64_t size, uint64_t at) {
    return at < size ? data[at] : 0;
}

static bool has_signature(const uint8_t *data, uint64_t size) {
    return data && size >= 6 && memcmp(data, FONTX2_SIGNATURE, 6) == 0;
}

bool glyph_sheet_parse(GlyphSheet *sheet, const uint8_t *data, uint64_t size) {
    if (!has_signature(data, size)) return false;
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

bool glyph_sheet_layout(GlyphSheet *sheet, const uint8_t *data, uint64_t size, int single_column) {
    sheet->sheet_width = sheet->sheet_height = 0;
    sheet->sheet_row_bytes = sheet->sheet_stride = 0;
    sheet->double_byte = sheet->bottom_up = sheet->single_column = 0;
    sheet->sheet_bits = nullptr;
    if (!glyph_sheet_parse(sheet, data, size)) return false;
    sheet->double_byte = sheet->code_type != 0;
    sheet->single_column = single_column ? 1 : 0;
    if (!sheet->single_column) {
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

void glyph_blit(GlyphSheet *sheet, uint32_t column, uint32_t row, const uint8_t *glyph) {
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

uint64_t glyph_sheet_bytes(const GlyphSheet *sheet, uint32_t row_alignment) {
    uint64_t stride =
        ((uint64_t)sheet->sheet_row_bytes + row_alignment - 1) & ~(uint64_t)(row_alignment - 1);
    return stride * sheet->sheet_height;
}

bool glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                        int bottom_up) {
    if (!sheet || !has_signature(sheet->font, sheet->font_size)) return false;
    if (row_alignment == 0 || (row_alignment & (row_alignment - 1))) row_alignment = 1;
    sheet->sheet_stride = (sheet->sheet_row_bytes + row_alignment - 1) & ~(row_alignment - 1);
    sheet->bottom_up = bottom_up ? 1 : 0;
    sheet->sheet_bits = destination;
    uint64_t bytes = (uint64_t)sheet->sheet_stride * sheet->sheet_height;
    if (bytes) memset(destination, 0, (size_t)bytes);
    if (sheet->sheet_width == 0 || sheet->sheet_height == 0) return true;

    if (!sheet->double_byte) {
        for (uint32_t code = 0; code < 256; ++code) {
            const uint8_t *glyph = glyph_address(sheet, glyph_index_of(sheet, code));
            if (!glyph) continue;
            if (sheet->single_column) {
                glyph_blit(sheet, 0, code, glyph);
            } else {
                glyph_blit(sheet, code % 16, code / 16, glyph);
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
                glyph_blit(sheet, 0, (j1 - 0x21) * 94 + (j2 - 0x21), glyph);
            } else {
                glyph_blit(sheet, j2 - 0x21, j1 - 0x21, glyph);
            }
        }
    }
    return true;
}

bool draw_font_sheet(const uint8_t *data, uint64_t size, uint8_t *destination, int single_column) {
    if (!has_signature(data, size)) return false;
    GlyphSheet sheet;
    glyph_sheet_layout(&sheet, data, size, single_column);
    return glyph_sheet_render_fast(&sheet, 4, destination, 1);
}
