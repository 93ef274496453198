// The raster record, initialisation, palettes and the pixel codecs.
#include "tests/raster/raster_test_util.h"

#include "tests/support/test_support.h"

#include <stddef.h>
#include <string.h>

namespace {

// ---- Record and tables ------------------------------------------------------------

TEST(RasterRecord, StorageBitsTable) {
    const uint8_t expected[33] = {1,  1,  2,  4,  4,  8,  8,  8,  8,  16, 16,
                                  16, 16, 16, 16, 16, 16, 24, 24, 24, 24, 24,
                                  24, 24, 24, 32, 32, 32, 32, 32, 32, 32, 32};
    for (int code = 0; code <= 32; ++code)
        EXPECT_EQ(RASTER_STORAGE_BITS[code], expected[code]) << "code " << code;
}

TEST(RasterRecord, DitherOffsetTable) {
    const int8_t expected[3][4] = {{-7, 3, 7, -3}, {-3, 1, 3, -1}, {-1, 1, 2, 0}};
    for (int set = 0; set < 3; ++set)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(RASTER_DITHER_OFFSETS[set][i], expected[set][i]);
}

TEST(RasterRecord, ByteSwap) {
    EXPECT_EQ(byte_swap32(0x11223344u), 0x44332211u);
    EXPECT_EQ(byte_swap32(0x80000001u), 0x01000080u);
    TestRandom rng(1);
    for (int i = 0; i < 1000; ++i) {
        uint32_t v = rng.next();
        EXPECT_EQ(byte_swap32(byte_swap32(v)), v);
    }
}

// ---- Initialisation ---------------------------------------------------------------

uint32_t stride_of(uint8_t alignment, uint32_t width, uint32_t depth) {
    Raster r = {};
    EXPECT_TRUE(raster_init(&r, alignment, width, 1, 0, nullptr, depth, nullptr, -1));
    return r.stride;
}

TEST(RasterInit, StrideWorkedValues) {
    EXPECT_EQ(stride_of(1, 10, 1), 2u);
    EXPECT_EQ(stride_of(4, 10, 1), 4u);
    EXPECT_EQ(stride_of(4, 3, 24), 12u);
    EXPECT_EQ(stride_of(4, 17, 1), 4u);
    EXPECT_EQ(stride_of(4, 0, 32), 0u);
    EXPECT_EQ(stride_of(128, 1, 1), 128u);
    EXPECT_EQ(stride_of(2, 3, 2), 2u);
    EXPECT_EQ(stride_of(1, 3, 4), 2u);
    EXPECT_EQ(stride_of(4, 5, 16), 12u);
}

// Worked by hand, not by the formula: 9 pixels on 4-byte rows give a
// different stride for every packing, so a code mapped to the wrong packing
// shows.
TEST(RasterInit, StrideEveryCodeAndAlignment) {
    const uint32_t nine_wide[33] = {4,  4,  4,  8,  8,  12, 12, 12, 12, 20, 20,
                                    20, 20, 20, 20, 20, 20, 28, 28, 28, 28, 28,
                                    28, 28, 28, 36, 36, 36, 36, 36, 36, 36, 36};
    for (uint32_t depth = 0; depth <= 32; ++depth)
        EXPECT_EQ(stride_of(4, 9, depth), nine_wide[depth]) << "depth " << depth;

    const struct {
        uint8_t alignment;
        uint32_t width, depth, stride;
    } cases[] = {
        {1, 9, 0, 2},        {8, 65, 1, 16},    {1, 5, 2, 2},    {2, 33, 4, 18},
        {1, 8, 1, 1},        {2, 8, 1, 2},      {16, 8, 1, 16},  {128, 129, 8, 256},
        {1, 1504, 8, 1504},  {4, 7, 5, 8},      {1, 3, 12, 6},   {8, 17, 16, 40},
        {4, 1, 17, 4},       {4, 100, 24, 300}, {16, 5, 24, 16}, {1, 33, 24, 99},
        {4, 1504, 24, 4512}, {64, 17, 32, 128}, {2, 0, 32, 0},   {32, 31, 2, 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(stride_of(c.alignment, c.width, c.depth), c.stride)
            << "depth " << c.depth << " alignment " << (int)c.alignment << " width " << c.width;
}

TEST(RasterInit, DefaultPaletteCounts) {
    const uint32_t expected[33] = {2, 2, 4, 16, 16, 256, 256, 256, 256, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0,  0,  0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0};
    for (uint32_t depth = 0; depth <= 32; ++depth) {
        ScopedRaster r;
        ASSERT_TRUE(raster_init(r.get(), 4, 3, 2, RASTER_OWNS_MEMORY, nullptr, depth, nullptr, -1));
        EXPECT_EQ(r->palette_count, expected[depth]) << "depth " << depth;
        EXPECT_EQ(r->palette == nullptr, expected[depth] == 0);
        EXPECT_EQ(r->depth, depth);
        EXPECT_EQ(r->storage_bits, RASTER_STORAGE_BITS[depth]);
    }
}

TEST(RasterInit, OwnedOneBitHasA256EntryPaletteOfOpaqueBlack) {
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    EXPECT_EQ(r->width, 10u);
    EXPECT_EQ(r->height, 3u);
    EXPECT_EQ(r->stride, 4u);
    EXPECT_EQ(r->row_alignment, 4);
    EXPECT_EQ(r->raster_flags, RASTER_OWNS_MEMORY);
    EXPECT_EQ(r->palette_count, 2u);
    ASSERT_NE(r->palette, nullptr);
    EXPECT_EQ(r->palette[0], 0xFF000000u);
    EXPECT_EQ(r->palette[1], 0xFF000000u);
    // Every index an 8-bit packing can hold lies inside the block (the
    // sanitizer build checks the bounds).
    r->palette[255] = 0x12345678u;
    EXPECT_EQ(r->palette[255], 0x12345678u);
    // No source pixels: zero bytes.
    for (uint8_t b : raster_bytes(r.r)) EXPECT_EQ(b, 0);
}

TEST(RasterInit, TwentyFourBitsHasNoPalette) {
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 4, 3, 2, RASTER_OWNS_MEMORY, nullptr, 24, nullptr, -1));
    EXPECT_EQ(r->palette_count, 0u);
    EXPECT_EQ(r->palette, nullptr);
    EXPECT_EQ(r->stride, 12u);
}

TEST(RasterInit, OwnedCopiesSourcePixelsAndPalette) {
    uint8_t source[2 * 4];
    for (int i = 0; i < 8; ++i) source[i] = (uint8_t)(0x10 + i);
    uint32_t palette[20];
    for (int i = 0; i < 20; ++i) palette[i] = 0x01000000u * i + 0x10203u;
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 4, 7, 2, RASTER_OWNS_MEMORY, source, 4, palette, 5));
    ASSERT_NE(r->pixels, source);
    EXPECT_EQ(memcmp(r->pixels, source, 8), 0);
    EXPECT_EQ(r->palette_count, 5u);
    ASSERT_NE(r->palette, palette);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r->palette[i], palette[i]);
    r->palette[255] = 0; // a block of 256 entries even for a count of 5
}

TEST(RasterInit, LargePaletteCountGetsItsOwnSize) {
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 1, 1, 1, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 300));
    EXPECT_EQ(r->palette_count, 300u);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(r->palette[i], 0xFF000000u);
}

TEST(RasterInit, CallerMemoryIsDescribedNotTouched) {
    uint8_t memory[3 * 8];
    memset(memory, 0xAB, sizeof memory);
    uint32_t palette[2] = {0x11111111u, 0x22222222u};
    Raster r;
    memset(&r, 0, sizeof r);
    r.raster_flags = 0xF0; // flags of a never-initialised record may hold anything
    ASSERT_TRUE(raster_init(&r, 8, 5, 3, 0, memory, 8, palette, 2));
    EXPECT_EQ(r.pixels, memory);
    EXPECT_EQ(r.palette, palette);
    EXPECT_EQ(r.palette_count, 2u);
    EXPECT_EQ(r.stride, 8u);
    EXPECT_EQ(r.raster_flags, 0);
    for (uint8_t b : memory) EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(palette[0], 0x11111111u);
    raster_release(&r); // owns nothing: the caller's pointers stay
    EXPECT_EQ(r.pixels, memory);
    EXPECT_EQ(r.palette, palette);
}

TEST(RasterInit, ReleaseIsSafeToRepeat) {
    Raster r = {};
    ASSERT_TRUE(raster_init(&r, 4, 9, 9, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, -1));
    raster_release(&r);
    EXPECT_EQ(r.pixels, nullptr);
    EXPECT_EQ(r.palette, nullptr);
    EXPECT_EQ(r.raster_flags & RASTER_OWNS_MEMORY, 0);
    raster_release(&r);
    EXPECT_EQ(raster_get_pixel(&r, 0, 0), 0u); // no memory: reads nothing
    raster_put_pixel(&r, 0, 0, 1);
}

// ---- Refused geometry -----------------------------------------------------------------

bool all_zero(const Raster &r) {
    Raster zero;
    memset(&zero, 0, sizeof zero);
    return memcmp(&r, &zero, sizeof r) == 0;
}

TEST(RasterInit, RefusesAlignmentsThatAreNotPowersOfTwo) {
    uint8_t memory[64];
    for (unsigned alignment = 0; alignment <= 255; ++alignment) {
        bool power = alignment != 0 && (alignment & (alignment - 1)) == 0;
        ScopedRaster r;
        bool ok = raster_init(r.get(), (uint8_t)alignment, 3, 2, RASTER_OWNS_MEMORY, nullptr, 8,
                              nullptr, -1);
        EXPECT_EQ(ok, power) << "alignment " << alignment;
        EXPECT_TRUE(power || all_zero(r.r)) << "alignment " << alignment;
        Raster c = {};
        EXPECT_EQ(raster_init(&c, (uint8_t)alignment, 3, 2, 0, memory, 8, nullptr, -1), power);
        EXPECT_TRUE(power || all_zero(c));
    }
}

TEST(RasterInit, RefusesDepthCodesAbove32) {
    const uint32_t codes[] = {33, 34, 48, 64, 255, 256 + 8, 0xFFFFFFFFu};
    for (uint32_t depth : codes) {
        ScopedRaster r;
        EXPECT_FALSE(
            raster_init(r.get(), 4, 3, 2, RASTER_OWNS_MEMORY, nullptr, depth, nullptr, -1));
        EXPECT_TRUE(all_zero(r.r)) << "depth " << depth;
    }
}

TEST(RasterInit, RefusalReleasesWhatTheRecordOwned) {
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 4, 3, 2, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    EXPECT_FALSE(raster_init(r.get(), 3, 3, 2, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    EXPECT_TRUE(all_zero(r.r)); // the sanitizer build reports a leak otherwise
}

TEST(RasterInit, RefusesAStrideBeyond32Bits) {
    Raster r = {};
    // 0xFFFFFFFF bytes is the largest stride; one more is refused.
    ASSERT_TRUE(raster_init(&r, 1, 0xFFFFFFFFu, 0, 0, nullptr, 8, nullptr, 0));
    EXPECT_EQ(r.stride, 0xFFFFFFFFu);
    EXPECT_FALSE(raster_init(&r, 2, 0xFFFFFFFFu, 0, 0, nullptr, 8, nullptr, 0));
    EXPECT_TRUE(all_zero(r));
    EXPECT_FALSE(raster_init(&r, 1, 0xFFFFFFFFu, 1, 0, nullptr, 32, nullptr, 0));
    EXPECT_TRUE(all_zero(r));
    ASSERT_TRUE(raster_init(&r, 4, 0xFFFFFFFFu, 1, 0, nullptr, 1, nullptr, 0));
    EXPECT_EQ(r.stride, 0x20000000u);
}

TEST(RasterInit, ImpossiblePixelBlockIsRefusedWithNullPointers) {
    ScopedRaster r;
    EXPECT_FALSE(raster_init(r.get(), 4, 0x3FFFFFFFu, 0xFFFFFFFFu, RASTER_OWNS_MEMORY, nullptr, 32,
                             nullptr, -1));
    EXPECT_EQ(r->pixels, nullptr);
    EXPECT_EQ(r->palette, nullptr);
    // Caller memory of that size can only be described where the address
    // space holds it.
    Raster c = {};
    EXPECT_EQ(raster_init(&c, 4, 0x3FFFFFFFu, 0xFFFFFFFFu, 0, nullptr, 32, nullptr, -1),
              sizeof(size_t) >= 8);
}

TEST(RasterInit, PixelBlockSizeIsComputedIn64Bits) {
#ifdef _WIN64
    GTEST_SKIP() << "the 64-bit heap may grant a block of several GiB";
#endif
#ifndef _WIN32
    heap_test_reset();
    heap_test_fail_above(1 << 20); // natively the allocator would grant 16 GiB
#endif
    // 0x40000 * 0x10001 bytes = 0x400040000, which 32 bits would wrap to 0x40000.
    ScopedRaster r;
    EXPECT_FALSE(
        raster_init(r.get(), 4, 0x10000, 0x10001, RASTER_OWNS_MEMORY, nullptr, 32, nullptr, -1));
    EXPECT_EQ(r->pixels, nullptr);
    EXPECT_EQ(r->stride, 0x40000u);
#ifndef _WIN32
    EXPECT_EQ(heap_test_allocations(), 0u);
    EXPECT_EQ(heap_test_failures(), 1u);
    heap_test_reset();
#endif
}

TEST(RasterInit, PaletteBlockSizeIsComputedIn64Bits) {
#ifdef _WIN64
    GTEST_SKIP() << "the 64-bit heap may grant a block of several GiB";
#endif
#ifndef _WIN32
    heap_test_reset();
    heap_test_fail_above(1 << 20);
#endif
    // 0x40000001 entries are 0x100000004 bytes, which 32 bits would wrap to 4.
    ScopedRaster r;
    EXPECT_FALSE(
        raster_init(r.get(), 1, 1, 1, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, 0x40000001));
    EXPECT_EQ(r->pixels, nullptr);
    EXPECT_EQ(r->palette, nullptr);
#ifndef _WIN32
    EXPECT_EQ(heap_test_allocations(), 1u);
    EXPECT_EQ(heap_test_releases(), 1u);
    EXPECT_EQ(heap_test_failures(), 1u);
    heap_test_reset();
#endif
}

#ifndef _WIN32
TEST(RasterInit, PixelBlockAllocationFailure) {
    heap_test_reset();
    heap_test_fail_nth(1);
    Raster r = {};
    EXPECT_FALSE(raster_init(&r, 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    EXPECT_EQ(r.pixels, nullptr);
    EXPECT_EQ(r.palette, nullptr);
    EXPECT_EQ(r.width, 10u); // the geometry is set
    EXPECT_EQ(r.height, 3u);
    EXPECT_EQ(r.stride, 4u);
    EXPECT_EQ(heap_test_allocations(), 0u);
    raster_release(&r);
    EXPECT_EQ(heap_test_releases(), 0u);
    heap_test_reset();
}

TEST(RasterInit, PaletteBlockAllocationFailureFreesThePixelBlock) {
    heap_test_reset();
    heap_test_fail_nth(2);
    Raster r = {};
    EXPECT_FALSE(raster_init(&r, 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    EXPECT_EQ(r.pixels, nullptr);
    EXPECT_EQ(r.palette, nullptr);
    EXPECT_EQ(heap_test_allocations(), 1u);
    EXPECT_EQ(heap_test_releases(), 1u);
    // The record can be initialised again afterwards.
    ASSERT_TRUE(raster_init(&r, 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1));
    raster_release(&r);
    EXPECT_EQ(heap_test_allocations(), 3u);
    EXPECT_EQ(heap_test_releases(), 3u);
    heap_test_reset();
}

TEST(RasterInit, EveryBlockIsReleasedOnceAcrossReinitialisation) {
    heap_test_reset();
    Raster r = {};
    ASSERT_TRUE(raster_init(&r, 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 8, nullptr, -1));
    ASSERT_TRUE(raster_init(&r, 4, 10, 3, RASTER_OWNS_MEMORY, nullptr, 24, nullptr, -1));
    EXPECT_EQ(heap_test_allocations(), 3u);
    EXPECT_EQ(heap_test_releases(), 2u);
    uint8_t memory[40];
    ASSERT_TRUE(raster_init(&r, 4, 10, 3, 0, memory, 8, nullptr, -1));
    EXPECT_EQ(heap_test_releases(), 3u);
    raster_release(&r);
    raster_release(&r);
    EXPECT_EQ(heap_test_releases(), 3u);
    heap_test_reset();
}

TEST(RasterInit, OwnershipComesFromTheOwnsBitAlone) {
    heap_test_reset();
    uint8_t memory[8] = {};
    Raster r = {};
    // Further bits are set after initialisation; given here they are stored
    // but do not make the record allocate.
    ASSERT_TRUE(raster_init(&r, 4, 3, 2, RASTER_DITHER, memory, 1, nullptr, -1));
    EXPECT_EQ(r.pixels, memory);
    EXPECT_EQ(heap_test_allocations(), 0u);
    ASSERT_TRUE(
        raster_init(&r, 4, 3, 2, RASTER_OWNS_MEMORY | RASTER_DITHER, nullptr, 1, nullptr, -1));
    EXPECT_EQ(heap_test_allocations(), 2u);
    raster_release(&r);
    EXPECT_EQ(heap_test_releases(), 2u);
    heap_test_reset();
}
#endif

// ---- Palette ---------------------------------------------------------------------------

TEST(RasterPalette, CountsAndFill) {
    uint32_t source[20];
    for (int i = 0; i < 20; ++i) source[i] = 0x00010101u * (i + 1);
    ScopedRaster r;
    ASSERT_TRUE(raster_init(r.get(), 4, 2, 2, RASTER_OWNS_MEMORY, nullptr, 4, nullptr, -1));
    ASSERT_EQ(r->palette_count, 16u);

    raster_set_palette(r.get(), source, 0); // 0: all palette_count entries
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r->palette[i], source[i]);

    raster_set_palette(r.get(), nullptr, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r->palette[i], 0xFF000000u);

    raster_set_palette(r.get(), source, 20); // more than palette_count
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r->palette[i], source[i]);

    raster_set_palette(r.get(), source + 4, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r->palette[i], source[4 + i]);
    for (int i = 3; i < 16; ++i) EXPECT_EQ(r->palette[i], 0xFF000000u) << i;
}

TEST(RasterPalette, OnlyCallerEntriesAreWritten) {
    std::vector<uint32_t> palette(3, 0x12345678u); // exactly palette_count entries
    uint8_t pixels[4];
    Raster r = {};
    ASSERT_TRUE(raster_init(&r, 4, 2, 1, 0, pixels, 8, palette.data(), 3));
    uint32_t source[1] = {0xAABBCCDDu};
    raster_set_palette(&r, source, 1);
    EXPECT_EQ(palette[0], 0xAABBCCDDu);
    EXPECT_EQ(palette[1], 0xFF000000u);
    EXPECT_EQ(palette[2], 0xFF000000u);
}

TEST(RasterPalette, WithoutPaletteNothingHappens) {
    uint32_t source[2] = {1, 2};
    uint8_t pixels[4];
    Raster r = {};
    ASSERT_TRUE(raster_init(&r, 4, 2, 1, 0, pixels, 8, nullptr, 2)); // count but no memory
    raster_set_palette(&r, source, 2);
    EXPECT_EQ(r.palette, nullptr);
    uint32_t palette[2] = {7, 7};
    ASSERT_TRUE(raster_init(&r, 4, 2, 1, 0, pixels, 8, palette, 0)); // memory but count 0
    raster_set_palette(&r, source, 2);
    EXPECT_EQ(palette[0], 7u);
    EXPECT_EQ(palette[1], 7u);
}

// ---- Pixel addressing ------------------------------------------------------------------

TEST(RasterPixels, OutsideReadsZeroAndWritesNothing) {
    for (uint32_t depth = 0; depth <= 32; ++depth) {
        uint8_t memory[3 * 32];
        memset(memory, 0xA5, sizeof memory);
        Raster r = {};
        ASSERT_TRUE(raster_init(&r, 32, 5, 3, 0, memory, depth, nullptr, -1));
        r.raster_flags = RASTER_DITHER | RASTER_WRITE_SWAPPED;
        const uint32_t places[][2] = {{5, 0},           {0, 3},           {5, 3},
                                      {0xFFFFFFFFu, 0}, {0, 0xFFFFFFFFu}, {0x80000000u, 1}};
        for (auto &p : places) {
            EXPECT_EQ(raster_get_pixel(&r, p[0], p[1]), 0u) << "depth " << depth;
            raster_put_pixel(&r, p[0], p[1], 0x5A5A5A5Au);
        }
        for (uint8_t b : memory) ASSERT_EQ(b, 0xA5) << "depth " << depth;
    }
}

// Writing a whole row in ascending x changes no byte after its last pixel and,
// for 1 and 2 bits, no bit after it in the last byte.
TEST(RasterPixels, RowWritesStopAtTheLastPixel) {
    TestRandom rng(7);
    for (uint32_t depth = 0; depth <= 32; ++depth) {
        for (uint32_t width = 1; width <= 9; ++width) {
            uint8_t memory[2 * 64];
            memset(memory, 0xC3, sizeof memory);
            Raster r = {};
            ASSERT_TRUE(raster_init(&r, 64, width, 2, 0, memory, depth, nullptr, -1));
            for (uint32_t x = 0; x < width; ++x) raster_put_pixel(&r, x, 0, rng.next());
            uint32_t bits = width * r.storage_bits;
            for (uint32_t bit = bits; bit < 64 * 8; ++bit) {
                bool expected = (0xC3 >> (7 - bit % 8)) & 1;
                bool seen = (memory[bit / 8] >> (7 - bit % 8)) & 1;
                if (r.storage_bits == 4 && width % 2 == 1 && bit < bits + 4)
                    expected = false; // the odd nibble of a byte the even pixel wrote whole
                ASSERT_EQ(seen, expected) << "depth " << depth << " width " << width;
            }
            for (int i = 64; i < 128; ++i) ASSERT_EQ(memory[i], 0xC3); // row 1 untouched
        }
    }
}

// ---- Indexed packings ---------------------------------------------------------------------

struct Bytes {
    uint8_t memory[16];
    Raster r;
    Bytes(uint32_t depth, uint8_t flags, uint8_t fill = 0) {
        memset(memory, fill, sizeof memory);
        memset(&r, 0, sizeof r);
        EXPECT_TRUE(raster_init(&r, 16, 16, 1, 0, memory, depth, nullptr, -1));
        r.raster_flags = flags;
    }
};

TEST(RasterIndexed, OneBitOrder) {
    Bytes a(1, 0);
    raster_put_pixel(&a.r, 0, 0, 1);
    EXPECT_EQ(a.memory[0], 0x80);
    raster_put_pixel(&a.r, 7, 0, 2); // any non-zero value stores 1
    EXPECT_EQ(a.memory[0], 0x81);
    raster_put_pixel(&a.r, 9, 0, 0x80000000u);
    EXPECT_EQ(a.memory[1], 0x40);
    raster_put_pixel(&a.r, 0, 0, 0); // clears only its bit
    EXPECT_EQ(a.memory[0], 0x01);
    EXPECT_EQ(raster_get_pixel(&a.r, 7, 0), 1u);
    EXPECT_EQ(raster_get_pixel(&a.r, 0, 0), 0u);
    EXPECT_EQ(raster_get_pixel(&a.r, 9, 0), 1u);

    Bytes s(1, RASTER_WRITE_SWAPPED);
    raster_put_pixel(&s.r, 0, 0, 1);
    EXPECT_EQ(s.memory[0], 0x01);
    raster_put_pixel(&s.r, 10, 0, 5);
    EXPECT_EQ(s.memory[1], 0x04);
    EXPECT_EQ(raster_get_pixel(&s.r, 0, 0), 0u); // read order unswapped: bit 7
    EXPECT_EQ(raster_get_pixel(&s.r, 7, 0), 1u);
    s.r.raster_flags = RASTER_READ_SWAPPED;
    EXPECT_EQ(raster_get_pixel(&s.r, 0, 0), 1u);
    EXPECT_EQ(raster_get_pixel(&s.r, 10, 0), 1u);

    Bytes z(0, 0); // code 0 behaves like code 1
    raster_put_pixel(&z.r, 1, 0, 3);
    EXPECT_EQ(z.memory[0], 0x40);
}

TEST(RasterIndexed, TwoBitOrder) {
    Bytes a(2, 0, 0xFF);
    raster_put_pixel(&a.r, 0, 0, 0x6); // low 2 bits
    EXPECT_EQ(a.memory[0], 0xBF);
    raster_put_pixel(&a.r, 3, 0, 0);
    EXPECT_EQ(a.memory[0], 0xBC);
    raster_put_pixel(&a.r, 5, 0, 1);
    EXPECT_EQ(a.memory[1], 0xDF);
    EXPECT_EQ(raster_get_pixel(&a.r, 0, 0), 2u);
    EXPECT_EQ(raster_get_pixel(&a.r, 1, 0), 3u);
    EXPECT_EQ(raster_get_pixel(&a.r, 3, 0), 0u);
    EXPECT_EQ(raster_get_pixel(&a.r, 5, 0), 1u);

    Bytes s(2, RASTER_WRITE_SWAPPED | RASTER_READ_SWAPPED);
    raster_put_pixel(&s.r, 0, 0, 1);
    raster_put_pixel(&s.r, 3, 0, 2);
    EXPECT_EQ(s.memory[0], 0x81);
    EXPECT_EQ(raster_get_pixel(&s.r, 0, 0), 1u);
    EXPECT_EQ(raster_get_pixel(&s.r, 3, 0), 2u);
}

TEST(RasterIndexed, FourBitWriterWritesEvenWholeAndOrsOdd) {
    Bytes a(4, 0, 0xFF);
    raster_put_pixel(&a.r, 0, 0, 0x5);
    EXPECT_EQ(a.memory[0], 0x50); // the even pixel clears the other nibble
    raster_put_pixel(&a.r, 1, 0, 0xA);
    EXPECT_EQ(a.memory[0], 0x5A);
    a.memory[1] = 0x51;
    raster_put_pixel(&a.r, 3, 0, 0xA); // ORed, not replaced
    EXPECT_EQ(a.memory[1], 0x5B);
    raster_put_pixel(&a.r, 4, 0, 0x13); // low 4 bits
    EXPECT_EQ(a.memory[2], 0x30);
    EXPECT_EQ(raster_get_pixel(&a.r, 0, 0), 5u);
    EXPECT_EQ(raster_get_pixel(&a.r, 1, 0), 0xAu);
    EXPECT_EQ(raster_get_pixel(&a.r, 3, 0), 0xBu);

    Bytes s(4, RASTER_WRITE_SWAPPED, 0xFF);
    raster_put_pixel(&s.r, 0, 0, 0x5);
    EXPECT_EQ(s.memory[0], 0x05);
    raster_put_pixel(&s.r, 1, 0, 0xA);
    EXPECT_EQ(s.memory[0], 0xA5);
    EXPECT_EQ(raster_get_pixel(&s.r, 0, 0), 0xAu);
    s.r.raster_flags = RASTER_READ_SWAPPED;
    EXPECT_EQ(raster_get_pixel(&s.r, 0, 0), 0x5u);

    Bytes c(3, 0); // code 3 is the 4-bit packing
    raster_put_pixel(&c.r, 0, 0, 0xC);
    EXPECT_EQ(c.memory[0], 0xC0);
}

TEST(RasterIndexed, EightBitsIgnoreOrderFlags) {
    for (uint32_t depth = 5; depth <= 8; ++depth) {
        Bytes a(depth, RASTER_WRITE_SWAPPED | RASTER_READ_SWAPPED | RASTER_DITHER);
        raster_put_pixel(&a.r, 2, 0, 0x1234u);
        EXPECT_EQ(a.memory[2], 0x34);
        EXPECT_EQ(raster_get_pixel(&a.r, 2, 0), 0x34u);
    }
}

// Reference packing, written independently: bit i of a row, counted from the
// most significant bit of byte 0. With the order clear the row is a plain
// stream of pixels, most significant bit first; with it swapped, pixel k of a
// byte occupies bits k*bits.. counted from the least significant bit.
uint8_t reference_bit(const std::vector<uint32_t> &values, uint32_t bits, bool swapped,
                      uint32_t i) {
    uint32_t x, bit_of_value;
    if (!swapped) {
        x = i / bits;
        bit_of_value = bits - 1 - i % bits;
    } else {
        uint32_t b = 7 - i % 8; // bit number within the byte, 0 = least significant
        x = i / 8 * (8 / bits) + b / bits;
        bit_of_value = b % bits;
    }
    uint32_t v = bits == 1 ? values[x] != 0 : values[x];
    return (uint8_t)((v >> bit_of_value) & 1);
}

TEST(RasterIndexed, RandomRowsMatchAReferencePackingAndReadBack) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TestRandom rng(seed);
        const uint32_t depths[] = {0, 1, 2, 3, 4, 5, 8};
        uint32_t depth = depths[seed % 7];
        bool swapped = (seed / 7) % 2 == 1;
        uint32_t width = 8 * (1 + rng.below(5)); // whole bytes: every bit is a pixel's
        uint32_t height = 1 + rng.below(4);
        ScopedRaster r;
        ASSERT_TRUE(raster_init(r.get(), 4, width, height, RASTER_OWNS_MEMORY, nullptr, depth,
                                nullptr, -1));
        r->raster_flags |= swapped ? RASTER_READ_SWAPPED | RASTER_WRITE_SWAPPED : 0;
        uint32_t bits = r->storage_bits;
        std::vector<std::vector<uint32_t>> rows(height);
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t v = rng.next();
                if (rng.below(4) == 0) v &= 0xF; // small and zero values too
                if (rng.below(8) == 0) v = 0;
                rows[y].push_back(v);
                raster_put_pixel(r.get(), x, y, v);
            }
        }
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t *row = r->pixels + y * r->stride;
            for (uint32_t bit = 0; bit < width * bits; ++bit) {
                uint8_t seen = (row[bit / 8] >> (7 - bit % 8)) & 1;
                ASSERT_EQ(seen, reference_bit(rows[y], bits, swapped, bit))
                    << "seed " << seed << " row " << y << " bit " << bit;
            }
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t v = rows[y][x];
                uint32_t expected = bits == 1 ? (v != 0) : v & ((1u << bits) - 1);
                ASSERT_EQ(raster_get_pixel(r.get(), x, y), expected) << "seed " << seed;
            }
        }
    }
}

// ---- 16-bit colour words ---------------------------------------------------------------

// Independent description of the five word layouts: channel (0 alpha, 1 red,
// 2 green, 3 blue), lowest bit, width.
struct Field {
    int channel, shift, width;
};
struct Layout {
    uint32_t code;
    Field fields[4];
    int count;
};
const Layout LAYOUTS[] = {
    {12, {{0, 12, 4}, {1, 8, 4}, {2, 4, 4}, {3, 0, 4}}, 4},
    {13, {{2, 10, 6}, {1, 5, 5}, {3, 0, 5}}, 3},
    {14, {{3, 11, 5}, {1, 6, 5}, {2, 0, 6}}, 3},
    {15, {{0, 15, 1}, {1, 10, 5}, {2, 5, 5}, {3, 0, 5}}, 4},
    {16, {{1, 11, 5}, {2, 5, 6}, {3, 0, 5}}, 3},
};
const Layout &layout_of(uint32_t code) {
    return code == 12 || code == 13 || code == 14 || code == 15 ? LAYOUTS[code - 12] : LAYOUTS[4];
}

uint32_t reference_decode(uint32_t code, uint32_t word) {
    uint32_t channel[4] = {0xFF, 0, 0, 0};
    const Layout &l = layout_of(code);
    for (int i = 0; i < l.count; ++i) {
        const Field &f = l.fields[i];
        uint32_t v = (word >> f.shift) & ((1u << f.width) - 1);
        // Bit replication to 8 bits.
        uint32_t wide = 0;
        for (int filled = 0; filled < 8; filled += f.width) wide = (wide << f.width) | v;
        channel[f.channel] = (wide >> ((8 + f.width - 1) / f.width * f.width - 8)) & 0xFF;
    }
    return channel[0] << 24 | channel[1] << 16 | channel[2] << 8 | channel[3];
}

uint32_t reference_encode(uint32_t code, uint32_t colour, bool dither, uint32_t x, uint32_t y) {
    int channel[4] = {(int)(colour >> 24), (int)(colour >> 16 & 0xFF), (int)(colour >> 8 & 0xFF),
                      (int)(colour & 0xFF)};
    const int offsets[3][4] = {{-7, 3, 7, -3}, {-3, 1, 3, -1}, {-1, 1, 2, 0}};
    const Layout &l = layout_of(code);
    uint32_t word = 0;
    for (int i = 0; i < l.count; ++i) {
        const Field &f = l.fields[i];
        int v = channel[f.channel];
        uint32_t stored;
        if (f.channel == 0) {
            stored = f.width == 1 ? (v != 0) : (uint32_t)(v + 15) / 16;
            if (stored > 15) stored = 15;
        } else {
            if (dither) { // by field width: 4 bits set 1, 5 bits set 2, 6 bits set 3
                v += offsets[f.width - 4][(x & 1) + 2 * (y & 1)];
                v = v < 0 ? 0 : v > 255 ? 255 : v;
            }
            stored = (uint32_t)v >> (8 - f.width);
        }
        word |= stored << f.shift;
    }
    return word;
}

struct Words {
    uint8_t memory[2 * 4 * 2];
    Raster r;
    Words(uint32_t depth, uint8_t flags) {
        memset(memory, 0, sizeof memory);
        memset(&r, 0, sizeof r);
        EXPECT_TRUE(raster_init(&r, 1, 4, 2, 0, memory, depth, nullptr, -1));
        r.raster_flags = flags;
    }
    uint32_t put(uint32_t x, uint32_t y, uint32_t colour) {
        raster_put_pixel(&r, x, y, colour);
        const uint8_t *p = memory + y * r.stride + 2 * x;
        return (uint32_t)p[0] | (uint32_t)p[1] << 8;
    }
    uint32_t get(uint32_t x, uint32_t y) { return raster_get_pixel(&r, x, y); }
};

TEST(RasterWords, Code12WorkedValues) {
    Words w(12, 0);
    EXPECT_EQ(w.put(0, 0, 0x11FFFFFFu), 0x2FFFu);
    EXPECT_EQ(w.get(0, 0), 0x22FFFFFFu);
    EXPECT_EQ(w.put(0, 0, 0x01000000u), 0x1000u);
    for (uint32_t a = 0xF1; a <= 0xFF; ++a) EXPECT_EQ(w.put(1, 0, a << 24) >> 12, 15u);
    EXPECT_EQ(w.put(0, 0, 0x00FFFFFFu), 0x0FFFu);
    EXPECT_EQ(w.put(0, 0, 0xF0123456u), 0xF135u);
    EXPECT_EQ(w.get(0, 0), 0xFF113355u);
}

TEST(RasterWords, Code12AlphaEveryValue) {
    Words w(12, 0);
    for (uint32_t a = 0; a <= 255; ++a) {
        uint32_t expected = (a + 15) / 16 > 15 ? 15 : (a + 15) / 16;
        EXPECT_EQ(w.put(0, 0, a << 24) >> 12, expected) << a;
        EXPECT_EQ(w.get(0, 0) >> 24, expected * 0x11) << a;
        EXPECT_TRUE(a == 0 || expected != 0);
    }
}

TEST(RasterWords, Code15WorkedValuesAndAlphaBit) {
    Words w(15, 0);
    EXPECT_EQ(w.put(0, 0, 0x80FF8040u), 0xFE08u);
    EXPECT_EQ(w.get(0, 0), 0xFFFF8442u);
    EXPECT_EQ(w.put(0, 0, 0x00FF8040u), 0x7E08u);
    EXPECT_EQ(w.get(0, 0), 0x00FF8442u);
    for (uint32_t a = 1; a <= 255; ++a) EXPECT_EQ(w.put(1, 0, a << 24), 0x8000u) << a;
}

TEST(RasterWords, Code16WorkedValues) {
    Words w(16, 0);
    EXPECT_EQ(w.put(0, 0, 0xFFFFFFFFu), 0xFFFFu);
    EXPECT_EQ(w.get(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(w.put(0, 0, 0xFF808080u), 0x8410u);
    EXPECT_EQ(w.memory[0], 0x10); // low byte first
    EXPECT_EQ(w.memory[1], 0x84);
    EXPECT_EQ(w.get(0, 0), 0xFF848284u);
}

TEST(RasterWords, Codes13And14WorkedValues) {
    Words a(13, 0);
    EXPECT_EQ(a.put(0, 0, 0xFF804020u), 0x4204u);
    EXPECT_EQ(a.get(0, 0), 0xFF844121u);
    Words b(14, 0);
    EXPECT_EQ(b.put(0, 0, 0xFF804020u), 0x2410u);
    EXPECT_EQ(b.get(0, 0), 0xFF844121u);
}

TEST(RasterWords, CodesWithoutAlphaStoreNoneAndReadOpaque) {
    const uint32_t codes[] = {9, 10, 11, 13, 14, 16};
    for (uint32_t code : codes) {
        Words w(code, 0);
        uint32_t word = w.put(0, 0, 0x00804020u);
        EXPECT_EQ(w.put(1, 0, 0xFF804020u), word) << code;
        EXPECT_EQ(w.put(1, 0, 0x7F804020u), word) << code;
        EXPECT_EQ(w.get(0, 0) >> 24, 0xFFu) << code;
    }
}

TEST(RasterWords, CodesNineToElevenAreTheRgb565Packing) {
    for (uint32_t code = 9; code <= 11; ++code) {
        Words w(code, 0);
        EXPECT_EQ(w.put(0, 0, 0xFF808080u), 0x8410u);
        EXPECT_EQ(w.get(0, 0), 0xFF848284u);
    }
}

TEST(RasterWords, DitheredWorkedValues) {
    Words w(16, RASTER_DITHER);
    EXPECT_EQ(w.put(0, 0, 0xFF808080u), 0x7BEFu);
    EXPECT_EQ(w.put(1, 0, 0xFF808080u), 0x8410u);
    EXPECT_EQ(w.put(0, 1, 0xFF808080u), 0x8410u);
    EXPECT_EQ(w.put(1, 1, 0xFF808080u), 0x7C0Fu);
    EXPECT_EQ(w.put(2, 0, 0xFF808080u), 0x7BEFu); // the pixel's own position, modulo 2
    EXPECT_EQ(w.put(3, 1, 0xFF808080u), 0x7C0Fu);
    Words a(15, RASTER_DITHER);
    EXPECT_EQ(a.put(0, 0, 0xFF808080u), 0xBDEFu);
    EXPECT_EQ(a.put(1, 0, 0xFF808080u), 0xC210u);
    Words b(12, RASTER_DITHER);
    EXPECT_EQ(b.put(0, 0, 0xFF808080u), 0xF777u);
    EXPECT_EQ(b.put(1, 0, 0xFF808080u), 0xF888u);
    EXPECT_EQ(b.put(0, 0, 0x10808080u), 0x1777u); // alpha is never dithered
    Words c(13, RASTER_DITHER);
    EXPECT_EQ(c.put(0, 0, 0xFF808080u), 0x7DEFu);
    Words d(14, RASTER_DITHER);
    EXPECT_EQ(d.put(0, 0, 0xFF808080u), 0x7BDFu);
}

TEST(RasterWords, DitherOffsetsClampInsteadOfWrapping) {
    Words w(16, RASTER_DITHER);
    EXPECT_EQ(w.put(0, 0, 0xFF020202u), 0x0000u);
    EXPECT_EQ(w.put(0, 1, 0xFFFEFEFEu), 0xFFFFu);
    Words b(12, RASTER_DITHER);
    EXPECT_EQ(b.put(0, 0, 0x00060606u), 0x0000u);
    EXPECT_EQ(b.put(0, 1, 0xFFFAFAFAu), 0xFFFFu);
}

TEST(RasterWords, ByteOrderFlags) {
    Words w(16, RASTER_WRITE_SWAPPED);
    raster_put_pixel(&w.r, 0, 0, 0xFF808080u);
    EXPECT_EQ(w.memory[0], 0x84); // high byte first
    EXPECT_EQ(w.memory[1], 0x10);
    EXPECT_EQ(w.get(0, 0), 0xFF101021u); // read as 0x1084 without the read flag
    w.r.raster_flags = RASTER_READ_SWAPPED;
    EXPECT_EQ(w.get(0, 0), 0xFF848284u);
}

TEST(RasterWords, EveryWordDecodesLikeTheReference) {
    for (uint32_t code = 9; code <= 16; ++code) {
        for (int swapped = 0; swapped < 2; ++swapped) {
            Words w(code, swapped ? RASTER_READ_SWAPPED : 0);
            for (uint32_t word = 0; word <= 0xFFFF; ++word) {
                w.memory[0] = (uint8_t)(swapped ? word >> 8 : word);
                w.memory[1] = (uint8_t)(swapped ? word : word >> 8);
                ASSERT_EQ(w.get(0, 0), reference_decode(code, word))
                    << "code " << code << " word " << word;
            }
        }
    }
}

TEST(RasterWords, RandomColoursEncodeLikeTheReference) {
    TestRandom rng(12);
    for (uint32_t code = 9; code <= 16; ++code) {
        for (int dither = 0; dither < 2; ++dither) {
            Words w(code, dither ? RASTER_DITHER : 0);
            for (int i = 0; i < 4000; ++i) {
                uint32_t colour = rng.next();
                if (i < 16) colour = i & 1 ? 0xFFFFFFFFu - i : (uint32_t)i; // the clamps
                uint32_t x = rng.below(4), y = rng.below(2);
                ASSERT_EQ(w.put(x, y, colour), reference_encode(code, colour, dither, x, y))
                    << "code " << code << " colour " << colour << " at " << x << "," << y;
            }
        }
    }
}

// Word -> colour -> word returns the word for every packing (widening and
// cutting are inverses), except the 4-bit alpha of code 12, which rounds up.
TEST(RasterWords, RoundTripEveryWord) {
    for (uint32_t code = 9; code <= 16; ++code) {
        for (int swapped = 0; swapped < 2; ++swapped) {
            uint8_t flags = swapped ? RASTER_READ_SWAPPED | RASTER_WRITE_SWAPPED : 0;
            Words w(code, flags);
            for (uint32_t word = 0; word <= 0xFFFF; ++word) {
                w.memory[0] = (uint8_t)(swapped ? word >> 8 : word);
                w.memory[1] = (uint8_t)(swapped ? word : word >> 8);
                raster_put_pixel(&w.r, 1, 0, raster_get_pixel(&w.r, 0, 0));
                uint32_t expected = word;
                if (code == 12 && (word >> 12) != 0) {
                    uint32_t a = (word >> 12) + 1 > 15 ? 15 : (word >> 12) + 1;
                    expected = a << 12 | (word & 0x0FFF);
                }
                ASSERT_EQ(w.memory[2], (uint8_t)(swapped ? expected >> 8 : expected));
                ASSERT_EQ(w.memory[3], (uint8_t)(swapped ? expected : expected >> 8))
                    << "code " << code << " word " << word;
            }
        }
    }
}

// ---- 24 and 32 bits -------------------------------------------------------------------

TEST(RasterTrueColour, TwentyFourBitByteOrders) {
    Bytes a(24, RASTER_DITHER);
    raster_put_pixel(&a.r, 1, 0, 0x00112233u);
    EXPECT_EQ(a.memory[3], 0x33);
    EXPECT_EQ(a.memory[4], 0x22);
    EXPECT_EQ(a.memory[5], 0x11);
    EXPECT_EQ(raster_get_pixel(&a.r, 1, 0), 0xFF112233u);
    Bytes s(24, RASTER_WRITE_SWAPPED);
    raster_put_pixel(&s.r, 1, 0, 0x00112233u);
    EXPECT_EQ(s.memory[3], 0x11);
    EXPECT_EQ(s.memory[4], 0x22);
    EXPECT_EQ(s.memory[5], 0x33);
    EXPECT_EQ(raster_get_pixel(&s.r, 1, 0), 0xFF332211u);
    s.r.raster_flags = RASTER_READ_SWAPPED;
    EXPECT_EQ(raster_get_pixel(&s.r, 1, 0), 0xFF112233u);
}

TEST(RasterTrueColour, ThirtyTwoBitByteOrders) {
    Bytes s(32, RASTER_WRITE_SWAPPED);
    raster_put_pixel(&s.r, 1, 0, 0x80112233u);
    EXPECT_EQ(s.memory[4], 0x80);
    EXPECT_EQ(s.memory[5], 0x11);
    EXPECT_EQ(s.memory[6], 0x22);
    EXPECT_EQ(s.memory[7], 0x33);
    EXPECT_EQ(raster_get_pixel(&s.r, 1, 0), 0x33221180u);
    s.r.raster_flags = RASTER_READ_SWAPPED;
    EXPECT_EQ(raster_get_pixel(&s.r, 1, 0), 0x80112233u);
    Bytes a(32, RASTER_DITHER);
    raster_put_pixel(&a.r, 0, 0, 0x80112233u);
    EXPECT_EQ(a.memory[0], 0x33);
    EXPECT_EQ(a.memory[1], 0x22);
    EXPECT_EQ(a.memory[2], 0x11);
    EXPECT_EQ(a.memory[3], 0x80);
    EXPECT_EQ(raster_get_pixel(&a.r, 0, 0), 0x80112233u);
}

TEST(RasterTrueColour, RandomRoundTripsInBothOrders) {
    const uint32_t depths[] = {17, 24, 25, 32};
    for (uint32_t depth : depths) {
        for (int swapped = 0; swapped < 2; ++swapped) {
            TestRandom rng(100 + depth * 2 + swapped);
            ScopedRaster r;
            ASSERT_TRUE(
                raster_init(r.get(), 4, 13, 7, RASTER_OWNS_MEMORY, nullptr, depth, nullptr, -1));
            if (swapped) r->raster_flags |= RASTER_READ_SWAPPED | RASTER_WRITE_SWAPPED;
            std::vector<uint32_t> values;
            for (uint32_t y = 0; y < 7; ++y)
                for (uint32_t x = 0; x < 13; ++x) {
                    values.push_back(rng.next());
                    raster_put_pixel(r.get(), x, y, values.back());
                }
            for (uint32_t y = 0; y < 7; ++y)
                for (uint32_t x = 0; x < 13; ++x) {
                    uint32_t v = values[y * 13 + x];
                    uint32_t expected = depth <= 24 ? (v | 0xFF000000u) : v;
                    ASSERT_EQ(raster_get_pixel(r.get(), x, y), expected) << "depth " << depth;
                }
            // Read with the other order: the bytes seen reversed.
            r->raster_flags ^= RASTER_READ_SWAPPED;
            for (uint32_t x = 0; x < 13; ++x) {
                uint32_t v = values[x];
                uint32_t expected =
                    depth <= 24 ? 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF)
                                : byte_swap32(v);
                ASSERT_EQ(raster_get_pixel(r.get(), x, 0), expected) << "depth " << depth;
            }
        }
    }
}

} // namespace
