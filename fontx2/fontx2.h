// FONTX2 bitmap fonts: read a font and look a code up (fontx2_read.cpp), lay
// out its glyph sheet (fontx2_layout.cpp), draw the sheet at 1 bit per pixel
// (fontx2_draw.cpp); code sets in fontx2_codes.cpp. Writing fonts is
// fontx2_writer.h's.
//
//     Fontx2Font font;
//     if (fontx2_read(&font, data, size, size) != FONTX2_OK) return; // no FONTX2 font
//     Fontx2Layout *layout = new Fontx2Layout; // about 16 KB: keep it off small stacks
//     fontx2_lay_out(layout, &font, FONTX2_ORDER_AUTO, FONTX2_GRID);
//     uint64_t stride = row_stride(layout->width, 1, 4); // common/row_stride.h
//     std::vector<uint8_t> bits(stride * layout->height);
//     fontx2_draw(&font, layout, bits.data(), bits.size(), stride, FONTX2_TOP_DOWN);
//
//     Fontx2Glyph glyph;
//     fontx2_lookup(&font, 0x93FA, &glyph); // its block, glyph index, offset, presence
//
// A font is read once into a Fontx2Font, which points into the caller's
// bytes (they must outlive it). Every read stays within the bytes at hand:
// header bytes past them read as 0, a block entry past them holds no code,
// and a glyph not wholly among them is drawn blank.
//
// The sheet puts every glyph in its own cell: 16 x 16 cells for a
// single-byte font, the 94 x 94 JIS X 0208 grid for a double-byte font, or,
// for a double-byte font whose blocks hold mostly other codes (Unicode, say),
// the font's own code order: 16 codes a row, one row for every line of 16
// codes it holds whose glyph is present. Any of them can instead be one
// column, a cell a row.
#pragma once

#include "common/sheet_band.h"

#include <stdint.h>

#define FONTX2_SIGNATURE "FONTX2"

enum {
    FONTX2_SIGNATURE_BYTES = 6,
    FONTX2_NAME_BYTES = 8,
    // The header: signature, name, glyph width, glyph height, code type and,
    // for double-byte fonts, the block count and a 4-byte entry per block.
    FONTX2_AT_NAME = 6,
    FONTX2_AT_WIDTH = 14,
    FONTX2_AT_HEIGHT = 15,
    FONTX2_AT_CODE_TYPE = 16,
    FONTX2_AT_BLOCK_COUNT = 17,
    FONTX2_AT_TABLE = 18,
    FONTX2_SINGLE_GLYPHS_AT = 17, // single-byte fonts have no count and no table
    FONTX2_ENTRY_BYTES = 4,
    FONTX2_HEADER_BYTES = FONTX2_AT_TABLE + FONTX2_ENTRY_BYTES * 255, // with a full table
    FONTX2_SINGLE_CODES = 256,
    FONTX2_LINE_CODES = 16,   // codes in a row of the single-byte and own-order grids
    FONTX2_CODE_LINES = 4096, // lines of 16 codes in the 16-bit code space
    FONTX2_JIS_SIDE = 94,     // rows of the JIS X 0208 grid, and cells in each
    FONTX2_JIS_CELLS = FONTX2_JIS_SIDE * FONTX2_JIS_SIDE,
    FONTX2_MAX_GLYPH_ROW_BYTES = 32, // a glyph row of 255 pixels
    FONTX2_CODES = 0x10000,          // the 16-bit code space
};
// A code no block holds, in fontx2_map_codes's map.
const uint32_t FONTX2_NO_GLYPH = 0xFFFFFFFFu;

// Results: small integers, 0 for success.
enum {
    FONTX2_OK = 0,
    FONTX2_NOT_FONTX2 = 1,
    FONTX2_BAD_LAYOUT = 2,
    FONTX2_BUFFER_TOO_SMALL = 3,
    FONTX2_STOPPED = 4, // a band's receiver asked to stop
};
// What a result means, in a few words ("unknown result" for none of them).
const char *fontx2_result_message(int result);

struct Fontx2Font {
    const uint8_t *data;    // the font's bytes at hand, signature first
    uint64_t bytes_at_hand; // how many: every read stays below
    uint64_t whole_bytes;   // the font data's whole length (>= bytes_at_hand), which
                            // may run past them: a glyph is present when it lies
                            // wholly within it
    uint8_t name[FONTX2_NAME_BYTES];
    uint32_t glyph_width;     // pixels, 0 to 255
    uint32_t glyph_height;    // pixels, 0 to 255
    uint32_t glyph_row_bytes; // (glyph_width + 7) / 8
    uint32_t glyph_bytes;     // glyph_height * glyph_row_bytes
    uint32_t code_type;       // the header byte: 0 single-byte, else double-byte
    bool double_byte;
    uint32_t declared_blocks;  // the count byte
    uint32_t block_count;      // table entries read: the count byte's, or more when the
                               // count wrapped (see fontx2_read)
    uint32_t blocks_at_hand;   // of them, entries wholly within the bytes at hand
    bool table_ascending;      // entries at hand, each above the last: lookups walk it once
    uint64_t glyph_offset;     // of the first glyph bitmap
    uint64_t glyphs_announced; // 256, or the codes of all blocks
    uint64_t glyphs_present;   // of them, bitmaps wholly within whole_bytes
    uint64_t expected_size;    // the header, the table and every announced glyph
    uint64_t head_needed;      // bytes from the start that hold every entry the table
                               // could have: a reader of the head alone needs them at hand
};

// One entry of the block table, in table order. Where blocks overlap, the
// earlier one holds the code.
struct Fontx2Block {
    uint32_t index;       // table position
    uint32_t first_code;  // inclusive
    uint32_t last_code;   // inclusive; below first_code, the block holds nothing
    uint32_t first_glyph; // glyph index of first_code
    bool at_hand;         // the entry lies within the bytes at hand
    uint32_t next;        // walk state: the entry after this one
    uint32_t next_glyph;  // walk state: the glyph counter after this block
};

struct Fontx2Glyph {
    uint32_t code;
    bool held;             // some block holds the code (single-byte: code < 256)
    uint32_t block;        // table position of that block
    uint32_t index;        // glyph index; 0 when not held (the grids show the first glyph there)
    uint64_t offset;       // of its bitmap from the start of the data
    bool present;          // the bitmap lies wholly within whole_bytes
    const uint8_t *bitmap; // the bitmap when wholly at hand, else null
};

enum Fontx2Order {
    FONTX2_ORDER_AUTO,   // the JIS grid unless most codes held lie outside it
    FONTX2_ORDER_JIS,    // the 94 x 94 grid (double-byte fonts)
    FONTX2_ORDER_CODE,   // the font's own code order (double-byte fonts)
    FONTX2_ORDER_SINGLE, // 256 codes (single-byte fonts, whatever was asked)
};
enum Fontx2Shape { FONTX2_GRID, FONTX2_COLUMN };
enum Fontx2Rows { FONTX2_TOP_DOWN, FONTX2_BOTTOM_UP }; // rows in memory

struct Fontx2Layout {
    Fontx2Order order;  // as chosen: JIS, CODE or SINGLE
    Fontx2Shape shape;  // GRID or COLUMN
    uint32_t columns;   // cells across
    uint32_t cell_rows; // cells down
    uint32_t width;     // pixels; 0 x 0 when a glyph dimension is 0 or no cell shows
    uint32_t height;
    // Why the order (double-byte fonts): the codes the blocks hold, how many
    // of them are JIS X 0208 cells, and the lines of 16 codes holding one.
    uint32_t codes;
    uint32_t jis_cells;
    uint32_t lines;
    uint16_t coverage[FONTX2_CODE_LINES]; // bit (code & 15) of word (code >> 4)
    // What the own code order shows: the codes held whose glyph is present
    // (within whole_bytes), how many, and the lines of 16 codes holding one.
    // Cells for absent glyphs would only make the picture larger than the
    // data that fills it.
    uint32_t shown_codes;
    uint32_t shown_lines;
    uint16_t shown[FONTX2_CODE_LINES]; // as coverage
};

// True when size bytes at data begin with the signature.
bool fontx2_has_signature(const uint8_t *data, uint64_t size);
// Reads the header and the block table from size bytes at data; whole_size
// is the font data's whole length when only its head is at hand (as many as
// size otherwise). FONTX2_NOT_FONTX2 without the signature.
//
// A double-byte font's count byte holds a count above 255 modulo 256 when its
// converter wrapped it: with declared count n, if all n entries are blocks
// (first <= last) and they and their glyphs leave bytes of whole_size over,
// the table is read with the smallest n + 256k entries that are all blocks,
// announce fewer than 65,536 glyphs and, with those glyphs, fill whole_size
// exactly. Otherwise, or when those entries are not at hand (see
// head_needed), the count byte holds.
int fontx2_read(Fontx2Font *font, const uint8_t *data, uint64_t size, uint64_t whole_size);
// Walks the block table: start with a zeroed block ({}); each call gives the
// next entry. False after the last.
bool fontx2_next_block(const Fontx2Font *font, Fontx2Block *block);
// Where the glyph of a code lies; returns glyph->present.
bool fontx2_lookup(const Fontx2Font *font, uint32_t code, Fontx2Glyph *glyph);
// Fills in where the bitmap of glyph index lies when the glyphs start at
// glyphs_at (the font's glyph_offset, or where a count-trusting reader takes
// them to start): its offset, whether it lies wholly within whole_bytes
// (present) and, when wholly at hand, the bitmap.
void fontx2_place_glyph(const Fontx2Font *font, uint64_t glyphs_at, uint64_t index,
                        Fontx2Glyph *glyph);
// Every code's glyph index as fontx2_lookup finds it, FONTX2_NO_GLYPH where
// no block holds the code: 256 entries at glyph for a single-byte font,
// FONTX2_CODES for a double-byte one. Blocks claim their codes in table
// order, so where they overlap the earlier one wins; with block (as many
// entries), each held code's table position too (unset where none holds it).
// Returns one past the highest code held (0 when none is).
uint32_t fontx2_map_codes(const Fontx2Font *font, uint32_t *glyph, uint32_t *block);
// True when pixel (x, y) of a glyph bitmap is ink: rows of glyph_row_bytes,
// the leftmost pixel in a byte's top bit.
inline bool fontx2_glyph_pixel(const Fontx2Font *font, const uint8_t *bitmap, uint32_t x,
                               uint32_t y) {
    return (bitmap[(uint64_t)y * font->glyph_row_bytes + (x >> 3)] & (0x80 >> (x & 7))) != 0;
}
// Where a display library on the device finds the glyph of a code. Such
// readers trust the count byte n: they walk its n entries in table order,
// counting each one's codes until one holds the code, and take the glyphs to
// start at 18 + 4n (single-byte fonts: 17 + code x glyph bytes). Fills glyph
// as fontx2_lookup does; a code no entry holds has no glyph. Returns
// glyph->present.
bool fontx2_device_lookup(const Fontx2Font *font, uint32_t code, Fontx2Glyph *glyph);
// Lays the sheet out in the order and shape asked (an order meant for the
// other code type falls back to the font's own: AUTO for double-byte fonts,
// SINGLE for single-byte ones).
int fontx2_lay_out(Fontx2Layout *layout, const Fontx2Font *font, Fontx2Order order,
                   Fontx2Shape shape);
// True when some block of a double-byte font holds the code (per the layout).
bool fontx2_layout_holds(const Fontx2Layout *layout, uint32_t code);
// True when the own code order gives the code a cell: held, glyph present.
bool fontx2_layout_shows(const Fontx2Layout *layout, uint32_t code);
// The sheet's rows top to bottom, by the code of each row's first cell (a
// code-order grid row: its line's first code, shown or not): start with
// *walk = 0; false past the last row.
bool fontx2_next_row(const Fontx2Layout *layout, uint32_t *walk, uint32_t *code);
// Draws the sheet into pixels (pixels_size bytes; rows stride bytes apart,
// top-down or bottom-up). Every byte of the sheet's rows is written, padding
// included. FONTX2_BUFFER_TOO_SMALL, with nothing written, when a row or the
// whole does not fit.
int fontx2_draw(const Fontx2Font *font, const Fontx2Layout *layout, uint8_t *pixels,
                uint64_t pixels_size, uint64_t stride, Fontx2Rows rows);
// Draws the sheet top to bottom a band at a time, so a caller can use each
// band while it is in cache instead of holding the whole sheet: as many whole
// cell rows as band_size bytes hold (rows stride bytes apart, top-down, padded
// like fontx2_draw's), then done(sink, band, first sheet row, rows).
// FONTX2_STOPPED when done returns false; FONTX2_BUFFER_TOO_SMALL, with
// nothing drawn, when a cell row does not fit.
int fontx2_draw_bands(const Fontx2Font *font, const Fontx2Layout *layout, uint8_t *band,
                      uint64_t band_size, uint64_t stride, SheetBandDone done, void *sink);
// A laid-out font as a band source (a SheetDrawer's sheet).
struct Fontx2Sheet {
    const Fontx2Font *font;
    const Fontx2Layout *layout;
};
// A SheetDrawer for a Fontx2Sheet: fontx2_draw_bands, true when it drew all.
bool fontx2_sheet_bands(const void *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
                        SheetBandDone done, void *sink);
// The Shift-JIS code of a JIS X 0208 code (row byte and cell byte, 0x21 to 0x7E).
uint16_t fontx2_jis_to_sjis(uint16_t jis);

// True for a two-byte Shift-JIS code: lead byte 0x81-0x9F or 0xE0-0xFC,
// trail byte 0x40-0x7E or 0x80-0xFC.
bool fontx2_sjis_is_double_byte(uint32_t code);
// Of the codes the blocks of a double-byte font hold (per the layout), how
// many are two-byte Shift-JIS codes: a font whose table holds Unicode has few.
uint32_t fontx2_layout_sjis_codes(const Fontx2Layout *layout);
