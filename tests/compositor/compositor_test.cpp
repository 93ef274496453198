#include "common/row_stride.h"
#include "compositor/compositor.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

const uint32_t SHEET_PALETTE[2] = {0x00000000u, 0xFFFFFFFFu};
const uint32_t DARK = 0x808080u, LIGHT = 0xC0C0C0u, WHITE = 0xFFFFFFu; // default colours

SettingsRecord defaults() {
    SettingsRecord s;
    settings_defaults(&s);
    return s;
}

// 8-bit source addressed by picture coordinates (y from the top) but stored
// bottom-up, with a stride wider than the width.
struct Sheet {
    int32_t width, height, stride;
    std::vector<uint8_t> bytes;
    Sheet(int32_t w, int32_t h) : width(w), height(h), stride(w + 3), bytes((size_t)(w + 3) * h) {}
    uint8_t &at(int32_t x, int32_t y) { return bytes[(size_t)(height - 1 - y) * stride + x]; }
};

// 24-bit output, pre-filled so unwritten bytes show.
struct Picture {
    int32_t width, height;
    size_t row_bytes;
    std::vector<uint8_t> bytes;
    Picture(int32_t w, int32_t h)
        : width(w), height(h), row_bytes((size_t)row_stride((uint64_t)w, 24, DIB_ROW_ALIGNMENT)),
          bytes(row_bytes * h, 0xAA) {}
    uint32_t at(int32_t x, int32_t y) const {
        return dib_pixel(bytes.data(), row_bytes, height, 24, x, y);
    }
};

int run(const SettingsRecord &s, Picture *out, Sheet &sheet,
        const uint32_t *palette = SHEET_PALETTE, uint32_t colours = 2) {
    return composite_picture(&s, out->bytes.data(), out->width, out->height, 24, palette, colours,
                             sheet.bytes.data(), sheet.stride, 8);
}

uint32_t checker(int32_t x, int32_t y) {
    return (x / 16 + y / 16) % 2 ? DARK : LIGHT;
}

// Top and bottom differ and the height is not a multiple of the cell, so a
// flipped picture or a checkerboard anchored at the bottom shows.
TEST(CompositorBackground, DefaultsOnAGlyphSheetTheRightWayUp) {
    Sheet sheet(40, 20);
    for (int32_t x = 0; x < 4; ++x) sheet.at(x, 0) = 1;
    for (int32_t y = 3; y < 20; y += 2) sheet.at(y + 9, y) = 1;
    Picture out(40, 20);
    ASSERT_EQ(run(defaults(), &out, sheet), COMPOSITE_OK);
    EXPECT_EQ(out.at(5, 0), LIGHT);
    EXPECT_EQ(out.at(16, 0), DARK);
    EXPECT_EQ(out.at(0, 16), DARK);
    EXPECT_EQ(out.bytes[0], 0x80); // first memory row: picture row 19, lower cell row
    EXPECT_EQ(out.bytes[19 * out.row_bytes], 0xFF); // last memory row: the top bar
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(out.at(x, y), sheet.at(x, y) ? WHITE : checker(x, y)) << x << "," << y;
}

TEST(CompositorBackground, NoCellsOrNoBackgroundMeansPlainAndNoGrid) {
    Sheet sheet(20, 20);
    sheet.at(7, 7) = 1;
    // {cell_width, cell_height, background_enabled, expected background}; negative
    // sizes only come from a hand-edited registry and mean no cells.
    const int32_t cases[][4] = {{0, 16, 1, DARK},          {16, 0, 1, DARK},
                                {-16, 16, 1, DARK},        {16, -1, 1, DARK},
                                {-32768, -32768, 1, DARK}, {16, 16, 0, 0x000000}};
    for (const auto &c : cases) {
        SettingsRecord s = defaults();
        s.grid_lines = 1;
        s.cell_width = (int16_t)c[0];
        s.cell_height = (int16_t)c[1];
        s.background_enabled = (uint8_t)c[2];
        Picture out(20, 20);
        ASSERT_EQ(run(s, &out, sheet), COMPOSITE_OK);
        for (int32_t y = 0; y < 20; ++y)
            for (int32_t x = 0; x < 20; ++x)
                ASSERT_EQ(out.at(x, y), sheet.at(x, y) ? WHITE : (uint32_t)c[3])
                    << c[0] << "x" << c[1] << " bg " << c[2] << " at " << x << "," << y;
    }
}

// Lines on every cell_height-th row and cell_width-th column, over picture
// and background alike; cells need not be square.
TEST(CompositorBackground, GridIsDrawnOverPictureAndBackground) {
    const int16_t cells[][2] = {{16, 16}, {8, 5}};
    for (const auto &cell : cells) {
        const int32_t w = cell[0], h = cell[1];
        Sheet sheet(40, 40);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 20; ++x) sheet.at(x, y) = 1;
        SettingsRecord s = defaults();
        s.grid_lines = 1;
        s.grid_colour = 0x123456;
        s.cell_width = (int16_t)w;
        s.cell_height = (int16_t)h;
        Picture out(40, 40);
        ASSERT_EQ(run(s, &out, sheet), COMPOSITE_OK);
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const uint32_t back = (x / w + y / h) % 2 ? DARK : LIGHT;
                const bool line = x % w == 0 || y % h == 0;
                ASSERT_EQ(out.at(x, y), line     ? 0x123456u
                                        : x < 20 ? WHITE
                                                 : back)
                    << w << "x" << h << " at " << x << "," << y;
            }
    }
}

TEST(CompositorMix, ModesFactorsAndClamps) {
    struct Case {
        uint8_t mode, alpha_128, zero_opaque;
        int16_t brightness, alpha_scale;
        uint32_t source, background, expected;
    };
    const Case cases[] = {
        {1, 0, 0, 1000, 255, 0x80FF0000u, 0x0000FF, 0x80007F}, // blend half red over blue
        {1, 1, 0, 1000, 255, 0x80FF0000u, 0x0000FF, 0xFF0000}, // 128 counts as opaque
        {2, 0, 0, 1000, 255, 0x80FF0000u, 0x808080, 0xFF8080}, // add, limited to 255
        {3, 0, 0, 1000, 255, 0x80FF0000u, 0x808080, 0x008080}, // subtract, raised to 0
        {1, 0, 1, 1000, 255, 0x00FFFFFFu, 0x123456, 0xFFFFFF}, // alpha 0 drawn as opaque
        {1, 0, 0, 1000, 255, 0x00FFFFFFu, 0x123456, 0x123456}, // alpha 0 transparent
        {1, 0, 0, 500, 255, 0xFFFFFFFFu, 0x000000, 0x7F7F7F},  // half brightness
        {1, 1, 0, 1000, 255, 0xFFC86480u, 0x808080, 0xFF4880}, // M = 508 overshoots
        {1, 0, 0, 1000, 0, 0xFFFFFFFFu, 0x123456, 0x123456},   // alpha scale 0
        // Away from the clamps, where a wrong divisor or factor shows.
        {2, 0, 0, 1000, 255, 0x40FF0000u, 0x101010, 0x501010}, // add: 16 + 255 * 64 / 255
        {3, 0, 0, 1000, 255, 0x40FF0000u, 0x808080, 0x408080}, // subtract: 128 - 64
        {1, 1, 0, 1000, 255, 0x40FF0000u, 0x000000, 0x7F0000}, // 64 * 255 / 128 = 127
        {1, 0, 1, 1000, 0, 0x80FFFFFFu, 0x123456, 0x123456},   // weight 0 is not alpha 0
        {0, 0, 0, 1000, 255, 0x00ABCDEFu, 0x123456, 0xABCDEF}, // ignore alpha
        {9, 0, 0, 1000, 255, 0x40ABCDEFu, 0x123456, 0xABCDEF}, // unknown mode: unmixed
        // Unmixed channels clamp instead of wrapping (400 would wrap to 144).
        {0, 0, 0, 2000, 255, 0xFFC86410u, 0x000000, 0xFFC820},
        {0, 0, 0, 32767, 255, 0xFF010101u, 0x000000, 0x202020},
        {0, 0, 0, -1000, 255, 0xFFC86410u, 0x123456, 0x000000},
        // Negative factors never leak out of their channel in any mode.
        {1, 0, 0, -32768, 255, 0xFFFFFFFFu, 0x808080, 0x000000},
        {2, 0, 0, -32768, 255, 0xFFFFFFFFu, 0x808080, 0x000000},
        {3, 0, 0, -32768, 255, 0xFFFFFFFFu, 0x808080, 0xFFFFFF},
        {1, 0, 0, 1000, -32768, 0xFFFFFFFFu, 0x808080, 0x000000},
        {2, 0, 0, 1000, -32768, 0xFFFFFFFFu, 0x808080, 0x000000},
        {3, 0, 0, 1000, -32768, 0xFFFFFFFFu, 0x808080, 0xFFFFFF},
    };
    for (const Case &c : cases) {
        SettingsRecord s = defaults();
        s.alpha_mode = c.mode;
        s.alpha_128 = c.alpha_128;
        s.alpha_zero_opaque = c.zero_opaque;
        s.brightness = c.brightness;
        s.alpha_scale = c.alpha_scale;
        EXPECT_EQ(mix_pixel(c.source, &s, c.background), c.expected)
            << std::hex << "mode " << (int)c.mode << " source " << c.source << " brightness "
            << std::dec << c.brightness << " scale " << c.alpha_scale;
    }
}

// An index beyond the palette has no colour: with alpha in the palette it is
// a transparent black entry, so the background shows.
TEST(CompositorPalette, IndicesBeyondThePaletteAreTransparent) {
    const uint32_t palette[2] = {0x80FF0000u, 0xFF00FF00u};
    Sheet sheet(4, 1);
    for (int32_t x = 0; x < 4; ++x) sheet.at(x, 0) = (uint8_t)(x * 2);
    SettingsRecord s = defaults();
    s.cell_width = 0;
    Picture out(4, 1);
    ASSERT_EQ(run(s, &out, sheet, palette, 2), COMPOSITE_OK);
    EXPECT_EQ(out.at(0, 0), 0xBF3F3Fu); // red at weight 128 over 0x808080
    for (int32_t x = 1; x < 4; ++x) EXPECT_EQ(out.at(x, 0), DARK) << x;
}

TEST(CompositorPalette, InvertRotateAndPalettesWithoutAlpha) {
    Sheet sheet(16, 4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 8; x < 16; ++x) sheet.at(x, y) = 1;
    const uint32_t flat[2] = {0x00102030u, 0x00405060u};
    SettingsRecord inverted = defaults(), rotated = defaults();
    inverted.alpha_invert = 1; // index 0 opaque black, index 1 transparent
    rotated.clut_offset = 1;   // index 0 opaque white, index 1 transparent black
    Picture a(16, 4), b(16, 4), c(16, 4);
    ASSERT_EQ(run(inverted, &a, sheet), COMPOSITE_OK);
    ASSERT_EQ(run(rotated, &b, sheet), COMPOSITE_OK);
    ASSERT_EQ(run(defaults(), &c, sheet, flat, 2), COMPOSITE_OK); // all opaque
    for (int32_t x = 0; x < 16; ++x) {
        EXPECT_EQ(a.at(x, 2), x < 8 ? 0u : LIGHT) << x;
        EXPECT_EQ(b.at(x, 2), x < 8 ? WHITE : LIGHT) << x;
        EXPECT_EQ(c.at(x, 2), x < 8 ? 0x102030u : 0x405060u) << x;
    }
}

TEST(CompositorPalette, RotationStaysInsideThePalette) {
    const uint32_t three[3] = {0xFF000011u, 0xFF000022u, 0xFF000033u};
    Sheet sheet(3, 1);
    for (int32_t x = 0; x < 3; ++x) sheet.at(x, 0) = (uint8_t)x;
    // {offset, palette entry drawn for index 0}; -32768 = -10923 * 3 + 1.
    const int32_t cases[][2] = {{-1, 2}, {-2, 1}, {-3, 0}, {-32768, 1}, {32767, 1}, {4, 1}};
    for (const auto &c : cases) {
        SettingsRecord s = defaults();
        s.clut_offset = (int16_t)c[0];
        Picture out(3, 1);
        ASSERT_EQ(run(s, &out, sheet, three, 3), COMPOSITE_OK);
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(out.at(x, 0), three[(c[1] + x) % 3] & 0xFFFFFFu) << c[0] << " index " << x;
    }
    // Above 256 colours, 256 entries are used, rotated over the whole palette.
    std::vector<uint32_t> big(300);
    for (uint32_t i = 0; i < 300; ++i) big[i] = 0xFF000000u | i;
    Sheet wide(256, 1);
    for (int32_t x = 0; x < 256; ++x) wide.at(x, 0) = (uint8_t)x;
    SettingsRecord s = defaults();
    s.clut_offset = 290;
    Picture out(256, 1);
    ASSERT_EQ(run(s, &out, wide, big.data(), 300), COMPOSITE_OK);
    EXPECT_EQ(out.at(0, 0), 290u);
    EXPECT_EQ(out.at(9, 0), 299u);
    EXPECT_EQ(out.at(10, 0), 0u);
    EXPECT_EQ(out.at(255, 0), 245u);
}

TEST(CompositorPalette, KeyingByIndexAndByColour) {
    const uint32_t palette[3] = {0xFF00FF00u, 0xFFFFFFFFu, 0x0000FF00u};
    Sheet sheet(9, 1);
    for (int32_t x = 0; x < 9; ++x) sheet.at(x, 0) = (uint8_t)(x % 3);
    SettingsRecord by_index = defaults();
    by_index.alpha_mode = 0;
    by_index.transparent_mode = 2; // the unrotated index is compared
    by_index.transparent_index = 1;
    by_index.clut_offset = 1;
    SettingsRecord by_colour = defaults();
    by_colour.alpha_mode = 0;
    by_colour.transparent_mode = 1; // low 24 bits of the entry, whatever its alpha
    by_colour.transparent_colour = 0x7F00FF00u;
    Picture a(9, 1), b(9, 1);
    ASSERT_EQ(run(by_index, &a, sheet, palette, 3), COMPOSITE_OK);
    ASSERT_EQ(run(by_colour, &b, sheet, palette, 3), COMPOSITE_OK);
    const uint32_t expected_a[3] = {WHITE, LIGHT, 0x00FF00};
    for (int32_t x = 0; x < 9; ++x) {
        EXPECT_EQ(a.at(x, 0), expected_a[x % 3]) << x;
        EXPECT_EQ(b.at(x, 0), x % 3 == 1 ? WHITE : LIGHT) << x;
    }
}

TEST(CompositorDirect, AlphaPreparedInPlaceAndKeyedByColour) {
    std::vector<uint32_t> source = {0x00112233u, 0x00445566u, 0x00778899u,
                                    0x00AABBCCu, 0x00445566u, 0x00000000u};
    SettingsRecord s = defaults();
    s.transparent_mode = 2; // a direct source has no index: any mode keys by colour
    s.transparent_colour = 0x445566;
    std::vector<uint32_t> out(6, 0xDEADBEEFu);
    ASSERT_EQ(composite_picture(&s, out.data(), 3, 2, 32, nullptr, 0, source.data(), 0, 32), 0);
    for (uint32_t word : source) EXPECT_EQ(word >> 24, 0xFFu); // made opaque in place
    const std::vector<uint32_t> expected = {0x112233, LIGHT, 0x778899, 0xAABBCC, LIGHT, 0};
    EXPECT_EQ(out, expected);

    std::vector<uint32_t> glyph = {0xFFFFFFFFu, 0x00000000u};
    s = defaults();
    s.alpha_invert = 1;
    s.cell_width = 0;
    ASSERT_EQ(composite_picture(&s, out.data(), 2, 1, 32, nullptr, 0, glyph.data(), 0, 32), 0);
    EXPECT_EQ(glyph[0], 0x00FFFFFFu);
    EXPECT_EQ(out[0], DARK);
    EXPECT_EQ(out[1], 0u);
}

TEST(CompositorOutput, RowsArePaddedWithZeros) {
    for (int32_t width = 1; width <= 8; ++width) {
        Sheet sheet(width, 3);
        for (uint8_t &b : sheet.bytes) b = 1;
        Picture out(width, 3);
        ASSERT_EQ(run(defaults(), &out, sheet), COMPOSITE_OK);
        ASSERT_EQ(out.row_bytes % 4, 0u);
        for (size_t i = 0; i < out.bytes.size(); ++i)
            ASSERT_EQ(out.bytes[i], i % out.row_bytes < (size_t)width * 3 ? 0xFF : 0)
                << "width " << width << " byte " << i;
    }
}

TEST(CompositorFailure, EmptyInputsAndEmptyPalettesAllocateNothing) {
#ifndef _WIN32
    heap_test_reset();
#endif
    SettingsRecord s = defaults();
    EXPECT_EQ(composite_picture(&s, nullptr, 0, 10, 24, SHEET_PALETTE, 2, nullptr, 0, 8), 0);
    EXPECT_EQ(composite_picture(&s, nullptr, 10, 0, 24, SHEET_PALETTE, 2, nullptr, 0, 8), 0);
    EXPECT_EQ(composite_picture(&s, nullptr, -4, -4, 32, nullptr, 0, nullptr, 0, 32), 0);
    Sheet sheet(4, 4);
    Picture out(4, 4);
    const std::vector<uint8_t> before = out.bytes;
    EXPECT_EQ(run(s, &out, sheet, SHEET_PALETTE, 0), COMPOSITE_ERR_INTERNAL);
    EXPECT_EQ(out.bytes, before);
    // Compositing itself needs no memory: it cannot fail for the lack of it.
    EXPECT_EQ(run(s, &out, sheet), COMPOSITE_OK);
#ifndef _WIN32
    EXPECT_EQ(heap_test_allocations(), 0u);
#endif
}

} // namespace
