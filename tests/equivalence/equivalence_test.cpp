// The shipped drawing, conversion and compositing routines against the slow
// per-pixel oracles: identical bytes on real fonts, synthetic fonts and random
// settings (fixed seeds, so a failure repeats).
#include "compositor/compositor.h"
#include "tests/oracles/oracles.h"
#include "tests/oracles/reference_sheet.h"
#include "common/row_stride.h"
#include "fontx2/fontx2.h"
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin_internal.h"
#include "raster/raster.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <string.h>

namespace {

// Bands of one or three cell rows (with room to spare short of one more)
// put together in order give the top-down sheet.
struct Bands {
    std::vector<uint8_t> sheet;
    uint64_t stride;
    uint32_t next_row;
};
bool take_band(void *context, const uint8_t *band, uint32_t first_row, uint32_t rows) {
    Bands *b = (Bands *)context;
    EXPECT_EQ(first_row, b->next_row);
    b->next_row = first_row + rows;
    memcpy(b->sheet.data() + first_row * b->stride, band, rows * b->stride);
    return true;
}
void expect_same_bands(const Fontx2Font &f, const Fontx2Layout &layout, uint64_t stride,
                       const std::vector<uint8_t> &want, const char *what) {
    const uint64_t cell = stride * f.glyph_height;
    if (cell == 0 || layout.height == 0) return; // an empty sheet has no bands
    for (uint64_t cells : {1, 3}) {
        Bands b = {std::vector<uint8_t>(want.size(), 0xA5), stride, 0};
        std::vector<uint8_t> band(cells * cell + cell - 1, 0x5A);
        ASSERT_EQ(fontx2_draw_bands(&f, &layout, band.data(), band.size(), stride, take_band, &b),
                  FONTX2_OK);
        EXPECT_EQ(b.next_row, layout.height);
        ASSERT_TRUE(want == b.sheet) << what << " bands of " << cells;
    }
}

// The shipped drawing and the independent one of one sheet, the shipped one
// over stale memory with guard bytes after it.
void expect_same_sheet(const std::vector<uint8_t> &font, Fontx2Order order, Fontx2Shape shape,
                       uint32_t alignment, int bottom_up, const char *what) {
    Fontx2Font f;
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    ASSERT_EQ(fontx2_read(&f, font.data(), font.size(), font.size()), FONTX2_OK) << what;
    fontx2_lay_out(layout.get(), &f, order, shape);
    const uint64_t stride = row_stride(layout->width, 1, alignment);
    const size_t bytes = (size_t)(stride * layout->height);
    std::vector<uint8_t> want = oracle_glyph_sheet(font, order, shape, alignment, bottom_up);
    ASSERT_EQ(want.size(), bytes) << what;
    std::vector<uint8_t> fast(bytes + 16, 0x5A);
    memset(fast.data() + bytes, 0xA5, 16);
    ASSERT_EQ(fontx2_draw(&f, layout.get(), fast.data(), bytes, stride,
                          bottom_up ? FONTX2_BOTTOM_UP : FONTX2_TOP_DOWN),
              FONTX2_OK);
    want.resize(bytes + 16, 0xA5);
    ASSERT_TRUE(want == fast) << what << " order " << order << " shape " << shape << " alignment "
                              << alignment << " bottom_up " << bottom_up;
    if (!bottom_up) expect_same_bands(f, *layout, stride, want, what);
}

// Every order and shape; alignments and directions on the automatic order.
void expect_same_sheets(const std::vector<uint8_t> &font, const std::string &what) {
    for (Fontx2Shape shape : {FONTX2_GRID, FONTX2_COLUMN}) {
        for (uint32_t alignment : {1u, 4u})
            for (int bottom_up : {1, 0})
                expect_same_sheet(font, FONTX2_ORDER_AUTO, shape, alignment, bottom_up,
                                  what.c_str());
        if (font.size() > 16 && font[16] != 0)
            for (Fontx2Order order : {FONTX2_ORDER_JIS, FONTX2_ORDER_CODE})
                expect_same_sheet(font, order, shape, 1, 0, what.c_str());
    }
}

TEST(FastGlyphSheet, RealFontsMatchTheBitByBitDrawing) {
    SKIP_WITHOUT_FONTS(dir);
    for (const auto &font : test_real_fonts()) expect_same_sheets(font.second, font.first);
}

TEST(FastGlyphSheet, EveryGlyphWidthAndTruncatedFonts) {
    // Widths around every byte boundary, up to the largest row of 32 bytes;
    // 33 rows take narrow grids past their first chunk of rows.
    for (uint8_t width : {1, 5, 7, 8, 9, 12, 15, 16, 17, 23, 24, 25, 31, 32, 33, 40, 63, 255}) {
        for (uint8_t height : {1, 3, 16, 33}) {
            std::vector<uint8_t> single = synthetic_font_single(width, height);
            expect_same_sheets(single, "single " + std::to_string(width));
            if (width <= 33 && height <= 3) {
                std::vector<uint8_t> dbl = synthetic_font_double(width, height);
                expect_same_sheets(dbl, "double " + std::to_string(width));
                // Glyphs past the end of the data stay blank in both.
                dbl.resize(dbl.size() * 2 / 3 + width);
                expect_same_sheets(dbl, "cut double " + std::to_string(width));
            }
            single.resize(single.size() / 2 + 3);
            expect_same_sheets(single, "cut single " + std::to_string(width));
        }
    }
}

// Block tables in any order, overlapping, reversed, partly missing, or
// ascending (walked once); with Shift-JIS codes, or codes anywhere (mostly
// laid out in their own order).
std::vector<uint8_t> random_block_font(TestRandom *rng, uint8_t width, uint8_t height) {
    std::vector<Fontx2Range> ranges;
    const uint32_t blocks = rng->below(12);
    const bool anywhere = rng->below(2), ascending = rng->below(2);
    uint32_t next = anywhere ? rng->below(0x100) : 0x8140;
    for (uint32_t i = 0; i < blocks; ++i) {
        uint16_t first = (uint16_t)(anywhere ? rng->below(0xFF00) : 0x8140 + rng->below(0x6F00));
        uint16_t last = (uint16_t)(first + rng->below(400) - 20); // sometimes below first
        if (ascending && next + 400 < 0xFFFF) {
            first = (uint16_t)(next + rng->below(40));
            last = (uint16_t)(first + rng->below(300));
            next = last + 1u;
        }
        ranges.push_back({first, last});
    }
    std::vector<uint8_t> glyphs(3000 * fontx2_glyph_bytes(width, height));
    for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i] = (uint8_t)rng->next();
    std::vector<uint8_t> font = fontx2_write_double("RAND", width, height, ranges, glyphs);
    if (rng->below(3) == 0) font.resize(18 + rng->below((uint32_t)font.size() - 18));
    return font;
}

TEST(FastGlyphSheet, RandomBlockTables) {
    TestRandom rng(1);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> font = random_block_font(&rng, (uint8_t)(1 + rng.below(33)), 5);
        expect_same_sheets(font, "random blocks " + std::to_string(round));
    }
}

// A lookup finds the bitmap the independent reader draws for every code.
TEST(FastGlyphSheet, LookupsAgreeWithTheIndependentReader) {
    TestRandom rng(2);
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> font = random_block_font(&rng, 8, 2);
        Fontx2Font f;
        ASSERT_EQ(fontx2_read(&f, font.data(), font.size(), font.size()), FONTX2_OK);
        const uint32_t blocks = reference::block_count(font.data(), font.size());
        for (uint32_t code = 0; code <= 0xFFFF; ++code) {
            Fontx2Glyph glyph;
            fontx2_lookup(&f, code, &glyph);
            // Both place a code no block holds at the first glyph.
            int64_t want = reference::glyph_offset(font.data(), font.size(), code, blocks);
            ASSERT_EQ(glyph.bitmap ? (int64_t)glyph.offset : -1, want) << std::hex << code;
        }
    }
}

TEST(FastRasterExpansion, MatchesThePerPixelConversion) {
    TestRandom rng(3);
    for (int round = 0; round < 300; ++round) {
        const uint32_t sw = 1 + rng.below(70), sh = 1 + rng.below(9);
        Raster src = {};
        ASSERT_TRUE(raster_init(&src, (uint8_t)rng.pick({1, 2, 4, 8}), sw, sh, RASTER_OWNS_MEMORY,
                                nullptr, (uint32_t)rng.pick({0, 1}), nullptr, -1));
        for (uint64_t i = 0; i < (uint64_t)src.stride * sh; ++i)
            src.pixels[i] = (uint8_t)rng.next();
        src.palette[0] = rng.next();
        src.palette[1] = rng.next();
        if (rng.below(2)) src.raster_flags |= RASTER_READ_SWAPPED;
        if (rng.below(8) == 0) src.palette_count = 0;
        // A destination of its own size, or larger and smaller.
        const uint32_t dw = rng.below(3) ? sw : 1 + rng.below(80);
        const uint32_t dh = rng.below(3) ? sh : 1 + rng.below(12);
        const uint32_t depth = (uint32_t)rng.pick({5, 6, 7, 8});
        const uint8_t align = (uint8_t)rng.pick({1, 4});
        const int32_t count = rng.pick({0, 2, 256});
        Raster ref = {}, fast = {};
        ASSERT_TRUE(
            raster_init(&ref, align, dw, dh, RASTER_OWNS_MEMORY, nullptr, depth, nullptr, count));
        const uint64_t bytes = (uint64_t)ref.stride * dh;
        for (uint64_t i = 0; i < bytes; ++i) ref.pixels[i] = (uint8_t)(0xC3 ^ i);
        ASSERT_TRUE(raster_init(&fast, align, dw, dh, RASTER_OWNS_MEMORY, ref.pixels, depth,
                                nullptr, count));
        ASSERT_TRUE(oracle_raster_expand(&src, &ref));
        ASSERT_TRUE(raster_convert(&src, &fast, 0, 0));
        EXPECT_EQ(memcmp(ref.pixels, fast.pixels, (size_t)bytes), 0) << "round " << round;
        if (count) {
            EXPECT_EQ(memcmp(ref.palette, fast.palette, (size_t)count * 4), 0);
        }
        raster_release(&src);
        raster_release(&ref);
        raster_release(&fast);
    }
}

// With an offset the table does not apply: the per-pixel conversion reads
// the window.
TEST(FastRasterExpansion, AnOffsetWindowIsConvertedToo) {
    Raster one = {}, eight = {};
    ASSERT_TRUE(raster_init(&one, 1, 20, 2, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    for (uint32_t i = 0; i < one.stride * 2; ++i) one.pixels[i] = (uint8_t)(0x5A + 37 * i);
    ASSERT_TRUE(raster_init(&eight, 1, 16, 2, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, -1));
    ASSERT_TRUE(raster_convert(&one, &eight, 3, 0));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            EXPECT_EQ(raster_get_pixel(&eight, x, y), raster_get_pixel(&one, x + 3, y)) << x;
    raster_release(&one);
    raster_release(&eight);
}

SettingsRecord random_settings(TestRandom *rng) {
    SettingsRecord s;
    settings_defaults(&s);
    s.alpha_mode = (uint8_t)rng->below(5);
    s.alpha_zero_opaque = (uint8_t)rng->below(2);
    s.alpha_invert = (uint8_t)rng->below(4);
    s.alpha_128 = (uint8_t)rng->below(4);
    s.transparent_mode = (uint8_t)rng->below(4);
    s.brightness = (int16_t)rng->pick({1000, 0, 500, 1200, 4000, 32767, -1, -700, -32768});
    s.alpha_scale = (int16_t)rng->pick({255, 0, 100, 1000, -255});
    s.clut_offset = (int16_t)rng->pick({0, 1, 2, 255, 256, 1000, -1, -3, -32768, 32767});
    s.transparent_index = (int16_t)rng->pick({0, 1, 2, 255, -1});
    s.transparent_colour = rng->pick({0, 0xFFFFFF, 0x7F000000}) | (rng->below(4) ? 0 : rng->next());
    s.grid_colour = rng->next();
    s.bg_colour1 = rng->next();
    s.bg_colour2 = rng->next();
    s.cell_width = (int16_t)rng->pick({16, 0, 1, 3, 8, 7, 40, 1024, -16, -1, 32767});
    s.cell_height = (int16_t)rng->pick({16, 0, 1, 5, 8, 33, 1024, -4, 32767});
    s.background_enabled = (uint8_t)rng->pick({1, 1, 0, 2});
    s.grid_lines = (uint8_t)rng->below(3);
    return s;
}

TEST(FastCompositor, MatchesThePerPixelCompositorOnRandomSettings) {
    TestRandom rng(4);
    for (int round = 0; round < 1500; ++round) {
        const SettingsRecord s = random_settings(&rng);
        const int32_t w = 1 + (int32_t)rng.below(45), h = 1 + (int32_t)rng.below(40);
        const int32_t out_depth = rng.below(4) ? 24 : 32;
        const bool indexed = rng.below(4) != 0;
        // Palettes with and without alpha; 2-colour glyph sheets most often.
        uint32_t palette[300];
        const uint32_t colours = rng.below(3) ? 2 : 1 + rng.below(300);
        const bool alpha = rng.below(2);
        for (uint32_t &p : palette) p = rng.next() & (alpha ? 0xFFFFFFFFu : 0xFFFFFF);
        if (colours == 2 && rng.below(2)) {
            palette[0] = 0;
            palette[1] = 0xFFFFFFFFu;
        }
        const int32_t stride = indexed ? (w + 3) & ~3 : w * 4;
        std::vector<uint8_t> src((size_t)stride * h);
        for (uint8_t &b : src)
            b = (uint8_t)(indexed ? rng.below(rng.below(2) ? 2 : 256) : rng.next());
        if (!indexed && rng.below(2))
            for (size_t i = 3; i < src.size(); i += 4) src[i] = 0; // no alpha at all
        std::vector<uint8_t> src_fast = src;
        const size_t out_bytes =
            out_depth == 24 ? (size_t)((w * 3 + 3) & ~3) * h : (size_t)w * h * 4;
        std::vector<uint8_t> ref(out_bytes + 8, 0xEE), fast(out_bytes + 8, 0xEE);
        int rc_ref = oracle_composite_picture(&s, ref.data(), w, h, out_depth, palette, colours,
                                              src.data(), stride, indexed ? 8 : 32);
        int rc_fast = composite_picture(&s, fast.data(), w, h, out_depth, palette, colours,
                                        src_fast.data(), stride, indexed ? 8 : 32);
        ASSERT_EQ(rc_ref, rc_fast);
        ASSERT_TRUE(ref == fast) << "round " << round << " w " << w << " h " << h << " depth "
                                 << out_depth << " indexed " << indexed;
        ASSERT_TRUE(src == src_fast) << "the alpha preparation in place, round " << round;
    }
}

TEST(FastCompositor, EmptyPaletteAndEmptyPicture) {
    SettingsRecord s;
    settings_defaults(&s);
    uint8_t src[4] = {}, out[16];
    memset(out, 0x11, sizeof out);
    uint32_t palette[1] = {0};
    EXPECT_EQ(composite_picture(&s, out, 1, 1, 24, palette, 0, src, 4, 8), COMPOSITE_ERR_INTERNAL);
    EXPECT_EQ(composite_picture(&s, out, 0, 5, 24, palette, 1, src, 4, 8), COMPOSITE_OK);
    for (uint8_t b : out) EXPECT_EQ(b, 0x11); // untouched either way
}

// The composite path's steps done by the oracles: the picture GetPicture
// must deliver.
std::vector<uint8_t> reference_composite(const std::vector<uint8_t> &font,
                                         const SettingsRecord &s) {
    reference::Geometry g = {};
    EXPECT_TRUE(reference::sheet_geometry(font.data(), font.size(), s.single_column, &g));
    const uint32_t w = (uint32_t)g.width, h = (uint32_t)g.height;
    Raster bits = {}, render = {};
    EXPECT_TRUE(raster_init(&bits, 1, w, h, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    bits.palette[1] = 0xFFFFFFFFu;
    bits.palette[0] = 0;
    std::vector<uint8_t> sheet = oracle_glyph_sheet(
        font, FONTX2_ORDER_AUTO, s.single_column ? FONTX2_COLUMN : FONTX2_GRID, 1, 1);
    if (!sheet.empty()) memcpy(bits.pixels, sheet.data(), sheet.size());
    EXPECT_TRUE(raster_init(&render, 4, w, h, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 0));
    oracle_raster_expand(&bits, &render);
    uint32_t palette[256] = {0, 0xFFFFFFFFu};
    std::vector<uint8_t> out((size_t)row_stride(w, 24, 4) * h);
    oracle_composite_picture(&s, out.data(), (int32_t)w, (int32_t)h, 24, palette, 2, render.pixels,
                             (int32_t)render.stride, 8);
    raster_release(&bits);
    raster_release(&render);
    return out;
}

void expect_same_decode(const std::vector<uint8_t> &font, const SettingsRecord &s,
                        const std::string &what) {
    test_store_settings(s);
    void *header = nullptr, *pixels = nullptr;
    ASSERT_EQ(GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header, &pixels,
                         nullptr, 0),
              0)
        << what;
    const DibHeader *dib = (const DibHeader *)header;
    std::vector<uint8_t> want;
    if (s.flags & SETTINGS_ENABLED) {
        want = reference_composite(font, s);
    } else {
        want = reference::plain_pixels(font.data(), font.size(), s.single_column);
    }
    ASSERT_EQ(dib->size_image, want.size()) << what;
    EXPECT_EQ(memcmp(pixels, want.data(), want.size()), 0) << what;
    heap_free(header);
    heap_free(pixels);
}

TEST(FastDecode, GetPictureMatchesThePerPixelRoutines) {
    test_registry_clear();
    std::vector<std::pair<std::string, std::vector<uint8_t>>> fonts;
    fonts.push_back({"single 12x24", synthetic_font_single(12, 24)});
    fonts.push_back({"single 9x5", synthetic_font_single(9, 5)});
    fonts.push_back({"double 12x8", synthetic_font_double(12, 8)});
    std::string dir = test_fonts_dir();
    for (const char *name : {"ILGH24XB.FNT", "ILGZ16XB.FNT", "8x16-fontx-sbcs.fnt"}) {
        std::vector<uint8_t> font;
        if (!dir.empty() && test_read_file(dir + "/" + name, &font)) fonts.push_back({name, font});
    }
    TestRandom rng(5);
    for (const auto &f : fonts) {
        for (int round = 0; round < 6; ++round) {
            SettingsRecord s = random_settings(&rng);
            s.flags = round == 0 ? 0 : SETTINGS_ENABLED;
            s.single_column = (uint8_t)(round % 3 == 2);
            expect_same_decode(f.second, s, f.first + " round " + std::to_string(round));
        }
    }
    test_registry_clear();
}

#ifndef _WIN32
TEST(FastDecode, PictureInfoOnAFileReadsOnlyTheHeaderAndBlockTable) {
    test_registry_clear();
    std::vector<uint8_t> font = synthetic_font_double(16, 16); // about 280 KB
    std::string path = test_write_temp("info_read.fnt", font);
    file_test_reset();
    PictureInfo info;
    ASSERT_EQ(GetPictureInfo(path.c_str(), 0, 0, &info), 0);
    EXPECT_EQ(info.width, 1504);
    EXPECT_EQ(file_test_reads(), 1u);
    EXPECT_EQ(file_test_bytes_read(), (uint64_t)FONTX2_HEADER_BYTES);
    // GetPicture, by contrast, loads the whole file.
    file_test_reset();
    void *header = nullptr, *pixels = nullptr;
    ASSERT_EQ(GetPicture(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), 0);
    EXPECT_EQ(file_test_bytes_read(), font.size());
    heap_free(header);
    heap_free(pixels);
    remove(path.c_str());
}
#endif

} // namespace
