#include "tests/support/crafted_fonts.h"
#include "tests/support/synthetic_fonts.h"

#include <algorithm>
#include <stdlib.h>

namespace {

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> grown(std::vector<uint8_t> bytes, size_t more) {
    bytes.insert(bytes.end(), more, 0x18);
    return bytes;
}

std::vector<uint8_t> with(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
}

std::vector<Fontx2Range> padded(std::vector<Fontx2Range> ranges, size_t n, uint16_t code) {
    ranges.insert(ranges.end(), n, Fontx2Range{code, code});
    return ranges;
}

// A single-byte font whose glyphs 0x21 and 0xFF have no ink, nor do the
// controls, the space and DEL.
std::vector<uint8_t> blanks() {
    std::vector<uint8_t> glyphs(256 * 16, 0xFF);
    std::fill(glyphs.begin(), glyphs.begin() + 0x22 * 16, 0);
    std::fill(glyphs.begin() + 0x7F * 16, glyphs.begin() + 0x80 * 16, 0);
    std::fill(glyphs.begin() + 0xFF * 16, glyphs.end(), 0);
    return fontx2_write_single("BLANKS", 8, 16, glyphs);
}

const std::vector<Fontx2Range> ROWS = {{0x8140, 0x817E}, {0x8180, 0x81FC}};

} // namespace

std::vector<CraftedFont> crafted_fonts() {
    const std::vector<uint8_t> single = synthetic_font_single(8, 16); // 17 + 256 * 16 bytes
    const std::vector<uint8_t> rows = synthetic_font_blocks(8, 8, ROWS);
    const std::vector<uint8_t> ascii = synthetic_font_blocks(8, 16, {{0x20, 0x7E}});
    const std::vector<uint8_t> flipped = with(with(single, 16, 1), 17, 0); // no blocks
    const std::vector<uint8_t> pads =
        synthetic_font_blocks(8, 8, padded({{0x20, 0x7E}}, 200, 0xFFFF));
    return {
        {"single", single, {}},
        {"double", synthetic_font_double(16, 16), {}},
        {"header cut", cut(single, 12), {{FONTX2_HEADER_CUT, 1}}},
        // Glyph 0x41 is the first not wholly there, by one byte.
        {"single cut", cut(single, 17 + 0x41 * 16 + 15), {{FONTX2_GLYPHS_CUT, 191, 191, 0x41}}},
        {"double cut", cut(rows, rows.size() - 1), {{FONTX2_GLYPHS_CUT, 1, 1, 0x81FC}}},
        {"table cut",
         cut(synthetic_font_blocks(8, 8, {ROWS[0], {0x8240, 0x8250}}), 18 + 4 + 3),
         {{FONTX2_TABLE_CUT, 1}, {FONTX2_GLYPHS_CUT, 63, 63, 0x8140}}},
        {"zero width", with(single, FONTX2_AT_WIDTH, 0), {{FONTX2_ZERO_SIZE, 1}}},
        {"code type 2",
         with(flipped, FONTX2_AT_CODE_TYPE, 2),
         {{FONTX2_CODE_TYPE_INVALID, 1}, {FONTX2_NO_GLYPHS, 1}, {FONTX2_GLYPHS_UNREACHED, 255}}},
        {"count wrapped",
         synthetic_font_blocks(8, 7, synthetic_many_ranges(300, true)),
         {{FONTX2_COUNT_WRAPPED, 1}}},
        {"inverted",
         synthetic_font_blocks(12, 5, {ROWS[0], {0x8250, 0x8240}, ROWS[1]}),
         {{FONTX2_BLOCK_INVERTED, 1, 0, FONTX2_NO_CODE, {{1, 0, 0x8250, 0x8240}}}}},
        // An inverted block still moves the 16-bit glyph counter (by 2 here),
        // so the block after it reaches past the announced glyphs.
        {"inverted, reached past",
         grown(synthetic_font_blocks(8, 8, {{0x8140, 0x8140}, {0xFFFF, 0}, {0x8141, 0x8141}}), 16),
         {{FONTX2_BLOCK_INVERTED, 1}, {FONTX2_GLYPHS_UNREACHED, 2}}},
        {"no blocks", synthetic_font_blocks(8, 8, {}), {{FONTX2_NO_GLYPHS, 1}}},
        {"only inverted",
         synthetic_font_blocks(8, 8, {{0x8250, 0x8240}}),
         {{FONTX2_BLOCK_INVERTED, 1}, {FONTX2_NO_GLYPHS, 1}}},
        // The first 0xFFFF entry holds it; 199 pad the table.
        {"padding",
         pads,
         {{FONTX2_PADDING_BLOCKS, 199, 0, FONTX2_NO_CODE, {{2, 0, 0xFFFF, 0xFFFF}}},
          {FONTX2_LOW_CODES, 95}}},
        // The last padding glyph cut off: that entry is no padding, but an overlap.
        {"padding cut",
         cut(pads, pads.size() - 1),
         {{FONTX2_GLYPHS_CUT, 1}, {FONTX2_BLOCKS_OVERLAP, 199, 199}, {FONTX2_LOW_CODES, 95}}},
        // The later block loses 0x8240-0x8250 and begins below the first.
        {"overlap",
         synthetic_font_blocks(8, 8, {{0x8240, 0x8260}, {0x8140, 0x8250}}),
         {{FONTX2_BLOCKS_OVERLAP, 1, 17, FONTX2_NO_CODE, {{0, 1, 0x8240, 0x8250}}},
          {FONTX2_TABLE_UNSORTED, 1}}},
        // Sharing only the boundary code is an overlap too.
        {"overlap at one code",
         synthetic_font_blocks(8, 8, {{0x8140, 0x8150}, {0x8150, 0x8160}}),
         {{FONTX2_BLOCKS_OVERLAP, 1, 1, FONTX2_NO_CODE, {{0, 1, 0x8150, 0x8150}}}}},
        // A repeated code before the end of the table is no padding.
        {"repeat inside",
         synthetic_font_blocks(8, 8, {{0x20, 0x7E}, {0x41, 0x41}, {0x100, 0x110}}),
         {{FONTX2_BLOCKS_OVERLAP, 1, 1, FONTX2_NO_CODE, {{0, 1, 0x41, 0x41}}},
          {FONTX2_LOW_CODES, 95}}},
        // A block losing codes to two earlier ones: a run for each.
        {"overlap two",
         synthetic_font_blocks(8, 8, {{0x10, 0x1F}, {0x30, 0x3F}, {0x18, 0x38}}),
         {{FONTX2_BLOCKS_OVERLAP, 2, 17, FONTX2_NO_CODE, {{0, 2, 0x18, 0x1F}, {1, 2, 0x30, 0x38}}},
          {FONTX2_TABLE_UNSORTED, 1},
          {FONTX2_LOW_CODES, 48}}},
        {"single trailing", grown(single, 5), {{FONTX2_TRAILING_BYTES, 1}}},
        // A double-byte font's bytes short of a whole glyph are trailing
        // bytes; a whole glyph's worth is a glyph no block reaches.
        {"double short of a glyph",
         grown(ascii, 15),
         {{FONTX2_TRAILING_BYTES, 1}, {FONTX2_LOW_CODES, 95}}},
        {"double one glyph over",
         grown(ascii, 16),
         {{FONTX2_GLYPHS_UNREACHED, 1}, {FONTX2_LOW_CODES, 95}}},
        {"double three glyphs over",
         grown(ascii, 3 * 16 + 5),
         {{FONTX2_GLYPHS_UNREACHED, 3}, {FONTX2_LOW_CODES, 95}}},
        // Codes below 0x100 in a double-byte font: 0xFF is one, 0x100 is not.
        {"low codes", synthetic_font_blocks(8, 8, {{0xFF, 0x100}}), {{FONTX2_LOW_CODES, 1}}},
        {"flipped single", flipped, {{FONTX2_NO_GLYPHS, 1}, {FONTX2_GLYPHS_UNREACHED, 255}}},
        {"blanks",
         blanks(),
         {{FONTX2_BLANK_RANGE, 2, 0, FONTX2_NO_CODE, {{0, 0, 0x21, 0x21}, {0, 0, 0xFF, 0xFF}}}}},
    };
}

const CraftedFont &crafted_font(const std::vector<CraftedFont> &all, const std::string &name) {
    for (const CraftedFont &f : all)
        if (f.name == name) return f;
    abort();
}
