// FONTX2 bitmap fonts and their glyph sheets: every glyph of a font in its own
// cell, as a grid (16 x 16 cells single-byte, 94 x 94 double-byte) or as one
// column, drawn at 1 bit per pixel.
//
// The font data is whatever the host handed us, so every read is bounded by
// the bytes actually present: header bytes past the end read as 0, and a block
// entry or glyph bitmap that lies past the end is not read (its cell stays
// blank).
#pragma once

#include <stdint.h>

#define FONTX2_SIGNATURE "FONTX2"

struct CodeBlock {
    uint16_t first_code;  // first Shift-JIS code of the block
    uint16_t last_code;   // last code, inclusive
    uint16_t first_glyph; // glyph index of first_code
};

struct GlyphSheet {
    const uint8_t *font;      // the font data (its signature)
    uint16_t glyph_width;     // header byte 14
    uint16_t glyph_height;    // header byte 15
    uint16_t glyph_bytes;     // glyph_height * glyph_row_bytes
    uint16_t glyph_row_bytes; // (glyph_width + 7) / 8
    uint16_t data_offset;     // first glyph bitmap
    uint8_t code_type;        // header byte 16: 0 single-byte
    uint16_t block_count;     // header byte 17 (double-byte)
    CodeBlock blocks[256];
    uint32_t sheet_width;
    uint32_t sheet_height;
    uint32_t sheet_row_bytes; // (sheet_width + 7) / 8
    uint32_t sheet_stride;    // set when drawing
    uint8_t double_byte;
    uint8_t bottom_up; // set when drawing
    uint8_t single_column;
    uint8_t *sheet_bits; // set when drawing
    uint64_t font_size;  // bytes of font data present; reads stay below it
};

// Glyph index used for a block entry we could not read: it holds no code.
enum { GLYPH_NONE = -1 };

bool glyph_sheet_parse(GlyphSheet *sheet, const uint8_t *data, uint64_t size);
bool glyph_sheet_layout(GlyphSheet *sheet, const uint8_t *data, uint64_t size, int single_column);
int32_t glyph_index_of(const GlyphSheet *sheet, uint32_t code);
// The glyph bitmap of a glyph index, or null when it lies (even partly) past
// the end of the font data. An index of 0 or less addresses the first glyph.
const uint8_t *glyph_address(const GlyphSheet *sheet, int32_t index);
bool glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                        int bottom_up);
uint16_t jis_to_sjis(uint16_t jis);
void glyph_blit(GlyphSheet *sheet, uint32_t column, uint32_t row, const uint8_t *glyph);
// Lays the sheet out and draws it into DIB pixel memory: bottom-up rows padded
// to 4 bytes, sheet_height rows.
bool draw_font_sheet(const uint8_t *data, uint64_t size, uint8_t *destination, int single_column);
// Bytes of the 1-bit sheet drawn with the given row alignment (64-bit: the
// largest legal sheets do not fit 32 bits at some depths).
uint64_t glyph_sheet_bytes(const GlyphSheet *sheet, uint32_t row_alignment);
