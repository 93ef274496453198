// A small FONTX2 writer: the demo's sample fonts and the tests' synthetic
// fonts are made with it. Not part of the plug-in.
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
