#include "tests/support/synthetic_fonts.h"

void synthetic_code_glyph(uint32_t code, uint32_t width, uint32_t height, uint8_t *out) {
    uint32_t row_bytes = (width + 7) / 8;
    uint32_t h = code * 2654435761u;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t b = 0; b < row_bytes; ++b) {
            h ^= h << 13;
            h ^= h >> 17;
            h ^= h << 5;
            out[y * row_bytes + b] = (uint8_t)(h >> 24) | 0x01;
        }
        out[y * row_bytes] |= 0x80; // the left column always has ink
    }
}

std::vector<uint8_t> synthetic_font_single(uint8_t width, uint8_t height) {
    uint32_t bytes = fontx2_glyph_bytes(width, height);
    std::vector<uint8_t> glyphs(256 * bytes);
    for (uint32_t code = 0; code < 256; ++code) {
        synthetic_code_glyph(code, width, height, &glyphs[code * bytes]);
    }
    return fontx2_write_single("SYNTH", width, height, glyphs);
}

std::vector<uint8_t> synthetic_font_double(uint8_t width, uint8_t height) {
    uint32_t bytes = fontx2_glyph_bytes(width, height);
    std::vector<Fontx2Range> ranges = fontx2_sjis_rows();
    std::vector<uint8_t> glyphs;
    std::vector<uint8_t> glyph(bytes);
    for (const Fontx2Range &r : ranges) {
        for (uint32_t code = r.first_code; code <= r.last_code; ++code) {
            synthetic_code_glyph(code, width, height, glyph.data());
            glyphs.insert(glyphs.end(), glyph.begin(), glyph.end());
        }
    }
    return fontx2_write_double("SYNTH", width, height, ranges, glyphs);
}

std::vector<uint8_t> synthetic_font_blocks(uint8_t width, uint8_t height,
                                           const std::vector<Fontx2Range> &ranges) {
    const uint32_t bytes = fontx2_glyph_bytes(width, height);
    std::vector<uint8_t> glyphs;
    uint32_t index = 0;
    for (const Fontx2Range &r : ranges) {
        for (uint32_t code = r.first_code; code <= r.last_code; ++code, ++index) {
            glyphs.resize(glyphs.size() + bytes);
            synthetic_code_glyph(index, width, height, &glyphs[glyphs.size() - bytes]);
        }
    }
    return fontx2_write_double("BLOCKS", width, height, ranges, glyphs);
}

// The Shift-JIS code of JIS X 0208 cell number `cell` (0 to 8835).
static uint32_t sjis_cell(uint32_t cell) {
    uint32_t row = cell / 94, column = cell % 94; // row 0 is JIS row 0x21
    uint32_t lead = 0x81 + row / 2;
    if (lead >= 0xA0) lead += 0x40;
    uint32_t trail = row % 2 ? 0x9F + column : 0x40 + column + (column >= 0x3F);
    return lead << 8 | trail;
}

std::vector<Fontx2Range> synthetic_many_ranges(uint32_t blocks, bool jis_cells) {
    std::vector<Fontx2Range> ranges;
    uint32_t at = jis_cells ? 0 : 0x20; // a cell number, or a code
    for (uint32_t i = 0; i < blocks; ++i) {
        if (jis_cells) {
            // One or two cells, within one Shift-JIS row.
            uint32_t length = i % 3 == 2 && (at + 1) % 94 != 0 ? 2 : 1;
            if (at + length > 8836) break;
            ranges.push_back({(uint16_t)sjis_cell(at), (uint16_t)sjis_cell(at + length - 1)});
            at += length + (i % 8 == 7);
        } else {
            uint32_t length = 1 + i % 4;
            if (at + length > 0x10000) break;
            ranges.push_back({(uint16_t)at, (uint16_t)(at + length - 1)});
            at += length + i % 2;
        }
    }
    return ranges;
}
