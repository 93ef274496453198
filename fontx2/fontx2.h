// FONTX2 bitmap fonts and their glyph sheets: every glyph of a font in its own
// cell, as a grid (16 x 16 cells single-byte, 94 x 94 double-byte) or as one
// column, drawn at 1 bit per pixel.
//
// A double-byte font whose blocks hold mostly codes outside the JIS X 0208
// grid (Unicode or another code set) is laid out in its own code order
// instead: 16 columns, one row for every line of 16 codes that holds one of
// its codes; or, as one column, every code it holds in ascending order.
//
// The font data is whatever the host handed us, so every read is bounded by
// the bytes actually present: header bytes past the end read as 0, and a block
// entry or glyph bitmap that lies past the end is not read (its cell stays
// blank).
#pragma once

#include <stdint.h>

#define FONTX2_SIGNATURE "FONTX2"
enum {
    FONTX2_SIGNATURE_LENGTH = 6,
    FONTX2_HEADER_BYTES = 18 + 4 * 255, // the longest header with its block table
    FONTX2_CODE_LINES = 4096,           // lines of 16 codes in the 16-bit code space
};

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
    // Double-byte fonts, set by glyph_sheet_layout: the codes the blocks hold.
    uint8_t code_order;                   // laid out in the font's own code order
    uint32_t covered_codes;               // codes some block holds
    uint32_t covered_lines;               // lines of 16 codes holding at least one
    uint16_t coverage[FONTX2_CODE_LINES]; // bit (code & 15) of word (code >> 4)
};

// Glyph index used for a block entry we could not read: it holds no code.
enum { GLYPH_NONE = -1 };

// True when size bytes at data begin with the signature.
bool fontx2_has_signature(const uint8_t *data, uint64_t size);

bool glyph_sheet_parse(GlyphSheet *sheet, const uint8_t *data, uint64_t size);
bool glyph_sheet_layout(GlyphSheet *sheet, const uint8_t *data, uint64_t size, int single_column);
// True when some block of the laid-out double-byte font holds the code.
bool glyph_code_covered(const GlyphSheet *sheet, uint32_t code);
int32_t glyph_index_of(const GlyphSheet *sheet, uint32_t code);
// The glyph index of code (as glyph_index_of) and, in *run_end, the last code
// up to which every following code c maps to index + (c - code), or to
// GLYPH_NONE as well when index is GLYPH_NONE. *run_end >= code.
int32_t glyph_index_run(const GlyphSheet *sheet, uint32_t code, uint32_t *run_end);
// The glyph bitmap of a glyph index, or null when it lies (even partly) past
// the end of the font data. An index of 0 or less addresses the first glyph.
const uint8_t *glyph_address(const GlyphSheet *sheet, int32_t index);
uint16_t jis_to_sjis(uint16_t jis);
// Bytes from one row of the 1-bit sheet to the next at the given row
// alignment (a power of two; anything else counts as 1).
uint32_t glyph_sheet_stride(const GlyphSheet *sheet, uint32_t row_alignment);
// Bytes of the 1-bit sheet drawn with the given row alignment (64-bit: the
// largest legal sheets do not fit 32 bits at some depths).
uint64_t glyph_sheet_bytes(const GlyphSheet *sheet, uint32_t row_alignment);

// Draws a laid-out sheet a memory row at a time: every destination byte
// (padding included) is written once, so nothing stale remains. The
// destination holds glyph_sheet_bytes(sheet, row_alignment) bytes. False for
// a sheet without a font, or one whose size does not follow from its glyphs
// (not laid out by glyph_sheet_layout); nothing is written then.
bool glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                        int bottom_up);
// Lays the sheet out and draws it into DIB pixel memory: bottom-up rows padded
// to 4 bytes, sheet_height rows.
bool draw_font_sheet(const uint8_t *data, uint64_t size, uint8_t *destination, int single_column);
