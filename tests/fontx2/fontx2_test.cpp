#include "fontx2/fontx2.h"
#include "fontx2/fontx2_writer.h"
#include "tests/oracles/reference_sheet.h"
#include "tests/support/synthetic_fonts.h"
#include "tests/support/test_support.h"

#include "common/row_stride.h"

#include <gtest/gtest.h>
#include <memory>
#include <string.h>

namespace {

// A font read and laid out.
struct Laid {
    Fontx2Font font;
    Fontx2Layout layout;
};

std::unique_ptr<Laid> lay_out(const std::vector<uint8_t> &font, Fontx2Shape shape,
                              Fontx2Order order = FONTX2_ORDER_AUTO) {
    std::unique_ptr<Laid> laid(new Laid);
    EXPECT_EQ(fontx2_read(&laid->font, font.data(), font.size(), font.size()), FONTX2_OK);
    EXPECT_EQ(fontx2_lay_out(&laid->layout, &laid->font, order, shape), FONTX2_OK);
    return laid;
}

// A drawn sheet, read back pixel by pixel from the top-left.
struct Drawn {
    std::vector<uint8_t> bits;
    uint32_t width = 0, height = 0, stride = 0;
    bool bottom_up = true;
    int at(uint32_t x, uint32_t y) const {
        uint32_t row = bottom_up ? height - 1 - y : y;
        return bits[(size_t)row * stride + x / 8] >> (7 - x % 8) & 1;
    }
};

Drawn draw(const std::vector<uint8_t> &font, Fontx2Shape shape, uint32_t alignment = 4,
           bool bottom_up = true) {
    std::unique_ptr<Laid> laid = lay_out(font, shape);
    Drawn d;
    d.width = laid->layout.width;
    d.height = laid->layout.height;
    d.stride = (uint32_t)row_stride(d.width, 1, alignment);
    d.bottom_up = bottom_up;
    d.bits.assign((size_t)d.stride * d.height, 0xA5); // stale data
    EXPECT_EQ(fontx2_draw(&laid->font, &laid->layout, d.bits.data(), d.bits.size(), d.stride,
                          bottom_up ? FONTX2_BOTTOM_UP : FONTX2_TOP_DOWN),
              FONTX2_OK);
    return d;
}

// The ink of one glyph pixel as the font file holds it, or -1 past the end.
int font_pixel(const std::vector<uint8_t> &font, uint64_t glyph_at, uint32_t w, uint32_t x,
               uint32_t y) {
    uint32_t row_bytes = (w + 7) / 8;
    uint64_t at = glyph_at + (uint64_t)y * row_bytes + x / 8;
    return at < font.size() ? font[at] >> (7 - x % 8) & 1 : -1;
}

// Every cell of the sheet holds exactly the glyph that a lookup gives its
// code (blank when the bitmap is not wholly present).
void expect_cells_match(const std::vector<uint8_t> &font, const Drawn &d, Fontx2Shape shape) {
    std::unique_ptr<Laid> laid = lay_out(font, shape);
    const Fontx2Font &f = laid->font;
    uint32_t w = f.glyph_width, h = f.glyph_height;
    auto check_cell = [&](uint32_t code, uint32_t col, uint32_t row) {
        Fontx2Glyph glyph;
        fontx2_lookup(&f, code, &glyph);
        bool present = glyph.bitmap != nullptr;
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                int want = present ? font_pixel(font, glyph.offset, w, x, y) : 0;
                ASSERT_EQ(d.at(col * w + x, row * h + y), want)
                    << "code " << std::hex << code << std::dec << " x " << x << " y " << y;
            }
        }
    };
    const bool column = shape == FONTX2_COLUMN;
    if (!f.double_byte) {
        for (uint32_t code = 0; code < 256; ++code) {
            check_cell(code, column ? 0 : code % 16, column ? code : code / 16);
        }
    } else {
        for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1) {
            for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2) {
                uint32_t code = fontx2_jis_to_sjis((uint16_t)(j1 << 8 | j2));
                uint32_t col = column ? 0 : j2 - 0x21;
                uint32_t row = column ? (j1 - 0x21) * 94 + j2 - 0x21 : j1 - 0x21;
                check_cell(code, col, row);
            }
        }
    }
}

TEST(Fontx2Layout, SizesOffsetsAndRowBytes) {
    std::vector<uint8_t> single = synthetic_font_single(8, 16);
    std::vector<uint8_t> dbl = synthetic_font_double(16, 16);
    const struct {
        const std::vector<uint8_t> *font;
        Fontx2Shape shape;
        uint32_t width, height;
    } sheets[] = {{&single, FONTX2_GRID, 128, 256},
                  {&single, FONTX2_COLUMN, 8, 4096},
                  {&dbl, FONTX2_GRID, 1504, 1504},
                  {&dbl, FONTX2_COLUMN, 16, 141376}};
    for (const auto &sheet : sheets) {
        std::unique_ptr<Laid> s = lay_out(*sheet.font, sheet.shape);
        EXPECT_EQ(s->layout.width, sheet.width);
        EXPECT_EQ(s->layout.height, sheet.height);
    }
    std::unique_ptr<Laid> s = lay_out(single, FONTX2_GRID);
    EXPECT_EQ(s->font.glyph_offset, 17u);
    EXPECT_EQ(s->font.glyphs_present, 256u);
    s = lay_out(dbl, FONTX2_GRID);
    EXPECT_EQ(s->font.glyph_offset, 18u + 4 * 94);
    EXPECT_EQ(s->font.expected_size, dbl.size());
    EXPECT_EQ(s->layout.jis_cells, 8836u);

    std::vector<uint8_t> twelve = synthetic_font_single(12, 24);
    s = lay_out(twelve, FONTX2_GRID);
    EXPECT_EQ(s->font.glyph_row_bytes, 2u);
    EXPECT_EQ(s->font.glyph_bytes, 48u);
    EXPECT_EQ(draw(twelve, FONTX2_GRID, 1).stride, 24u);
}

TEST(Fontx2Layout, ZeroGlyphSizeOrBadSignatureGivesNoSheet) {
    std::vector<uint8_t> font = synthetic_font_single(8, 16);
    font[14] = 0;
    std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID);
    EXPECT_EQ(s->layout.width, 0u);
    EXPECT_EQ(s->layout.height, 0u);
    uint8_t nothing = 0x5A;
    EXPECT_EQ(fontx2_draw(&s->font, &s->layout, &nothing, 0, 0, FONTX2_BOTTOM_UP), FONTX2_OK);
    EXPECT_EQ(nothing, 0x5A);
    font[14] = 8;
    font[15] = 0;
    EXPECT_EQ(lay_out(font, FONTX2_COLUMN)->layout.height, 0u);
    font[15] = 16;
    font[0] = 'f';
    Fontx2Font f;
    EXPECT_EQ(fontx2_read(&f, font.data(), font.size(), font.size()), FONTX2_NOT_FONTX2);
    EXPECT_EQ(fontx2_read(&f, nullptr, 0, 0), FONTX2_NOT_FONTX2);
}

TEST(Fontx2Draw, RefusesABufferOrStrideTooSmall) {
    std::vector<uint8_t> font = synthetic_font_single(12, 5);
    std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID); // 192 x 80, rows of 24 bytes
    std::vector<uint8_t> bits(24 * 80, 0x5A);
    EXPECT_EQ(fontx2_draw(&s->font, &s->layout, bits.data(), bits.size() - 1, 24, FONTX2_TOP_DOWN),
              FONTX2_BUFFER_TOO_SMALL);
    EXPECT_EQ(fontx2_draw(&s->font, &s->layout, bits.data(), bits.size(), 23, FONTX2_TOP_DOWN),
              FONTX2_BUFFER_TOO_SMALL);
    // A band must hold one cell row (5 rows); a receiver may stop the drawing.
    SheetBandDone stop = [](void *calls, const uint8_t *, uint32_t, uint32_t) {
        return ++*(int *)calls < 2;
    };
    int calls = 0;
    EXPECT_EQ(fontx2_draw_bands(&s->font, &s->layout, bits.data(), 24 * 5 - 1, 24, stop, &calls),
              FONTX2_BUFFER_TOO_SMALL);
    for (uint8_t b : bits) ASSERT_EQ(b, 0x5A);
    EXPECT_EQ(fontx2_draw_bands(&s->font, &s->layout, bits.data(), 24 * 5, 24, stop, &calls),
              FONTX2_STOPPED);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(fontx2_draw(&s->font, &s->layout, bits.data(), bits.size(), 24, FONTX2_TOP_DOWN),
              FONTX2_OK);
}

// The table as a walk sees it, and the lookups it gives.
std::vector<Fontx2Block> blocks_of(const Fontx2Font &font) {
    std::vector<Fontx2Block> blocks;
    Fontx2Block block = {};
    while (fontx2_next_block(&font, &block)) blocks.push_back(block);
    return blocks;
}

uint32_t index_of(const Fontx2Font &font, uint32_t code) {
    Fontx2Glyph glyph;
    fontx2_lookup(&font, code, &glyph);
    return glyph.held ? glyph.index : 0xFFFFFFFFu;
}

TEST(Fontx2Lookup, BlocksInTableOrder) {
    std::vector<uint8_t> glyphs(200 * 32, 0);
    std::vector<uint8_t> font = fontx2_write_double(
        "T", 16, 16, {{0x8140, 0x817E}, {0x8180, 0x81AC}, {0x8150, 0x8160}}, glyphs);
    Fontx2Font s;
    ASSERT_EQ(fontx2_read(&s, font.data(), font.size(), font.size()), FONTX2_OK);
    std::vector<Fontx2Block> blocks = blocks_of(s);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].first_glyph, 63u);
    EXPECT_EQ(blocks[2].first_glyph, 63u + 45);
    EXPECT_EQ(s.glyphs_announced, 63u + 45 + 17);
    EXPECT_EQ(s.table_ascending, 0u); // the third block lies inside the first
    EXPECT_EQ(index_of(s, 0x8180), 63u);
    EXPECT_EQ(index_of(s, 0x817F), 0xFFFFFFFFu);
    EXPECT_EQ(index_of(s, 0x8155), 0x15u); // the earlier block wins
    Fontx2Glyph glyph;
    EXPECT_TRUE(fontx2_lookup(&s, 0x8181, &glyph));
    EXPECT_EQ(glyph.block, 1u);
    EXPECT_EQ(glyph.offset, 18u + 12 + 64 * 32);

    std::vector<uint8_t> none = fontx2_write_double("T", 16, 16, {}, glyphs);
    ASSERT_EQ(fontx2_read(&s, none.data(), none.size(), none.size()), FONTX2_OK);
    EXPECT_EQ(s.glyph_offset, 18u);
    EXPECT_EQ(index_of(s, 0x8140), 0xFFFFFFFFu);

    // An inverted block holds no code but still advances the 16-bit glyph
    // counter, exactly as the table says.
    std::vector<uint8_t> inverted =
        fontx2_write_double("T", 16, 16, {{0x8145, 0x8140}, {0x8240, 0x8240}}, glyphs);
    ASSERT_EQ(fontx2_read(&s, inverted.data(), inverted.size(), inverted.size()), FONTX2_OK);
    EXPECT_EQ(index_of(s, 0x8142), 0xFFFFFFFFu);
    EXPECT_EQ(blocks_of(s)[1].first_glyph, (uint16_t)(0x8140 - 0x8145 + 1));
}

// Only the head at hand: the table and the glyph count still come from it,
// and presence from the data's whole length.
TEST(Fontx2Read, AHeadAtHandJudgesPresenceByTheWholeLength) {
    std::vector<uint8_t> font = synthetic_font_double(8, 8);
    const uint64_t head = 18 + 4 * 94;
    Fontx2Font s;
    ASSERT_EQ(fontx2_read(&s, font.data(), head, font.size() - 8), FONTX2_OK);
    EXPECT_EQ(s.blocks_at_hand, 94u);
    EXPECT_EQ(s.glyphs_present, s.glyphs_announced - 1);
    Fontx2Glyph glyph;
    EXPECT_TRUE(fontx2_lookup(&s, 0x8140, &glyph));
    EXPECT_EQ(glyph.bitmap, nullptr);                                    // present, but not at hand
    EXPECT_FALSE(fontx2_lookup(&s, fontx2_jis_to_sjis(0x7E7E), &glyph)); // the cut last glyph
}

TEST(JisToSjis, KnownCodesAndCellPlacement) {
    EXPECT_EQ(fontx2_jis_to_sjis(0x2121), 0x8140);
    EXPECT_EQ(fontx2_jis_to_sjis(0x2160), 0x8180);
    EXPECT_EQ(fontx2_jis_to_sjis(0x2221), 0x819F);
    EXPECT_EQ(fontx2_jis_to_sjis(0x3021), 0x889F);
    EXPECT_EQ(fontx2_jis_to_sjis(0x5F21), 0xE040);
    EXPECT_EQ(fontx2_jis_to_sjis(0x7E7E), 0xEFFC);
    // Every cell maps to a distinct code with a valid trail byte.
    std::vector<bool> seen(65536, false);
    for (uint32_t j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (uint32_t j2 = 0x21; j2 <= 0x7E; ++j2) {
            uint16_t s = fontx2_jis_to_sjis((uint16_t)(j1 << 8 | j2));
            uint8_t trail = s & 0xFF;
            ASSERT_TRUE(trail >= 0x40 && trail <= 0xFC && trail != 0x7F) << std::hex << s;
            ASSERT_FALSE(seen[s]);
            seen[s] = true;
        }
    }
}

TEST(Fontx2Draw, SingleByteGridPlacesCodeCells) {
    std::vector<uint8_t> glyphs(256 * 8, 0);
    for (int y = 0; y < 8; ++y) glyphs[0x41 * 8 + y] = 0xFF; // code 0x41 solid
    std::vector<uint8_t> font = fontx2_write_single("T", 8, 8, glyphs);
    Drawn d = draw(font, FONTX2_GRID);
    ASSERT_EQ(d.width, 128u);
    ASSERT_EQ(d.height, 128u);
    EXPECT_EQ(d.stride, 16u);
    for (uint32_t y = 0; y < 128; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            bool ink = x >= 8 && x < 16 && y >= 32 && y < 40;
            ASSERT_EQ(d.at(x, y), ink) << x << "," << y;
        }
    }
    EXPECT_EQ(d.bits[95 * 16 + 1], 0xFF); // its top row is memory row 95
    EXPECT_EQ(d.bits[96 * 16 + 1], 0x00);
}

TEST(Fontx2Draw, SingleColumnEndsWithCode255AtMemoryRowZero) {
    std::vector<uint8_t> glyphs(256 * 8, 0);
    glyphs[255 * 8 + 7] = 0x80; // last row of code 255
    std::vector<uint8_t> font = fontx2_write_single("T", 8, 8, glyphs);
    Drawn d = draw(font, FONTX2_COLUMN);
    ASSERT_EQ(d.height, 2048u);
    EXPECT_EQ(d.bits[0], 0x80);
    EXPECT_EQ(d.at(0, 2047), 1);
}

TEST(Fontx2Draw, EveryLayoutMatchesTheFontCellByCell) {
    for (int width : {8, 10, 12, 16, 24}) {
        std::vector<uint8_t> single = synthetic_font_single((uint8_t)width, 16);
        expect_cells_match(single, draw(single, FONTX2_GRID), FONTX2_GRID);
        expect_cells_match(single, draw(single, FONTX2_COLUMN, 1, false), FONTX2_COLUMN);
    }
    std::vector<uint8_t> dbl = synthetic_font_double(12, 12);
    expect_cells_match(dbl, draw(dbl, FONTX2_GRID), FONTX2_GRID);
    expect_cells_match(dbl, draw(dbl, FONTX2_COLUMN), FONTX2_COLUMN);
}

TEST(Fontx2Draw, BitsBeyondTheGlyphWidthAreNeverDrawn) {
    std::vector<uint8_t> glyphs(256 * 2 * 4, 0xFF); // every bit set, width 10
    std::vector<uint8_t> font = fontx2_write_single("T", 10, 4, glyphs);
    Drawn d = draw(font, FONTX2_COLUMN, 1);
    EXPECT_EQ(d.stride, 2u);
    for (uint32_t row = 0; row < d.height; ++row) {
        ASSERT_EQ(d.bits[row * 2], 0xFF);
        ASSERT_EQ(d.bits[row * 2 + 1], 0xC0); // 2 of the second byte's bits
    }
}

TEST(Fontx2Draw, StrideFollowsTheRowAlignment) {
    std::vector<uint8_t> font = synthetic_font_single(1, 1); // 16 x 16 grid
    EXPECT_EQ(draw(font, FONTX2_GRID, 4).stride, 4u);
    EXPECT_EQ(draw(font, FONTX2_GRID, 1).stride, 2u);
    Drawn d = draw(font, FONTX2_GRID, 4);
    for (uint32_t row = 0; row < 16; ++row) { // fill bytes cleared too
        EXPECT_EQ(d.bits[row * 4 + 2], 0);
        EXPECT_EQ(d.bits[row * 4 + 3], 0);
    }
}

TEST(Fontx2Draw, DoubleByteGridCornersAndUnmappedCells) {
    // Two glyphs: the first is a solid block, the second a single dot; only
    // the top-left and bottom-right codes are mapped.
    std::vector<uint8_t> glyphs(3 * 2, 0);
    glyphs[0] = glyphs[1] = 0xFF; // glyph 0, 8 x 2: solid rows
    glyphs[2] = 0x80;             // glyph 1: one dot
    std::vector<uint8_t> font =
        fontx2_write_double("T", 8, 2, {{0x8140, 0x8140}, {0xEFFC, 0xEFFC}}, glyphs);
    Drawn d = draw(font, FONTX2_GRID);
    ASSERT_EQ(d.width, 94u * 8);
    EXPECT_EQ(d.at(0, 0), 1);
    EXPECT_EQ(d.at(7, 1), 1); // top-left cell: glyph 0
    EXPECT_EQ(d.at(93 * 8, 93 * 2), 1);
    EXPECT_EQ(d.at(93 * 8 + 1, 93 * 2), 0); // bottom-right: glyph 1, one dot
    EXPECT_EQ(d.at(93 * 8, 93 * 2 + 1), 0);
    EXPECT_EQ(d.at(8 * 40 + 3, 2 * 50 + 1), 1); // an unmapped cell shows glyph 0
}

TEST(Fontx2Draw, TruncatedFontsStayInsideTheirBytes) {
    std::vector<uint8_t> dbl = synthetic_font_double(12, 12);
    std::vector<uint8_t> single = synthetic_font_single(10, 16);
    std::vector<size_t> cuts;
    for (size_t n = 0; n <= 300; ++n) cuts.push_back(n);
    for (size_t n : {386u, 387u, 1000u, 1001u, 4095u, 4113u, 20000u, 100001u}) cuts.push_back(n);
    for (const std::vector<uint8_t> *full : {&dbl, &single}) {
        for (size_t n : cuts) {
            if (n > full->size()) continue;
            // An exact-size copy, so that the sanitizer sees any read past it.
            std::vector<uint8_t> cut(full->begin(), full->begin() + n);
            if (!fontx2_has_signature(cut.data(), cut.size())) continue;
            Drawn d = draw(cut, FONTX2_GRID);
            if (n == 300 || n == 20000) expect_cells_match(cut, d, FONTX2_GRID);
        }
    }
}

// True when cell (col, row) holds glyph index `index` of a synthetic block
// font, or is blank for index -1.
bool cell_holds(const Drawn &d, uint32_t w, uint32_t h, uint32_t col, uint32_t row, int32_t index) {
    std::vector<uint8_t> glyph(fontx2_glyph_bytes(w, h), 0);
    if (index >= 0) synthetic_code_glyph((uint32_t)index, w, h, glyph.data());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (d.at(col * w + x, row * h + y) !=
                (glyph[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1))
                return false;
    return true;
}

// The JIS grid serves a double-byte font while at least half of the codes its
// blocks hold are JIS cells; otherwise the font's own code order is used.
TEST(Fontx2CodeOrder, TheGridServesFontsWhileHalfTheirCodesAreJisCells) {
    for (uint16_t others : {10, 11}) {
        std::vector<uint8_t> font = synthetic_font_blocks(
            8, 8, {{0x8140, 0x8149}, {0x0041, (uint16_t)(0x0041 + others - 1)}, {0x9000, 0x0100}});
        std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID);
        // The backward block holds nothing.
        EXPECT_EQ(s->layout.order, others == 11 ? FONTX2_ORDER_CODE : FONTX2_ORDER_JIS) << others;
        EXPECT_EQ(s->layout.codes, 10u + others);
        EXPECT_EQ(s->layout.jis_cells, 10u);
        EXPECT_EQ(s->layout.width, others == 11 ? 128u : 752u);
        EXPECT_EQ(s->layout.height, others == 11 ? 8u * 2 : 752u); // lines 0x004 and 0x814
        // Either order when asked for.
        EXPECT_EQ(lay_out(font, FONTX2_GRID, FONTX2_ORDER_CODE)->layout.height, 8u * 2);
        EXPECT_EQ(lay_out(font, FONTX2_GRID, FONTX2_ORDER_JIS)->layout.height, 752u);
    }
    std::vector<uint8_t> jis = synthetic_font_double(8, 8);
    std::unique_ptr<Laid> s = lay_out(jis, FONTX2_COLUMN);
    EXPECT_EQ(s->layout.order, FONTX2_ORDER_JIS);
    EXPECT_EQ(s->layout.height, 8u * 8836);
    // A single-byte font has one order, whatever is asked.
    std::vector<uint8_t> single = synthetic_font_single(8, 8);
    EXPECT_EQ(lay_out(single, FONTX2_GRID, FONTX2_ORDER_CODE)->layout.order, FONTX2_ORDER_SINGLE);
}

// Unicode blocks with a few Shift-JIS codes among them: each glyph once, at
// the column of its code's low four bits, in the row of its line of codes.
TEST(Fontx2CodeOrder, EveryHeldCodeOnceInItsOwnOrder) {
    // Latin (glyphs 0-94), kana (95-180), three Shift-JIS codes (181-183),
    // and Latin again (184-199), which the first block shadows.
    std::vector<uint8_t> font = synthetic_font_blocks(
        10, 12, {{0x0020, 0x007E}, {0x3041, 0x3096}, {0x8140, 0x8142}, {0x0041, 0x0050}});
    Drawn grid = draw(font, FONTX2_GRID), column = draw(font, FONTX2_COLUMN);
    ASSERT_EQ(grid.width, 160u);
    ASSERT_EQ(grid.height, 12u * 13);               // 6 Latin lines, 6 kana lines, 1 line of 0x814x
    EXPECT_TRUE(cell_holds(grid, 10, 12, 0, 0, 0)); // row 0 is the line 0x002
    EXPECT_TRUE(cell_holds(grid, 10, 12, 1, 2, 0x21)); // 0x0041 from the first block
    EXPECT_TRUE(cell_holds(grid, 10, 12, 15, 5, -1));  // 0x007F
    EXPECT_TRUE(cell_holds(grid, 10, 12, 0, 6, -1));   // 0x3040
    EXPECT_TRUE(cell_holds(grid, 10, 12, 1, 6, 95));   // 0x3041
    EXPECT_TRUE(cell_holds(grid, 10, 12, 6, 11, 180)); // 0x3096
    EXPECT_TRUE(cell_holds(grid, 10, 12, 2, 12, 183)); // 0x8142
    ASSERT_EQ(column.width, 10u);
    ASSERT_EQ(column.height, 12u * 184);
    EXPECT_TRUE(cell_holds(column, 10, 12, 0, 0, 0));     // 0x0020
    EXPECT_TRUE(cell_holds(column, 10, 12, 0, 95, 95));   // 0x3041 follows 0x007E
    EXPECT_TRUE(cell_holds(column, 10, 12, 0, 183, 183)); // 0x8142 last

    // Glyph data cut within glyph 100 (0x3046): only codes whose glyph is
    // wholly there take a cell, while the order still follows the codes held.
    font.resize(font.size() - 200 * fontx2_glyph_bytes(10, 12) + 100 * fontx2_glyph_bytes(10, 12) +
                5);
    std::unique_ptr<Laid> cut = lay_out(font, FONTX2_GRID);
    EXPECT_EQ(cut->layout.order, (uint32_t)FONTX2_ORDER_CODE);
    EXPECT_EQ(cut->layout.codes, 184u);
    EXPECT_EQ(cut->layout.shown_codes, 100u);
    grid = draw(font, FONTX2_GRID);
    column = draw(font, FONTX2_COLUMN);
    ASSERT_EQ(grid.height, 12u * 7);                 // 6 Latin lines, the line 0x304
    EXPECT_TRUE(cell_holds(grid, 10, 12, 5, 6, 99)); // 0x3045, glyph 99 is present
    EXPECT_TRUE(cell_holds(grid, 10, 12, 6, 6, -1)); // 0x3046, glyph 100 is not
    ASSERT_EQ(column.height, 12u * 100);
    EXPECT_TRUE(cell_holds(column, 10, 12, 0, 99, 99)); // 0x3045 last
}

// Drawn as the independent reader draws it.
void expect_as_reference(const std::vector<uint8_t> &font) {
    for (Fontx2Shape shape : {FONTX2_GRID, FONTX2_COLUMN}) {
        std::vector<uint8_t> want = reference::sheet_pixels(
            font.data(), font.size(), reference::ORDER_AUTO, shape == FONTX2_COLUMN, 4, true);
        EXPECT_TRUE(draw(font, shape).bits == want) << "shape " << shape;
    }
}

uint32_t blocks_read(const std::vector<uint8_t> &font, uint64_t at_hand) {
    Fontx2Font f;
    EXPECT_EQ(fontx2_read(&f, font.data(), at_hand, font.size()), FONTX2_OK);
    return f.block_count;
}

// Converters that stored the block count modulo 256: the whole table is
// read when it and its glyphs fill the data exactly, else the count byte
// holds.
TEST(Fontx2WrappedCount, TheWholeTableWhenItFillsTheDataExactly) {
    for (bool jis : {true, false}) {
        for (uint32_t blocks : {300u, 4000u}) {
            SCOPED_TRACE(std::to_string(blocks) + (jis ? " JIS" : " own order"));
            std::vector<Fontx2Range> ranges = synthetic_many_ranges(blocks, jis);
            ASSERT_EQ(ranges.size(), blocks);
            std::vector<uint8_t> font = synthetic_font_blocks(8, 7, ranges);
            std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID);
            EXPECT_EQ(s->font.declared_blocks, blocks % 256);
            EXPECT_EQ(s->font.block_count, blocks);
            EXPECT_EQ(s->font.glyphs_present, s->font.glyphs_announced);
            EXPECT_EQ(s->layout.order, jis ? FONTX2_ORDER_JIS : FONTX2_ORDER_CODE);
            EXPECT_EQ(s->layout.codes, s->font.glyphs_announced);
            EXPECT_EQ(index_of(s->font, ranges.back().last_code), s->font.glyphs_announced - 1);
            expect_as_reference(font);
            // A reader of the head needs head_needed bytes at hand.
            EXPECT_EQ(blocks_read(font, s->font.head_needed), blocks);
            EXPECT_EQ(blocks_read(font, FONTX2_HEADER_BYTES), blocks % 256);
            for (int more : {-1, 1}) {
                std::vector<uint8_t> other(font);
                other.resize(font.size() + more);
                EXPECT_EQ(blocks_read(other, other.size()), blocks % 256) << more;
                expect_as_reference(other);
            }
        }
    }
}

TEST(Fontx2WrappedCount, EntriesRunningBackwardsOrOverlapping) {
    std::vector<Fontx2Range> ranges = synthetic_many_ranges(300, true);
    // A backward entry holds no glyph: the data still fits to the byte.
    std::vector<Fontx2Range> backward(ranges);
    backward.insert(backward.begin() + 280, Fontx2Range{0x9000, 0x8FFF});
    std::vector<uint8_t> font = synthetic_font_blocks(8, 7, backward);
    EXPECT_EQ(blocks_read(font, font.size()), 301u % 256);
    expect_as_reference(font);
    // Entry 300 repeats block 0 and a code of block 299: the earlier wins.
    ranges.push_back({ranges[0].first_code, ranges[299].first_code});
    font = synthetic_font_blocks(8, 7, ranges);
    std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID);
    EXPECT_EQ(s->font.block_count, 301u);
    EXPECT_EQ(s->font.table_ascending, 0u);
    EXPECT_EQ(index_of(s->font, ranges[0].first_code), 0u);
    EXPECT_EQ(index_of(s->font, ranges[299].first_code), blocks_of(s->font)[299].first_glyph);
    expect_as_reference(font);
}

// Display libraries trust the count byte: with a wrapped count they walk only
// its entries and take the glyphs 1,024 bytes per wrap too early.
TEST(Fontx2DeviceLookup, TrustsTheCountByte) {
    std::vector<Fontx2Range> ranges = synthetic_many_ranges(300, true);
    std::vector<uint8_t> font = synthetic_font_blocks(8, 7, ranges);
    std::unique_ptr<Laid> s = lay_out(font, FONTX2_GRID);
    Fontx2Glyph ours, device;
    const Fontx2Range &in_44 = ranges[43], &past = ranges[44];
    fontx2_lookup(&s->font, in_44.last_code, &ours);
    EXPECT_TRUE(fontx2_device_lookup(&s->font, in_44.last_code, &device));
    EXPECT_EQ(device.index, ours.index);
    EXPECT_EQ(device.offset + 1024, ours.offset);
    EXPECT_FALSE(fontx2_device_lookup(&s->font, past.first_code, &device));
    EXPECT_FALSE(device.held);
    // Where the count byte holds, both readers agree code for code.
    ranges.resize(200);
    ranges.insert(ranges.begin() + 3, Fontx2Range{0x9000, 0x8FFF}); // inverted: counts nothing
    font = synthetic_font_blocks(8, 7, ranges);
    font.resize(font.size() - 1); // the last glyph cut
    s = lay_out(font, FONTX2_GRID);
    for (uint32_t code = 0; code < 0x10000; ++code) {
        bool a = fontx2_lookup(&s->font, code, &ours);
        ASSERT_EQ(fontx2_device_lookup(&s->font, code, &device), a) << code;
        if (a) {
            ASSERT_EQ(ours.offset, device.offset) << code;
        }
    }
}

TEST(RealFonts, EveryCellHoldsItsGlyph) {
    SKIP_WITHOUT_FONTS(dir);
    for (const auto &real : test_real_fonts()) {
        const std::vector<uint8_t> &font = real.second;
        SCOPED_TRACE(real.first);
        expect_cells_match(font, draw(font, FONTX2_GRID), FONTX2_GRID);
        expect_cells_match(font, draw(font, FONTX2_COLUMN), FONTX2_COLUMN);
    }
}

} // namespace
