// Sheets the plug-in never shows: own-code-order rows of more codes, gaps,
// missing cells, and their labels.
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "fontx2sheet/picture.h"
#include "fontx2sheet/label_digits.h"
#include "fontx2sheet/sheet_cells.h"
#include "tests/support/synthetic_fonts.h"

#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

uint32_t png_pixel(const DecodedPng &png, uint32_t x, uint32_t y) {
    const uint32_t bits = png.ihdr.bit_depth, at = x * bits;
    return png.rows[y * png.stride + at / 8] >> (8 - bits - at % 8) & ((1u << bits) - 1);
}

// Whether the w x h pixels at (x0, y0) of a picture and at (x1, y1) of another agree.
bool same_block(const Picture &a, uint32_t x0, uint32_t y0, const Picture &b, uint32_t x1,
                uint32_t y1, uint32_t w, uint32_t h) {
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (picture_get(&a, x0 + x, y0 + y) != picture_get(&b, x1 + x, y1 + y)) return false;
    return true;
}

// Whether the text stands at (x, y) at scale 1: each digit's pixels, paper between.
bool label_at(const DecodedPng &png, uint32_t x, uint32_t y, const std::string &text) {
    for (uint32_t col = 0; col < label_text_width(text, 1); ++col) {
        const char c = text[col / LABEL_DIGIT_ADVANCE];
        const uint8_t *digit = c == ' ' ? nullptr : label_digit(c <= '9' ? c - '0' : c - 'A' + 10);
        const uint32_t dx = col % LABEL_DIGIT_ADVANCE;
        for (uint32_t row = 0; row < LABEL_DIGIT_HEIGHT; ++row) {
            bool ink = digit && dx < LABEL_DIGIT_WIDTH && (digit[row] >> (2 - dx) & 1);
            if (png_pixel(png, x + col, y + row) != (ink ? 1u : 0u)) return false;
        }
    }
    return true;
}

struct Sheet {
    std::vector<uint8_t> bytes;
    Fontx2Font font;
    Fontx2Layout layout;
    explicit Sheet(std::vector<uint8_t> b, Fontx2Order order = FONTX2_ORDER_AUTO)
        : bytes(std::move(b)) {
        fontx2_read(&font, bytes.data(), bytes.size(), bytes.size());
        fontx2_lay_out(&layout, &font, order, FONTX2_GRID);
    }
};

TEST(PerRow, TheOwnOrderRuleWithLongerRows) {
    // A cut last block: its final codes hold no present glyph.
    std::vector<uint8_t> bytes =
        synthetic_font_blocks(8, 4, {{0x0020, 0x007E}, {0x3040, 0x30FF}, {0x4E00, 0x4E47}});
    bytes.resize(bytes.size() - 5 * 4);
    Sheet s(bytes);
    ASSERT_EQ(s.layout.order, (uint32_t)FONTX2_ORDER_CODE);
    // 16 a row, cell by cell: the plug-in's own picture.
    SheetGeometry g16, g64;
    sheet_geometry(&s.font, &s.layout, 16, 0, &g16);
    Picture own, cells;
    ASSERT_TRUE(picture_alloc(&own, s.layout.width, s.layout.height, 1));
    ASSERT_EQ(fontx2_draw(&s.font, &s.layout, own.rows.data(), own.rows.size(), own.stride,
                          FONTX2_TOP_DOWN),
              FONTX2_OK);
    ASSERT_TRUE(draw_cells(&s.font, &s.layout, g16, false, &cells));
    EXPECT_EQ(cells.rows, own.rows);
    // 64 a row: the rows are the lines of 64 codes holding a shown code, and
    // each shown code's glyph moves to column code % 64 of its line's row.
    sheet_geometry(&s.font, &s.layout, 64, 0, &g64);
    std::set<uint32_t> lines;
    for (uint32_t code = 0; code <= 0xFFFF; ++code)
        if (fontx2_layout_shows(&s.layout, code)) lines.insert(code / 64);
    ASSERT_EQ(g64.row_codes.size(), lines.size());
    EXPECT_EQ(g64.width, 64u * 8);
    ASSERT_TRUE(draw_cells(&s.font, &s.layout, g64, false, &cells));
    for (uint32_t row = 0; row < g64.row_codes.size(); ++row)
        for (uint32_t col = 0; col < 64; ++col) {
            const uint32_t code = g64.row_codes[row] + col;
            if (!fontx2_layout_shows(&s.layout, code)) continue;
            uint32_t row16 = 0;
            while (g16.row_codes[row16] != code / 16 * 16) ++row16;
            ASSERT_TRUE(same_block(cells, col * 8, row * 4, own, code % 16 * 8, row16 * 4, 8, 4))
                << std::hex << code;
        }
}

struct GapAndMissing : ::testing::Test {
    void TearDown() override {
        unlink(tmp("gg_cells.fnt").c_str());
        unlink(tmp("gg_cells.png").c_str());
    }
};

TEST_F(GapAndMissing, EachColourWhereItBelongs) {
    // JIS rows 1 and 3 (0x8240-0x8250: row 3, cells 1-17); the last glyph cut.
    std::vector<uint8_t> bytes = synthetic_font_blocks(8, 8, {{0x8140, 0x817E}, {0x8240, 0x8250}});
    bytes.resize(bytes.size() - 1);
    write_bytes(tmp("gg_cells.fnt"), bytes);
    const uint32_t pitch = 8 + 2;
    uint8_t glyph[8];
    auto cell_is_glyph = [&](const DecodedPng &png, uint32_t col, uint32_t row, uint32_t index) {
        synthetic_code_glyph(index, 8, 8, glyph);
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 8; ++x)
                if (png_pixel(png, col * pitch + x, row * pitch + y) != (glyph[y] >> (7 - x) & 1u))
                    return false;
        return true;
    };
    DecodedPng png;
    ASSERT_EQ(run_sheet({"render", tmp("gg_cells.fnt"), "-o", tmp("gg_cells.png"), "--order", "jis",
                         "--gap", "2", "--missing", "--missing-colour", "123456"}),
              0);
    ASSERT_TRUE(read_png(tmp("gg_cells.png"), &png));
    ASSERT_EQ(png.ihdr.bit_depth, 2);
    ASSERT_EQ(png.plte.n_entries, 3u);
    EXPECT_EQ(png.plte.entries[2].green, 0x34);
    EXPECT_EQ(png.ihdr.width, 94 * 8 + 93 * 2u);
    EXPECT_TRUE(cell_is_glyph(png, 0, 0, 0));        // 0x8140
    EXPECT_TRUE(cell_is_glyph(png, 15, 2, 63 + 15)); // 0x824F
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(png_pixel(png, 16 * pitch + x, 2 * pitch + y), 2u); // 0x8250: cut
            EXPECT_EQ(png_pixel(png, 17 * pitch + x, 2 * pitch + y), 2u); // no block
            EXPECT_EQ(png_pixel(png, x, 93 * pitch + y), 2u);             // no block
        }
    for (uint32_t y = 0; y < png.ihdr.height; ++y) // between columns 0 and 1: paper
        ASSERT_EQ(png_pixel(png, 8, y) | png_pixel(png, 9, y), 0u) << y;
    // Without --missing the cells show what the plug-in shows there: a code
    // no block holds the first glyph, a cut glyph nothing.
    ASSERT_EQ(run_sheet({"render", tmp("gg_cells.fnt"), "-o", tmp("gg_cells.png"), "--order", "jis",
                         "--gap", "2"}),
              0);
    ASSERT_TRUE(read_png(tmp("gg_cells.png"), &png));
    ASSERT_EQ(png.ihdr.bit_depth, 1);
    EXPECT_TRUE(cell_is_glyph(png, 17, 2, 0));
    EXPECT_TRUE(cell_is_glyph(png, 5, 93, 0));
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_EQ(png_pixel(png, 16 * pitch + x, 2 * pitch + y), 0u);
}

TEST(LabelDigits, NoTwoPassForEachOther) {
    const char *digits = "0123456789ABCDEF";
    for (int i = 0; i < 16; ++i)
        for (int j = i + 1; j < 16; ++j) {
            int differ = 0;
            for (uint32_t row = 0; row < LABEL_DIGIT_HEIGHT; ++row)
                differ += __builtin_popcount(label_digit(i)[row] ^ label_digit(j)[row]);
            EXPECT_GE(differ, 3) << digits[i] << " and " << digits[j];
        }
}

TEST_F(GapAndMissing, JisGridLabels) {
    write_bytes(tmp("gg_cells.fnt"), synthetic_font_double(8, 8));
    ASSERT_EQ(run_sheet({"render", tmp("gg_cells.fnt"), "-o", tmp("gg_cells.png"), "--labels"}), 0);
    DecodedPng png;
    ASSERT_TRUE(read_png(tmp("gg_cells.png"), &png));
    // Row labels "94 EA9F" at most: 27 pixels and a space each side, a
    // 32-pixel margin; the column labels 7 pixels high.
    const uint32_t left = 32, top = 7;
    ASSERT_EQ(png.ihdr.width, left + 94 * 8);
    // Over columns 1, 10, 20 ... 90 their numbers, centred; nothing elsewhere.
    for (uint32_t col = 0; col < 94; ++col) {
        const bool labelled = col == 0 || (col + 1) % 10 == 0;
        const std::string text = labelled ? std::to_string(col + 1) : "";
        const uint32_t width = label_text_width(text, 1);
        const uint32_t x = left + col * 8 + (8 - width) / 2;
        if (labelled) {
            EXPECT_TRUE(label_at(png, x, 1, text)) << col + 1;
        }
        uint32_t ink = 0;
        for (uint32_t y = 0; y < top; ++y)
            for (uint32_t px = left + col * 8; px < left + col * 8 + 8; ++px)
                ink += px < x || px >= x + width ? png_pixel(png, px, y) : 0;
        EXPECT_EQ(ink, 0u) << "beside the label over column " << col + 1;
    }
    // Rows 1 and 16 with their first Shift-JIS codes, right-aligned two
    // pixels before the glyphs.
    EXPECT_TRUE(label_at(png, left - 2 - label_text_width("1 8140", 1), top + 1, "1 8140"));
    EXPECT_TRUE(
        label_at(png, left - 2 - label_text_width("16 889F", 1), top + 15 * 8 + 1, "16 889F"));
}

// Four-digit labels at three times their size (cells 48 to 63 high): a
// space before and two after, 54 pixels, in a 56-pixel margin.
TEST_F(GapAndMissing, LabelMarginAtScaleThree) {
    write_bytes(tmp("gg_cells.fnt"), synthetic_font_blocks(8, 48, {{0x0100, 0x010F}}));
    ASSERT_EQ(run_sheet({"render", tmp("gg_cells.fnt"), "-o", tmp("gg_cells.png"), "--labels"}), 0);
    DecodedPng png;
    ASSERT_TRUE(read_png(tmp("gg_cells.png"), &png));
    EXPECT_EQ(png.ihdr.width, 56u + 16 * 8);
}

// Cells lower than the digits and a space: a row label that would run into
// the one above is left out.
TEST_F(GapAndMissing, RowLabelsNeverRunTogether) {
    for (uint32_t height : {5u, 6u}) {
        write_bytes(tmp("gg_cells.fnt"), synthetic_font_single(8, height));
        ASSERT_EQ(run_sheet({"render", tmp("gg_cells.fnt"), "-o", tmp("gg_cells.png"), "--labels"}),
                  0);
        DecodedPng png;
        ASSERT_TRUE(read_png(tmp("gg_cells.png"), &png));
        const uint32_t x = 16 - 2 - label_text_width("10", 1), top = 7;
        EXPECT_EQ(label_at(png, x, top + height, "10"), height == 6) << height;
        EXPECT_TRUE(label_at(png, x, top + 2 * height, "20")) << height;
    }
}

} // namespace

// A picture's rows as a canvas takes them: every pixel through the palette
// (2-bit value 3, which no sheet has, as paper), 24-bit ones as themselves.
TEST(PictureRgba, EachDepthAndTheRowsAsked) {
    const uint32_t palette[3] = {0x102030, 0x405060, 0x708090};
    for (uint32_t bits : {1u, 2u, 24u}) {
        SCOPED_TRACE(bits);
        Picture p;
        ASSERT_TRUE(picture_alloc(&p, 9, 3, bits)); // 9: past a byte of pixels
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < 9; ++x)
                picture_put(&p, x, y, bits == 24 ? 0xA0B0C0 + x * 16 + y : (x + y) % (1u << bits));
        std::vector<uint8_t> out;
        ASSERT_TRUE(picture_rgba_rows(p, palette, 1, 2, &out));
        ASSERT_EQ(out.size(), 9u * 2 * 4);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 9; ++x) {
                const uint32_t v = picture_get(&p, x, y + 1);
                const uint32_t rgb = bits == 24 ? v : palette[v == 3 ? 0 : v];
                const uint8_t *px = &out[(y * 9 + x) * 4];
                EXPECT_EQ((uint32_t)px[0] << 16 | px[1] << 8 | px[2], rgb) << x << "," << y;
                EXPECT_EQ(px[3], 0xFF);
            }
        // The rows asked must lie in the picture: up to its last, none past it.
        EXPECT_TRUE(picture_rgba_rows(p, palette, 0, 3, &out));
        EXPECT_TRUE(picture_rgba_rows(p, palette, 3, 0, &out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(picture_rgba_rows(p, palette, 2, 2, &out));
        EXPECT_FALSE(picture_rgba_rows(p, palette, 4, 0, &out));
        EXPECT_FALSE(picture_rgba_rows(p, palette, 1, 0xFFFFFFFF, &out));
    }
}
