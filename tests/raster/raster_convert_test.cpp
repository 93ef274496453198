// Conversion between rasters, the colour set and exact palette reduction.
#include "tests/raster/raster_test_util.h"

#include <algorithm>
#include <set>
#include <string.h>

namespace {

// A raster over a vector of the caller's, filled with a marker byte, with a
// few guard bytes after it.
struct Memory {
    std::vector<uint8_t> bytes;
    Raster r = {};
    Memory(uint8_t alignment, uint32_t width, uint32_t height, uint32_t depth,
           uint32_t *palette = nullptr, int32_t palette_count = -1, uint8_t fill = 0xEE) {
        Raster probe = {};
        EXPECT_TRUE(raster_init(&probe, alignment, width, height, 0, nullptr, depth, nullptr, 0));
        bytes.assign((size_t)probe.stride * height + 8, fill);
        EXPECT_TRUE(raster_init(&r, alignment, width, height, 0, bytes.data(), depth, palette,
                                palette_count));
    }
    uint8_t *row(uint32_t y) { return bytes.data() + (size_t)y * r.stride; }
};

// ---- Colour set ------------------------------------------------------------------------

TEST(ColourSet, KeepsDistinctColoursInUnsignedOrder) {
    uint32_t set[RASTER_COLOUR_SET_SIZE];
    uint32_t n = 0;
    colour_set_insert(set, &n, 0xFF000000u);
    colour_set_insert(set, &n, 0x00FFFFFFu);
    colour_set_insert(set, &n, 0x80000000u);
    colour_set_insert(set, &n, 0x7FFFFFFFu);
    colour_set_insert(set, &n, 0xFF000000u); // already there
    colour_set_insert(set, &n, 0);
    ASSERT_EQ(n, 5u);
    const uint32_t expected[] = {0, 0x00FFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFF000000u};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(set[i], expected[i]);
}

TEST(ColourSet, RandomInsertionsMatchAnOrderedSet) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        TestRandom rng(seed);
        uint32_t set[RASTER_COLOUR_SET_SIZE];
        uint32_t n = 0;
        std::set<uint32_t> model;
        uint32_t range = seed % 2 ? 300 : 0xFFFFFFFFu; // many repeats, or nearly none
        while (model.size() < 257) {
            uint32_t c = rng.next() % range;
            if (seed % 3 == 0) c <<= 23; // high bits differ: the unsigned order matters
            colour_set_insert(set, &n, c);
            model.insert(c);
            ASSERT_EQ(n, model.size());
        }
        uint32_t i = 0;
        for (uint32_t c : model) ASSERT_EQ(set[i++], c) << "seed " << seed;
    }
}

// ---- Row copy -------------------------------------------------------------------------

TEST(RasterConvert, EqualCodesCopyRowsBytewise) {
    Memory src(1, 8, 10, 8);
    for (size_t i = 0; i < src.bytes.size(); ++i) src.bytes[i] = (uint8_t)i;
    src.r.raster_flags = RASTER_READ_SWAPPED | RASTER_WRITE_SWAPPED;
    Memory dst(4, 3, 6, 8); // stride 4
    dst.r.raster_flags = RASTER_DITHER | RASTER_WRITE_SWAPPED;
    ASSERT_EQ(src.r.stride, 8u);
    ASSERT_EQ(dst.r.stride, 4u);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0));
    for (uint32_t y = 0; y < 6; ++y) EXPECT_EQ(memcmp(dst.row(y), src.row(y), 4), 0) << "row " << y;
    for (size_t i = 24; i < dst.bytes.size(); ++i) EXPECT_EQ(dst.bytes[i], 0xEE);

    // The other way round: the destination's longer rows and later rows stay.
    Memory wide(1, 8, 6, 8);
    Memory narrow(4, 3, 3, 8);
    for (size_t i = 0; i < narrow.bytes.size(); ++i) narrow.bytes[i] = (uint8_t)(0x40 + i);
    EXPECT_TRUE(raster_convert(&narrow.r, &wide.r, 0, 0));
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t i = 0; i < 8; ++i) {
            uint8_t expected = y < 3 && i < 4 ? narrow.row(y)[i] : 0xEE;
            EXPECT_EQ(wide.row(y)[i], expected) << "row " << y << " byte " << i;
        }
}

TEST(RasterConvert, RowCopyIgnoresDitherAndOrderFlags) {
    TestRandom rng(3);
    Memory src(4, 5, 4, 16);
    for (uint8_t &b : src.bytes) b = (uint8_t)rng.next();
    Memory dst(4, 5, 4, 16);
    dst.r.raster_flags = RASTER_DITHER | RASTER_WRITE_SWAPPED;
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0));
    EXPECT_EQ(memcmp(dst.bytes.data(), src.bytes.data(), 4 * src.r.stride), 0);
}

TEST(RasterConvert, ConvertIntoWithSourceDefaultsCopiesTheRowsUnchanged) {
    TestRandom rng(4);
    ScopedRaster src;
    ASSERT_TRUE(raster_init(src.get(), 4, 10, 5, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    for (uint32_t i = 0; i < src->stride * 5; ++i) src->pixels[i] = (uint8_t)rng.next();
    std::vector<uint8_t> out(4 * 5 + 4, 0xEE);
    EXPECT_TRUE(raster_convert_into(src.get(), 0, 0, 0, out.data(), nullptr, 0, 0));
    EXPECT_EQ(memcmp(out.data(), src->pixels, 20), 0); // padding bits and bytes too
    for (int i = 20; i < 24; ++i) EXPECT_EQ(out[i], 0xEE);
}

// ---- Per-pixel ways ---------------------------------------------------------------------

TEST(RasterConvert, OffsetWindowReadsZeroOutsideTheSource) {
    Memory src(4, 4, 2, 32);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) raster_put_pixel(&src.r, x, y, 0x80000001u + y * 4 + x);
    Memory dst(4, 4, 2, 32);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 1, 0));
    for (uint32_t y = 0; y < 2; ++y) {
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(raster_get_pixel(&dst.r, x, y), 0x80000001u + y * 4 + x + 1);
        EXPECT_EQ(raster_get_pixel(&dst.r, 3, y), 0u);
    }
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, -1)); // negative offsets are outside too
    for (uint32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(raster_get_pixel(&dst.r, x, 0), 0u);
        EXPECT_EQ(raster_get_pixel(&dst.r, x, 1), 0x80000001u + x);
    }

    Memory isrc(4, 4, 1, 8);
    Memory idst(4, 4, 1, 8);
    for (uint32_t x = 0; x < 4; ++x) raster_put_pixel(&isrc.r, x, 0, 7 + x);
    EXPECT_TRUE(raster_convert(&isrc.r, &idst.r, 1, 0));
    const uint8_t expected[4] = {8, 9, 10, 0};
    EXPECT_EQ(memcmp(idst.bytes.data(), expected, 4), 0);
}

TEST(RasterConvert, SamePackingDifferentCodesRecodesExactly) {
    TestRandom rng(9);
    Memory src(4, 17, 3, 9);
    for (uint8_t &b : src.bytes) b = (uint8_t)rng.next();
    Memory dst(4, 17, 3, 16);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0));
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(memcmp(dst.row(y), src.row(y), 34), 0) << "row " << y;
    for (uint32_t y = 0; y < 3; ++y) // the padding of each row is not written
        EXPECT_EQ(dst.row(y)[34], 0xEE);
}

TEST(RasterConvert, PerPixelWritesNothingAfterTheLastPixel) {
    Memory src(4, 10, 1, 8);
    const uint8_t values[10] = {1, 0, 1, 1, 0, 1, 0, 0, 1, 1};
    for (uint32_t x = 0; x < 10; ++x) raster_put_pixel(&src.r, x, 0, values[x] * 3);

    std::vector<uint8_t> one(4, 0xCC);
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 1, 0, one.data(), nullptr, 0, 0));
    EXPECT_EQ(one[0], 0xB4); // 1011 0100
    EXPECT_EQ(one[1], 0xC0 | (0xCC & 0x3F));
    EXPECT_EQ(one[2], 0xCC);
    EXPECT_EQ(one[3], 0xCC);

    Memory src5(1, 5, 1, 8);
    for (uint32_t x = 0; x < 5; ++x) raster_put_pixel(&src5.r, x, 0, x + 1);
    std::vector<uint8_t> two(4, 0xCC);
    EXPECT_TRUE(raster_convert_into(&src5.r, 4, 2, 0, two.data(), nullptr, 0, 0));
    EXPECT_EQ(two[0], 0x6C); // 01 10 11 00
    EXPECT_EQ(two[1], 0x40 | (0xCC & 0x3F));
    EXPECT_EQ(two[2], 0xCC);

    Memory src3(1, 3, 1, 8);
    for (uint32_t x = 0; x < 3; ++x) raster_put_pixel(&src3.r, x, 0, 0xA + x);
    std::vector<uint8_t> four(4, 0xCC);
    EXPECT_TRUE(raster_convert_into(&src3.r, 4, 4, 0, four.data(), nullptr, 0, 0));
    EXPECT_EQ(four[0], 0xAB);
    EXPECT_EQ(four[1], 0xC0); // the odd nibble of the last byte becomes 0
    EXPECT_EQ(four[2], 0xCC);
}

TEST(RasterConvert, OneBitRowToFourBits) {
    Memory src(1, 10, 1, 1);
    const uint32_t bits[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    for (uint32_t x = 0; x < 10; ++x) raster_put_pixel(&src.r, x, 0, bits[x]);
    std::vector<uint8_t> out(5, 0xEE);
    EXPECT_TRUE(raster_convert_into(&src.r, 1, 4, 0, out.data(), nullptr, 0, 0));
    const uint8_t expected[5] = {0x10, 0x10, 0x00, 0x00, 0x01};
    EXPECT_EQ(memcmp(out.data(), expected, 5), 0);
}

TEST(RasterConvert, OneBitThroughItsPaletteToColour) {
    uint32_t palette[2] = {0x00000000u, 0xFFFFFFFFu};
    Memory src(4, 2, 1, 1, palette, 2);
    raster_put_pixel(&src.r, 0, 0, 0);
    raster_put_pixel(&src.r, 1, 0, 1);

    uint32_t words[2] = {0x12345678u, 0x12345678u};
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 32, 0, words, nullptr, 0, 0));
    EXPECT_EQ(words[0], 0x00000000u);
    EXPECT_EQ(words[1], 0xFFFFFFFFu);

    uint8_t rgb[8];
    memset(rgb, 0xEE, sizeof rgb);
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 24, 0, rgb, nullptr, 0, 0));
    const uint8_t expected[8] = {0, 0, 0, 0xFF, 0xFF, 0xFF, 0xEE, 0xEE};
    EXPECT_EQ(memcmp(rgb, expected, 8), 0);

    uint8_t index[4];
    memset(index, 0xEE, sizeof index);
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 8, 0, index, nullptr, 0, 0));
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 1);
}

TEST(RasterConvert, IndexCopyKeepsWhatTheDestinationHolds) {
    Memory src(1, 1, 1, 8);
    raster_put_pixel(&src.r, 0, 0, 0x35);
    uint8_t out = 0xEE;
    EXPECT_TRUE(raster_convert_into(&src.r, 1, 4, 0, &out, nullptr, 0, 0));
    EXPECT_EQ(out, 0x50);
    out = 0;
    EXPECT_TRUE(raster_convert_into(&src.r, 1, 1, 0, &out, nullptr, 0, 0));
    EXPECT_EQ(out, 0x80);
    out = 0;
    EXPECT_TRUE(raster_convert_into(&src.r, 1, 2, 0, &out, nullptr, 0, 0));
    EXPECT_EQ(out, 0x40);
}

TEST(RasterConvert, PaletteTransferFillsTheRestWithOpaqueBlack) {
    uint32_t palette[2] = {0x00102030u, 0xFF405060u};
    Memory src(4, 3, 1, 1, palette, 2);
    ScopedRaster dst;
    ASSERT_TRUE(raster_init(dst.get(), 4, 3, 1, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, -1));
    for (int i = 0; i < 256; ++i) dst->palette[i] = 0x12345678u;
    EXPECT_TRUE(raster_convert(&src.r, dst.get(), 0, 0));
    EXPECT_EQ(dst->palette[0], palette[0]);
    EXPECT_EQ(dst->palette[1], palette[1]);
    for (int i = 2; i < 256; ++i) ASSERT_EQ(dst->palette[i], 0xFF000000u) << i;

    // A smaller destination palette takes the first entries only.
    uint32_t big[4] = {1, 2, 3, 4};
    Memory src4(4, 1, 1, 4, big, 4);
    std::vector<uint32_t> small(2, 0);
    uint8_t out[4];
    EXPECT_TRUE(raster_convert_into(&src4.r, 4, 1, 2, out, small.data(), 0, 0));
    EXPECT_EQ(small[0], 1u);
    EXPECT_EQ(small[1], 2u);
}

TEST(RasterConvert, ColourToColourUsesTheDestinationsDitherAndOrder) {
    Memory src(4, 2, 2, 24);
    for (uint32_t i = 0; i < 4; ++i) raster_put_pixel(&src.r, i % 2, i / 2, 0xFF808080u);
    src.r.raster_flags = RASTER_READ_SWAPPED; // grey reads the same either way
    Memory dst(4, 2, 2, 16);
    dst.r.raster_flags = RASTER_DITHER;
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0));
    EXPECT_EQ(word_at(dst.r, 0), 0x7BEFu);
    EXPECT_EQ(word_at(dst.r, 1), 0x8410u);
    EXPECT_EQ(dst.row(1)[0] | dst.row(1)[1] << 8, 0x8410);
    EXPECT_EQ(dst.row(1)[2] | dst.row(1)[3] << 8, 0x7C0F);

    // The source's read order applies.
    Memory rgb(4, 1, 1, 24);
    rgb.bytes[0] = 0x11, rgb.bytes[1] = 0x22, rgb.bytes[2] = 0x33;
    rgb.r.raster_flags = RASTER_READ_SWAPPED;
    Memory word(4, 1, 1, 32);
    word.r.raster_flags = RASTER_WRITE_SWAPPED;
    EXPECT_TRUE(raster_convert(&rgb.r, &word.r, 0, 0));
    const uint8_t expected[4] = {0xFF, 0x11, 0x22, 0x33};
    EXPECT_EQ(memcmp(word.bytes.data(), expected, 4), 0);
}

TEST(RasterConvert, ConvertIntoTakesOnlyTheSourcesWriteOrder) {
    Memory src(4, 2, 1, 32);
    raster_put_pixel(&src.r, 0, 0, 0xFF808080u);
    raster_put_pixel(&src.r, 1, 0, 0xFF112233u);
    src.r.raster_flags = RASTER_WRITE_SWAPPED | RASTER_DITHER;
    uint8_t rgb[8];
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 24, 0, rgb, nullptr, 0, 0));
    EXPECT_EQ(rgb[3], 0x11); // red first: the write order is swapped
    EXPECT_EQ(rgb[5], 0x33);
    uint8_t words[4];
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 16, 0, words, nullptr, 0, 0));
    EXPECT_EQ(words[0], 0x84); // not dithered (0x7BEF would be), high byte first
    EXPECT_EQ(words[1], 0x10);
}

TEST(RasterConvert, ConvertIntoRefusesALayoutItCannotDescribe) {
    Memory src(4, 3, 2, 8);
    std::vector<uint8_t> out(64, 0xEE);
    EXPECT_FALSE(raster_convert_into(&src.r, 3, 8, 0, out.data(), nullptr, 0, 0));
    EXPECT_FALSE(raster_convert_into(&src.r, 4, 33, 0, out.data(), nullptr, 0, 0));
    Raster bare = src.r;
    bare.row_alignment = 0; // and a source without an alignment to fall back on
    EXPECT_FALSE(raster_convert_into(&bare, 0, 8, 0, out.data(), nullptr, 0, 0));
    for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
}

// ---- Indexed sources without palette entries --------------------------------------------

TEST(RasterConvert, IndexedWithoutPaletteGivesOpaqueBlack) {
    Memory src(4, 3, 1, 1); // palette_count 2, but no palette memory
    raster_put_pixel(&src.r, 0, 0, 1);
    raster_put_pixel(&src.r, 2, 0, 1);
    uint32_t words[3] = {0, 0, 0};
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 32, 0, words, nullptr, 0, 0));
    for (uint32_t w : words) EXPECT_EQ(w, 0xFF000000u);
    uint8_t rgb[12];
    memset(rgb, 0xEE, sizeof rgb);
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 24, 0, rgb, nullptr, 0, 0));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(rgb[i], 0);

    ScopedRaster owned; // palette_count 0: no palette block at all
    ASSERT_TRUE(raster_init(owned.get(), 4, 2, 1, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 0));
    raster_put_pixel(owned.get(), 1, 0, 200);
    EXPECT_TRUE(raster_convert_into(owned.get(), 4, 32, 0, words, nullptr, 0, 0));
    EXPECT_EQ(words[0], 0xFF000000u);
    EXPECT_EQ(words[1], 0xFF000000u);
}

TEST(RasterConvert, IndexBeyondThePaletteGivesOpaqueBlack) {
    std::vector<uint32_t> palette = {0x11111111u, 0x22222222u}; // exactly two entries
    Memory src(4, 4, 1, 8, palette.data(), 2);
    const uint8_t indices[4] = {0, 1, 2, 255};
    for (uint32_t x = 0; x < 4; ++x) raster_put_pixel(&src.r, x, 0, indices[x]);
    uint32_t words[4];
    EXPECT_TRUE(raster_convert_into(&src.r, 4, 32, 0, words, nullptr, 0, 0));
    EXPECT_EQ(words[0], 0x11111111u);
    EXPECT_EQ(words[1], 0x22222222u);
    EXPECT_EQ(words[2], 0xFF000000u);
    EXPECT_EQ(words[3], 0xFF000000u);
}

TEST(RasterReduce, IndexedSourceWithoutPaletteReducesToBlack) {
    Memory src(4, 3, 2, 8); // no palette memory
    for (uint32_t x = 0; x < 3; ++x) raster_put_pixel(&src.r, x, 1, x * 50);
    ScopedRaster dst;
    ASSERT_TRUE(raster_init(dst.get(), 4, 3, 2, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 4));
    EXPECT_TRUE(raster_reduce_to_palette(dst.get(), &src.r, 0, 0));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dst->palette[i], 0xFF000000u);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(raster_get_pixel(dst.get(), x, y), 0u);
}

// ---- Reduction ------------------------------------------------------------------------------

TEST(RasterReduce, BlackAndWhiteIntoOneBit) {
    Memory src(4, 5, 2, 24);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            raster_put_pixel(&src.r, x, y, (x + y) % 3 == 0 ? 0xFFFFFFFFu : 0xFF000000u);
    ScopedRaster dst;
    ASSERT_TRUE(raster_init(dst.get(), 4, 5, 2, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, 2));
    EXPECT_TRUE(raster_convert(&src.r, dst.get(), 0, 0));
    EXPECT_EQ(dst->palette[0], 0xFF000000u);
    EXPECT_EQ(dst->palette[1], 0xFFFFFFFFu);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            EXPECT_EQ(raster_get_pixel(dst.get(), x, y), (x + y) % 3 == 0 ? 1u : 0u);
}

TEST(RasterReduce, TooManyColoursLeaveTheDestinationUntouched) {
    Memory src(4, 5, 2, 24);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 5; ++x) raster_put_pixel(&src.r, x, y, x % 2 ? ~0u : 0u);
    raster_put_pixel(&src.r, 4, 1, 0x00808080u); // a third colour in the last pixel
    std::vector<uint32_t> palette = {0x01010101u, 0x02020202u};
    Memory dst(4, 5, 2, 1, palette.data(), 2, 0x5A);
    std::vector<uint8_t> before = dst.bytes;
    EXPECT_FALSE(raster_convert(&src.r, &dst.r, 0, 0));
    EXPECT_EQ(dst.bytes, before);
    EXPECT_EQ(palette[0], 0x01010101u);
    EXPECT_EQ(palette[1], 0x02020202u);
    // A window without the third colour fits.
    Raster narrow = dst.r;
    narrow.width = 4;
    EXPECT_TRUE(raster_reduce_to_palette(&narrow, &src.r, 0, 0));
    EXPECT_EQ(palette[0], 0xFF000000u);
    EXPECT_EQ(palette[1], 0xFFFFFFFFu);
}

TEST(RasterReduce, RefusesDestinationsWithoutAPalette) {
    Memory src(4, 2, 1, 32);
    Memory none(4, 2, 1, 8, nullptr, 256, 0x5A); // count but no memory
    EXPECT_FALSE(raster_reduce_to_palette(&none.r, &src.r, 0, 0));
    uint32_t palette[4] = {9, 9, 9, 9};
    Memory zero(4, 2, 1, 8, palette, 0, 0x5A);
    EXPECT_FALSE(raster_reduce_to_palette(&zero.r, &src.r, 0, 0));
    ScopedRaster colour; // palette memory, but a colour packing
    ASSERT_TRUE(raster_init(colour.get(), 4, 2, 1, RASTER_OWNS_MEMORY, nullptr, 16, nullptr, 4));
    colour->pixels[0] = 0x5A;
    EXPECT_FALSE(raster_reduce_to_palette(colour.get(), &src.r, 0, 0));
    EXPECT_EQ(colour->pixels[0], 0x5A);
    for (uint8_t b : none.bytes) EXPECT_EQ(b, 0x5A);
    for (uint8_t b : zero.bytes) EXPECT_EQ(b, 0x5A);
    EXPECT_EQ(palette[0], 9u);
}

TEST(RasterReduce, LimitComesFromPaletteCountNotThePacking) {
    Memory src(4, 17, 1, 32);
    for (uint32_t x = 0; x < 17; ++x) raster_put_pixel(&src.r, x, 0, 0xFF000000u + x * 0x10101);
    std::vector<uint32_t> palette(16, 0);
    Memory dst(4, 16, 1, 1, palette.data(), 16);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0)); // the first 16 colours
    for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(palette[i], 0xFF000000u + i * 0x10101);
    EXPECT_EQ(dst.bytes[0], 0x7F); // index 0, then non-zero indices stored as 1
    EXPECT_EQ(dst.bytes[1], 0xFF);
    Memory dst17(4, 17, 1, 1, palette.data(), 16);
    EXPECT_FALSE(raster_convert(&src.r, &dst17.r, 0, 0));
}

TEST(RasterReduce, LimitIsAt256Entries) {
    Memory src(4, 16, 17, 32);
    for (uint32_t i = 0; i < 16 * 17; ++i) raster_put_pixel(&src.r, i % 16, i / 16, i * 7);
    std::vector<uint32_t> palette(300, 0x12345678u);
    Memory dst(4, 16, 16, 8, palette.data(), 300);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0)); // 256 colours
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(palette[i], i * 7);
    for (uint32_t i = 256; i < 300; ++i) ASSERT_EQ(palette[i], 0xFF000000u);
    Memory dst257(4, 16, 17, 8, palette.data(), 300, 0x5A);
    EXPECT_FALSE(raster_convert(&src.r, &dst257.r, 0, 0)); // 272 colours
    for (uint32_t i = 0; i < 16 * 17; ++i) ASSERT_EQ(dst257.bytes[i], 0x5A);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 1)); // the window decides: 256 again
    EXPECT_EQ(palette[0], 16u * 7);
}

TEST(RasterReduce, SortsByTheWholeUnsignedValue) {
    Memory src(4, 3, 1, 32);
    raster_put_pixel(&src.r, 0, 0, 0xFF000000u);
    raster_put_pixel(&src.r, 1, 0, 0x00FFFFFFu);
    raster_put_pixel(&src.r, 2, 0, 0x80000000u);
    std::vector<uint32_t> palette(4, 0);
    Memory dst(4, 3, 1, 4, palette.data(), 4);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 0, 0));
    const uint32_t expected[4] = {0x00FFFFFFu, 0x80000000u, 0xFF000000u, 0xFF000000u};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(palette[i], expected[i]);
    EXPECT_EQ(dst.bytes[0], 0x20);
    EXPECT_EQ(dst.bytes[1], 0x10);
}

TEST(RasterReduce, WindowPastTheSourceAddsTransparentBlack) {
    Memory src(4, 2, 1, 24);
    raster_put_pixel(&src.r, 0, 0, 0xFFFFFFFFu);
    raster_put_pixel(&src.r, 1, 0, 0xFFFFFFFFu);
    std::vector<uint32_t> palette(4, 0);
    Memory dst(4, 2, 1, 8, palette.data(), 4);
    EXPECT_TRUE(raster_convert(&src.r, &dst.r, 1, 0));
    EXPECT_EQ(palette[0], 0x00000000u);
    EXPECT_EQ(palette[1], 0xFFFFFFFFu);
    EXPECT_EQ(dst.bytes[0], 1);
    EXPECT_EQ(dst.bytes[1], 0);
}

TEST(RasterReduce, EmptyDestinationGetsAnAllBlackPalette) {
    Memory src(4, 2, 2, 32);
    std::vector<uint32_t> palette(300, 0x12345678u);
    Memory dst(4, 0, 5, 8, palette.data(), 300);
    EXPECT_TRUE(raster_reduce_to_palette(&dst.r, &src.r, 0, 0));
    for (uint32_t c : palette) ASSERT_EQ(c, 0xFF000000u);
    std::fill(palette.begin(), palette.end(), 0x12345678u);
    Memory flat(4, 5, 0, 8, palette.data(), 300);
    EXPECT_TRUE(raster_reduce_to_palette(&flat.r, &src.r, 0, 0));
    for (uint32_t c : palette) ASSERT_EQ(c, 0xFF000000u);
}

TEST(RasterReduce, IndexedSourceReducesThroughItsPalette) {
    uint32_t palette[4] = {0xFF00FF00u, 0xFF0000FFu, 0xFF00FF00u, 0x10000000u};
    Memory src(4, 4, 1, 2, palette, 4);
    for (uint32_t x = 0; x < 4; ++x) raster_put_pixel(&src.r, x, 0, x);
    std::vector<uint32_t> out(8, 0);
    Memory dst(4, 4, 1, 8, out.data(), 8);
    EXPECT_TRUE(raster_reduce_to_palette(&dst.r, &src.r, 0, 0));
    EXPECT_EQ(out[0], 0x10000000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    EXPECT_EQ(out[2], 0xFF00FF00u);
    const uint8_t expected[4] = {2, 1, 2, 0}; // entries 0 and 2 share one colour
    EXPECT_EQ(memcmp(dst.bytes.data(), expected, 4), 0);
}

// ---- Round-trip properties ------------------------------------------------------------------

// A picture of at most k distinct colours reduces to a palette of exactly the
// colours used, sorted, and expands back to the same picture.
TEST(RasterProperties, ReductionThenExpansionIsIdentity) {
    const uint32_t counts[] = {1, 2, 3, 16, 17, 100, 255, 256};
    uint32_t seed = 0;
    for (uint32_t k : counts) {
        TestRandom rng(1000 + ++seed);
        std::vector<uint32_t> pool;
        for (uint32_t i = 0; i < k; ++i) pool.push_back(rng.next());
        uint32_t width = 1 + rng.below(40), height = 1 + rng.below(30);
        ScopedRaster src;
        ASSERT_TRUE(
            raster_init(src.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, 32, nullptr, -1));
        std::set<uint32_t> used;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t c = pool[rng.below(k)];
                used.insert(c);
                raster_put_pixel(src.get(), x, y, c);
            }
        ScopedRaster indexed;
        ASSERT_TRUE(raster_init(indexed.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, 8,
                                nullptr, -1));
        ASSERT_TRUE(raster_convert(src.get(), indexed.get(), 0, 0)) << "k " << k;
        uint32_t i = 0;
        for (uint32_t c : used) ASSERT_EQ(indexed->palette[i++], c);
        for (; i < 256; ++i) ASSERT_EQ(indexed->palette[i], 0xFF000000u);

        std::vector<uint32_t> back((size_t)width * height);
        ASSERT_TRUE(raster_convert_into(indexed.get(), 4, 32, 0, back.data(), nullptr, 0, 0));
        ASSERT_EQ(memcmp(back.data(), src->pixels, back.size() * 4), 0) << "k " << k;
    }
}

TEST(RasterProperties, TwoHundredFiftySevenColoursNeverReduce) {
    TestRandom rng(77);
    ScopedRaster src;
    ASSERT_TRUE(raster_init(src.get(), 4, 257, 3, RASTER_OWNS_MEMORY, nullptr, 24, nullptr, -1));
    std::set<uint32_t> used;
    for (uint32_t x = 0; x < 257; ++x) {
        uint32_t c;
        do c = rng.next() | 0xFF000000u;
        while (!used.insert(c).second);
        raster_put_pixel(src.get(), x, rng.below(3), c);
    }
    ScopedRaster dst;
    ASSERT_TRUE(raster_init(dst.get(), 4, 257, 3, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 256));
    EXPECT_FALSE(raster_convert(src.get(), dst.get(), 0, 0));
}

TEST(RasterProperties, IndexedThroughEightBitsAndBack) {
    const uint32_t depths[] = {1, 2, 4};
    for (uint32_t depth : depths) {
        for (uint32_t seed = 1; seed <= 5; ++seed) {
            TestRandom rng(seed * 31 + depth);
            uint32_t width = 1 + rng.below(50), height = 1 + rng.below(6);
            ScopedRaster src;
            ASSERT_TRUE(raster_init(src.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, depth,
                                    nullptr, -1));
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x) raster_put_pixel(src.get(), x, y, rng.next());
            ScopedRaster wide;
            ASSERT_TRUE(raster_init(wide.get(), 1, width, height, RASTER_OWNS_MEMORY, nullptr, 8,
                                    nullptr, -1));
            ASSERT_TRUE(raster_convert(src.get(), wide.get(), 0, 0));
            ScopedRaster back;
            ASSERT_TRUE(raster_init(back.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr,
                                    depth, nullptr, -1));
            ASSERT_TRUE(raster_convert(wide.get(), back.get(), 0, 0));
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    ASSERT_EQ(raster_get_pixel(back.get(), x, y), raster_get_pixel(src.get(), x, y))
                        << "depth " << depth << " seed " << seed;
        }
    }
}

// Every 16-bit word survives word -> 32-bit colour -> word (code 12 rounds its
// non-zero alpha up by one step, up to 15).
TEST(RasterProperties, WordsThroughThirtyTwoBitsAndBack) {
    for (uint32_t code = 9; code <= 16; ++code) {
        TestRandom rng(500 + code);
        const uint32_t width = 64, height = 8;
        ScopedRaster src;
        ASSERT_TRUE(raster_init(src.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, code,
                                nullptr, -1));
        for (uint32_t i = 0; i < src->stride * height; ++i) src->pixels[i] = (uint8_t)rng.next();
        std::vector<uint32_t> colours(width * height);
        ASSERT_TRUE(raster_convert_into(src.get(), 4, 32, 0, colours.data(), nullptr, 0, 0));
        ScopedRaster wide;
        ASSERT_TRUE(raster_init(wide.get(), 4, width, height, RASTER_OWNS_MEMORY, colours.data(),
                                32, nullptr, -1));
        std::vector<uint8_t> words(src->stride * height);
        ASSERT_TRUE(raster_convert_into(wide.get(), 4, code, 0, words.data(), nullptr, 0, 0));
        for (uint32_t i = 0; i < width * height; ++i) {
            uint32_t w = (uint32_t)src->pixels[2 * i] | (uint32_t)src->pixels[2 * i + 1] << 8;
            if (code == 12 && (w >> 12) != 0 && (w >> 12) != 15) w += 0x1000;
            uint32_t seen = (uint32_t)words[2 * i] | (uint32_t)words[2 * i + 1] << 8;
            ASSERT_EQ(seen, w) << "code " << code << " pixel " << i;
        }
    }
}

TEST(RasterProperties, TwentyFourBitsThroughThirtyTwoAndBack) {
    TestRandom rng(24);
    const uint32_t width = 21, height = 5;
    ScopedRaster src;
    ASSERT_TRUE(
        raster_init(src.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, 24, nullptr, -1));
    for (uint32_t i = 0; i < src->stride * height; ++i) src->pixels[i] = (uint8_t)rng.next();
    std::vector<uint32_t> colours(width * height);
    ASSERT_TRUE(raster_convert_into(src.get(), 4, 32, 0, colours.data(), nullptr, 0, 0));
    for (uint32_t c : colours) ASSERT_EQ(c >> 24, 0xFFu);
    ScopedRaster wide;
    ASSERT_TRUE(raster_init(wide.get(), 4, width, height, RASTER_OWNS_MEMORY, colours.data(), 32,
                            nullptr, -1));
    std::vector<uint8_t> back(src->stride * height, 0);
    ASSERT_TRUE(raster_convert_into(wide.get(), 4, 24, 0, back.data(), nullptr, 0, 0));
    for (uint32_t y = 0; y < height; ++y)
        ASSERT_EQ(memcmp(&back[y * src->stride], src->pixels + y * src->stride, width * 3), 0);
}

// The composite path's use: a 1-bit sheet delivered at 8 bits with 4-byte rows.
TEST(RasterProperties, OneBitSheetToEightBitRows) {
    TestRandom rng(8);
    const uint32_t width = 13, height = 6;
    ScopedRaster sheet;
    ASSERT_TRUE(
        raster_init(sheet.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    for (uint32_t i = 0; i < sheet->stride * height; ++i) sheet->pixels[i] = (uint8_t)rng.next();
    std::vector<uint8_t> out(16 * height, 0xEE);
    ASSERT_TRUE(raster_convert_into(sheet.get(), 4, 8, 0, out.data(), nullptr, 0, 0));
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t *bits = sheet->pixels + y * sheet->stride;
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(out[y * 16 + x], (bits[x / 8] >> (7 - x % 8)) & 1) << x << "," << y;
        for (uint32_t x = width; x < 16; ++x) ASSERT_EQ(out[y * 16 + x], 0xEE);
    }
}

} // namespace
