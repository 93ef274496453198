// Fonts whose every glyph is a function of its code, so a test can tell
// which glyph landed in which cell; made with the project's own writer.
#pragma once

#include "fontx2/fontx2_writer.h"

#include <stdint.h>
#include <vector>

// A glyph bitmap that is a function of its code, so a test can tell which
// glyph landed in which cell. Every row carries ink; bits beyond the glyph
// width are set too (a reader must never draw them).
void synthetic_code_glyph(uint32_t code, uint32_t width, uint32_t height, uint8_t *out);

// Synthetic fonts made of synthetic_code_glyph bitmaps: single-byte, and
// double-byte with every JIS X 0208 cell.
std::vector<uint8_t> synthetic_font_single(uint8_t width, uint8_t height);
std::vector<uint8_t> synthetic_font_double(uint8_t width, uint8_t height);
// A double-byte font with the given block table. Glyph i (in the font's own
// glyph order) is synthetic_code_glyph(i), so a test can tell which block a
// cell's glyph came from; a block running backwards gets no glyphs.
std::vector<uint8_t> synthetic_font_blocks(uint8_t width, uint8_t height,
                                           const std::vector<Fontx2Range> &ranges);
// An ascending table of `blocks` small blocks (one to four codes, some codes
// skipped between them), as converters write for fonts of scattered codes:
// JIS X 0208 cells in Shift-JIS (at most about 6,000 blocks), or codes from
// 0x0020 on (the font's own code order). More than 255 blocks make the
// writer wrap the count byte.
std::vector<Fontx2Range> synthetic_many_ranges(uint32_t blocks, bool jis_cells);
