// A small FONTX2 writer: the demo's sample fonts, the tests' synthetic fonts
// and the fonts fontx2sheet makes and repairs are made with it. Not part of
// the plug-in.
#pragma once

#include <stdint.h>
#include <vector>

struct Fontx2Range {
    uint16_t first_code;
    uint16_t last_code;
};

// Bytes of one glyph bitmap.
uint32_t fontx2_glyph_bytes(uint32_t width, uint32_t height);

// A single-byte font: glyphs holds 256 bitmaps in code order.
std::vector<uint8_t> fontx2_write_single(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<uint8_t> &glyphs);

// A double-byte font: glyphs holds the bitmaps of every code of every range,
// range after range, in code order. More than 255 ranges are all written,
// with the count byte holding their number modulo 256, as some converters
// store it.
std::vector<uint8_t> fontx2_write_double(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<Fontx2Range> &ranges,
                                         const std::vector<uint8_t> &glyphs);

// The Shift-JIS ranges of a full JIS X 0208 grid: one range per Shift-JIS
// lead byte row (0x8140-0x817E, 0x8180-0x81FC, ...), 94 ranges in all.
std::vector<Fontx2Range> fontx2_sjis_rows();

// The glyphs a font is meant to hold.
struct Fontx2Glyphs {
    char name[8];                 // padded with spaces; written as it is
    uint8_t width, height;        // cell in pixels
    bool double_byte;             // code type 1, else 0
    std::vector<uint32_t> codes;  // ascending, unique; < 256 single-byte, < 0x10000 double-byte
    std::vector<uint8_t> bitmaps; // codes.size() * fontx2_glyph_bytes(width, height), in code order
};

// The table of a double-byte font holding codes (ascending, unique) in at most
// max_blocks blocks (above 255 taken as 255, all a count byte holds): one block
// per run of consecutive codes; when there are R runs and R > max_blocks, the
// R - max_blocks smallest gaps between runs are closed (among equal gaps, the
// lower codes first), which leaves the fewest blank glyphs. Empty when codes
// is empty or max_blocks is 0.
std::vector<Fontx2Range> fontx2_plan_blocks(const std::vector<uint32_t> &codes,
                                            uint32_t max_blocks);

struct Fontx2Written {
    std::vector<uint8_t> bytes; // header + table + glyphs, nothing more
    uint32_t blocks = 0;
    uint64_t glyphs = 0;       // bitmaps written (double-byte: codes of all blocks; single: 256)
    uint64_t blank_glyphs = 0; // of them, codes not in glyphs.codes (merged gaps; single-byte:
                               // codes not given)
};

// Writes the font: single-byte, 256 glyphs (codes not given blank); double-byte,
// the planned table with the count byte equal to it, merged codes blank.
// False, with *out untouched, when there is no code, a code out of range, codes
// not ascending, bitmaps of the wrong size, or (double-byte) max_blocks 0.
bool fontx2_write_font(const Fontx2Glyphs &glyphs, uint32_t max_blocks, Fontx2Written *out);

// Reads bytes back twice, with the project's reader (fontx2_read + fontx2_lookup)
// and with the reader of display libraries (fontx2_device_lookup), and compares
// every code's glyph in glyphs with the bitmap meant for it; every other code
// (merged or not given) must read blank or not at all. True when both agree
// everywhere; else *bad_code (when not null) is the first code that differs,
// or the first code of glyphs when the header (name, cell, code type) differs.
bool fontx2_check_font(const std::vector<uint8_t> &bytes, const Fontx2Glyphs &glyphs,
                       uint32_t *bad_code);
