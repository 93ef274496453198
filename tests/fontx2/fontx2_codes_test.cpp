#include "fontx2/fontx2.h"
#include "tests/support/synthetic_fonts.h"

#include <gtest/gtest.h>
#include <memory>

TEST(SjisCodes, ByteRangeBoundaries) {
    EXPECT_TRUE(fontx2_sjis_is_double_byte(0x8140));
    EXPECT_TRUE(fontx2_sjis_is_double_byte(0x9FFC));
    EXPECT_TRUE(fontx2_sjis_is_double_byte(0xE040));
    EXPECT_TRUE(fontx2_sjis_is_double_byte(0xFCFC));
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0x8040)); // lead below 0x81
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0xA140)); // half-width katakana lead
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0xFD40));
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0x813F)); // trail below 0x40
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0x817F));
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0x81FD));
    EXPECT_FALSE(fontx2_sjis_is_double_byte(0x10000));
}

TEST(SjisCodes, CountsHeldCodesAcrossPartialLines) {
    // 0x813E-0x8182: 0x813E and 0x813F are no codes, nor is 0x817F: 69 - 3.
    // 0x00E0-0x00FF (Latin-1 in a Unicode table): none.
    std::vector<uint8_t> font = synthetic_font_blocks(8, 8, {{0x813E, 0x8182}, {0x00E0, 0x00FF}});
    Fontx2Font f;
    ASSERT_EQ(fontx2_read(&f, font.data(), font.size(), font.size()), FONTX2_OK);
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    fontx2_lay_out(layout.get(), &f, FONTX2_ORDER_AUTO, FONTX2_GRID);
    EXPECT_EQ(layout->codes, 69u + 32u);
    EXPECT_EQ(fontx2_layout_sjis_codes(layout.get()), 66u);
    // Trail bytes to 0xFC, and the leads around the katakana and below 0x81.
    font = synthetic_font_blocks(
        8, 8, {{0x8040, 0x804F}, {0x9FF0, 0x9FFF}, {0xA040, 0xA04F}, {0xE040, 0xE04F}});
    ASSERT_EQ(fontx2_read(&f, font.data(), font.size(), font.size()), FONTX2_OK);
    fontx2_lay_out(layout.get(), &f, FONTX2_ORDER_AUTO, FONTX2_GRID);
    EXPECT_EQ(fontx2_layout_sjis_codes(layout.get()), 13u + 16u);
}
