// render's PNG holds the plug-in's picture: GetPicture natively, with the
// settings stored in the in-memory registry, against the decoded PNG.
#include "fontx2sheet/label_digits.h"
#include "fontx2sheet/picture.h"
#include "fontx2sheet/png.h"
#include "fontx2sheet/render.h"
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "common/row_stride.h"
#include "plugin/plugin.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/synthetic_fonts.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

struct SampleFont {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The real fonts when present, and the demo's sample in its own code order
// (its blocks hold Unicode code points).
std::vector<SampleFont> sample_fonts() {
    std::vector<SampleFont> fonts = {
        {"unicode-code-order", synthetic_font_blocks(16, 16,
                                                     {{0x0020, 0x007E},
                                                      {0x00A0, 0x00FF},
                                                      {0x0370, 0x03FF},
                                                      {0x0400, 0x04FF},
                                                      {0x3040, 0x30FF},
                                                      {0x4E00, 0x4FFF}})},
        {"synthetic-12x10", synthetic_font_single(12, 10)}};
    for (const auto &real : test_real_fonts()) fonts.push_back({real.first, real.second});
    return fonts;
}

std::string hex_record(const SettingsRecord &r) {
    std::string hex;
    const uint8_t *b = (const uint8_t *)&r;
    char two[3];
    for (size_t i = 0; i < sizeof r; ++i) {
        snprintf(two, sizeof two, "%02x", b[i]);
        hex += two;
    }
    return hex;
}

// The plug-in's picture with the record stored, the command's PNG with the
// arguments given: the same size and every pixel the same.
void expect_same(const SampleFont &font, const SettingsRecord &stored,
                 std::vector<std::string> args) {
    SCOPED_TRACE(font.name + (stored.single_column ? " column" : " grid") +
                 (stored.flags & SETTINGS_ENABLED ? " composited" : ""));
    test_registry_clear();
    test_store_settings(stored);
    DecodedPicture d;
    d.rc = GetPicture((const char *)font.bytes.data(), (intptr_t)font.bytes.size(), 1, &d.header,
                      &d.pixels, nullptr, 0);
    ASSERT_EQ(d.rc, 0);
    write_bytes(tmp("gg_sheet_font.fnt"), font.bytes);
    args.insert(args.begin(), {"render", tmp("gg_sheet_font.fnt"), "-o", tmp("gg_sheet.png")});
    ASSERT_EQ(run_sheet(args), 0);
    DecodedPng png;
    ASSERT_TRUE(read_png(tmp("gg_sheet.png"), &png));
    const uint32_t w = (uint32_t)d.dib()->width, h = (uint32_t)d.dib()->height;
    ASSERT_EQ(png.ihdr.width, w);
    ASSERT_EQ(png.ihdr.height, h);
    const uint32_t bits = d.dib()->bit_count;
    ASSERT_EQ(png.ihdr.color_type, bits == 1 ? SPNG_COLOR_TYPE_INDEXED : SPNG_COLOR_TYPE_TRUECOLOR);
    const uint64_t dib_stride = row_stride(w, bits, DIB_ROW_ALIGNMENT);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t *dib = d.bits() + (h - 1 - y) * dib_stride;
        const uint8_t *row = png.rows.data() + y * png.stride;
        for (uint32_t x = 0; x < w; ++x) {
            bool same = bits == 1
                            ? ((dib[x >> 3] ^ row[x >> 3]) & (0x80 >> (x & 7))) == 0
                            : dib[3 * x] == row[3 * x + 2] && dib[3 * x + 1] == row[3 * x + 1] &&
                                  dib[3 * x + 2] == row[3 * x];
            if (!same) FAIL() << "pixel " << x << "," << y << " differs";
        }
    }
}

TEST(RenderEqualsPlugin, EveryFontEveryShapePlainAndComposited) {
    if (test_fonts_dir().empty()) printf("../shared/fonts is absent: only synthetic fonts\n");
    SettingsRecord plain = {}, tool;
    tool_settings(&tool);
    for (const SampleFont &font : sample_fonts()) {
        plain.single_column = 0;
        expect_same(font, plain, {});
        plain.single_column = 1;
        expect_same(font, plain, {"--column"});
        tool.single_column = 0;
        expect_same(font, tool, {"--composite"});
        tool.single_column = 1; // the record's shape, as given
        expect_same(font, tool, {"--composite", "--settings", hex_record(tool)});
    }
    test_registry_clear();
    unlink(tmp("gg_sheet_font.fnt").c_str());
    unlink(tmp("gg_sheet.png").c_str());
}

TEST(RenderEqualsPlugin, AStoredRecordWithKeyingAndGridLines) {
    SettingsRecord r;
    tool_settings(&r);
    r.transparent_mode = SETTINGS_TRANSPARENT_BY_INDEX;
    r.grid_lines = 1;
    r.brightness = 700;
    expect_same(sample_fonts()[0], r, {"--composite", "--settings", hex_record(r)});
    test_registry_clear();
}

TEST(Render, PaletteColoursLabelsAndScale) {
    write_bytes(tmp("gg_sheet_font.fnt"), synthetic_font_single(8, 16));
    ASSERT_EQ(run_sheet({"render", tmp("gg_sheet_font.fnt"), "-o", tmp("gg_sheet.png"), "--ink",
                         "FF8000", "--paper", "102030", "--labels", "--scale", "3"}),
              0);
    DecodedPng png;
    ASSERT_TRUE(read_png(tmp("gg_sheet.png"), &png));
    ASSERT_EQ(png.ihdr.bit_depth, 1);
    ASSERT_EQ(png.plte.n_entries, 2u);
    EXPECT_EQ(png.plte.entries[0].red, 0x10);
    EXPECT_EQ(png.plte.entries[0].blue, 0x30);
    EXPECT_EQ(png.plte.entries[1].green, 0x80);
    // A 16-pixel margin left (two hex digits), 7 above; then scaled 3 times.
    EXPECT_EQ(png.ihdr.width, (16u + 128u) * 3);
    EXPECT_EQ(png.ihdr.height, (7u + 256u) * 3);
    // The sheet's first pixel (code 0x00, whose left column has ink) lands
    // past the margins; the corner is paper.
    auto pixel = [&](uint32_t x, uint32_t y) {
        return png.rows[y * png.stride + x / 8] >> (7 - x % 8) & 1;
    };
    EXPECT_EQ(pixel(16 * 3, 7 * 3), 1);
    EXPECT_EQ(pixel(0, 0), 0);
    // Each label, digit by digit against the built-in bitmaps (every pixel
    // of the 3 x 5 digit and the blank column after it), at the unscaled
    // place given, each pixel a 3 x 3 square.
    auto expect_label = [&](uint32_t x, uint32_t y, const char *text) {
        for (uint32_t i = 0; text[i]; ++i) {
            const char c = text[i];
            const uint8_t *digit = label_digit(c <= '9' ? c - '0' : c - 'A' + 10);
            for (uint32_t row = 0; row < 5; ++row)
                for (uint32_t col = 0; col < 4; ++col) {
                    const uint32_t want = col < 3 ? digit[row] >> (2 - col) & 1 : 0;
                    const uint32_t px = (x + 4 * i + col) * 3, py = (y + row) * 3;
                    for (uint32_t d = 0; d < 9; ++d)
                        ASSERT_EQ(pixel(px + d % 3, py + d / 3), want)
                            << text << " digit " << i << " row " << row << " col " << col;
                }
        }
    };
    // Columns: one hex digit centred over each 8-pixel cell, a pixel above
    // the sheet. Rows: the row's first code, two digits, two pixels left of it,
    // centred in the 16-pixel cell row.
    const char *hex = "0123456789ABCDEF";
    for (uint32_t col = 0; col < 16; ++col) {
        const char text[2] = {hex[col], 0};
        expect_label(16 + col * 8 + 2, 7 - 1 - 5, text);
    }
    for (uint32_t row = 0; row < 16; ++row) {
        const char text[3] = {hex[row], '0', 0};
        expect_label(16 - 2 - 7, 7 + row * 16 + 5, text);
    }
    unlink(tmp("gg_sheet_font.fnt").c_str());
    unlink(tmp("gg_sheet.png").c_str());
}

TEST(Render, AnEncoderFailureCarriesLibspngsReason) {
    Picture empty; // 0 x 0: no PNG has such a header
    std::vector<uint8_t> png = {1};
    std::string error;
    EXPECT_FALSE(png_encode(empty, 0, 0xFFFFFF, &png, &error));
    EXPECT_TRUE(png.empty());
    EXPECT_EQ(error, std::string("the PNG could not be encoded: ") + spng_strerror(SPNG_EWIDTH));
}

TEST(Render, ADrawFailureSaysTheDrawResult) {
    // The layout of an 8 x 16 font does not fit a 16 x 16 one.
    std::vector<uint8_t> narrow = synthetic_font_single(8, 16),
                         wide = synthetic_font_single(16, 16);
    Fontx2Font n, w;
    ASSERT_EQ(fontx2_read(&n, narrow.data(), narrow.size(), narrow.size()), FONTX2_OK);
    ASSERT_EQ(fontx2_read(&w, wide.data(), wide.size(), wide.size()), FONTX2_OK);
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    fontx2_lay_out(layout.get(), &n, FONTX2_ORDER_AUTO, FONTX2_GRID);
    Picture picture;
    std::string error;
    EXPECT_FALSE(render_picture(&w, layout.get(), RenderOptions(), &picture, &error));
    EXPECT_EQ(error, draw_message(FONTX2_BAD_LAYOUT));
    EXPECT_NE(error.find("layout"), std::string::npos);
}

} // namespace
