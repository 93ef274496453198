// GetPicture's settings-driven route: what it publishes and what it delivers,
// natively with the in-memory registry and under Wine with the real one.
#include "common/settings/info.h"
#include "tests/support/synthetic_fonts.h"
#include "compositor/composite_sheet.h"
#include "plugin/plugin.h"
#include "plugin/plugin_internal.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/test_support.h"

#include "common/row_stride.h"

#include <gtest/gtest.h>
#include <memory>
#include <string.h>

namespace {

typedef DecodedPicture Decoded;

struct CompositePathTest : ::testing::Test {
    std::vector<uint8_t> font = synthetic_font_single(8, 16); // 128 x 256
    void SetUp() override { test_registry_clear(); }
    void TearDown() override { test_registry_clear(); }

    static SettingsRecord settings_with_flags(uint8_t flags) {
        SettingsRecord r;
        settings_defaults(&r);
        r.flags = flags;
        return r;
    }
    void decode(Decoded *d, const char *path = nullptr) {
        if (path) {
            d->rc = GetPicture(path, 0, 0, &d->header, &d->pixels, nullptr, 0);
        } else {
            d->rc = GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &d->header,
                               &d->pixels, nullptr, 0);
        }
    }
};

// The pixel at picture position (x, y) from the top-left: 0xRRGGBB of a
// 24-bit picture, the index of a 1-bit one.
uint32_t pixel_at(const Decoded &d, int x, int y) {
    const DibHeader *dib = d.dib();
    return dib_pixel(d.bits(), row_stride((uint32_t)dib->width, dib->bit_count, 4), dib->height,
                     dib->bit_count, x, y);
}

TEST_F(CompositePathTest, FlagsZeroDeclinesAndWritesNothing) {
    test_store_settings(settings_with_flags(0));
    Decoded d;
    decode(&d);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.dib()->bit_count, 1);
    std::vector<unsigned char> v;
    EXPECT_FALSE(test_read_value(INFO_VALUE, &v));
    EXPECT_FALSE(test_read_value(INFO_PALETTE_VALUE, &v));
    EXPECT_FALSE(test_read_value(INFO_NAME_VALUE, &v));
}

TEST_F(CompositePathTest, FlagsTwoPublishesAndDeliversThePlainSheet) {
    test_store_settings(settings_with_flags(2));
    Decoded d;
    decode(&d);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.dib()->bit_count, 1);

    std::vector<unsigned char> ginfo, clut, fname;
    ASSERT_TRUE(test_read_value(INFO_VALUE, &ginfo));
    ASSERT_EQ(ginfo.size(), 72u);
    ImageInfoRecord expected;
    memset(&expected, 0, sizeof expected);
    expected.bit_depth = 1;
    expected.colour_count = 2;
    expected.picture_width = 128;
    expected.picture_height = 256;
    EXPECT_EQ(memcmp(ginfo.data(), &expected, 72), 0);

    ASSERT_TRUE(test_read_value(INFO_PALETTE_VALUE, &clut));
    ASSERT_EQ(clut.size(), 1024u);
    const unsigned char head[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(memcmp(clut.data(), head, 8), 0);
    for (size_t i = 8; i < 1024; ++i) ASSERT_EQ(clut[i], 0) << i;

    ASSERT_TRUE(test_read_value(INFO_NAME_VALUE, &fname));
    EXPECT_LE(fname.size(), 1u); // the empty name (a reader may see its terminator)
    if (!fname.empty()) {
        EXPECT_EQ(fname[0], 0);
    }
}

TEST_F(CompositePathTest, FlagsThreeCompositesOverTheCheckerboard) {
    test_store_settings(settings_with_flags(0));
    Decoded plain;
    decode(&plain);
    ASSERT_EQ(plain.rc, 0);

    std::string path = test_write_temp("composite.fnt", font);
    test_store_settings(settings_with_flags(3));
    Decoded d;
    decode(&d, path.c_str());
    ASSERT_EQ(d.rc, 0);
    const DibHeader *h = d.dib();
    EXPECT_EQ(h->bit_count, 24);
    EXPECT_EQ(h->width, 128);
    EXPECT_EQ(h->height, 256);
    EXPECT_EQ(h->colours_used, 0u);
    EXPECT_EQ(h->size_image, ((3u * 128 + 3) & ~3u) * 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 128; ++x) {
            uint32_t background = ((x / 16 + y / 16) % 2) ? 0x808080 : 0xC0C0C0;
            uint32_t want = pixel_at(plain, x, y) ? 0xFFFFFF : background;
            ASSERT_EQ(pixel_at(d, x, y), want) << x << "," << y;
        }
    }
    std::vector<unsigned char> fname;
    ASSERT_TRUE(test_read_value(INFO_NAME_VALUE, &fname));
    EXPECT_EQ(
        std::string(fname.begin(), fname.begin() + strnlen((char *)fname.data(), fname.size())),
        path);
    remove(path.c_str());
}

TEST_F(CompositePathTest, FlagsOneCompositesAndLeavesThePublishedValues) {
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, "old.fnt", 7);
    SettingsRecord r = settings_with_flags(1);
    r.grid_lines = 1;
    r.transparent_mode = 2; // index 0 keyed out: the checkerboard shows
    r.transparent_index = 0;
    r.bg_colour1 = 0x102030;
    r.bg_colour2 = 0x405060;
    r.grid_colour = 0xFF0000;
    test_store_settings(r);
    Decoded d;
    decode(&d);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.dib()->bit_count, 24);
    EXPECT_EQ(pixel_at(d, 0, 5), 0xFF0000u);   // grid column 0
    EXPECT_EQ(pixel_at(d, 17, 16), 0xFF0000u); // grid row 16
    std::vector<unsigned char> v;
    EXPECT_FALSE(test_read_value(INFO_VALUE, &v));
    ASSERT_TRUE(test_read_value(INFO_NAME_VALUE, &v));
    EXPECT_EQ(memcmp(v.data(), "old.fnt", 7), 0);
}

TEST_F(CompositePathTest, ADeeperPictureLeavesThePaletteAsItWas) {
    uint32_t old[3] = {1, 2, 3};
    test_store_value(INFO_PALETTE_VALUE, REGISTRY_TYPE_BINARY, old, sizeof old);
    ImageInfoRecord info;
    memset(&info, 0, sizeof info);
    info.transparent_colour_plus1 = 0xFF0001;
    uint32_t palette[256] = {0xFFFFFFFF};
    EXPECT_EQ(info_publish(640, 480, 24, &info, palette, 0, FileName{"C:\\pics\\a.bmp", nullptr}),
              1);
    std::vector<unsigned char> v;
    ASSERT_TRUE(test_read_value(INFO_PALETTE_VALUE, &v));
    ASSERT_EQ(v.size(), sizeof old);
    EXPECT_EQ(memcmp(v.data(), old, sizeof old), 0);
    ASSERT_TRUE(test_read_value(INFO_VALUE, &v));
    const ImageInfoRecord *back = (const ImageInfoRecord *)v.data();
    EXPECT_EQ(back->bit_depth, 24);
    EXPECT_EQ(back->picture_width, 640u);
    EXPECT_EQ(back->transparent_colour_plus1, 0xFF0001u);
    // 256 entries or more are written as they are, without padding.
    std::vector<uint32_t> big(300, 0xAB);
    info_publish(1, 1, 8, &info, big.data(), 300, FileName{});
    ASSERT_TRUE(test_read_value(INFO_PALETTE_VALUE, &v));
    EXPECT_EQ(v.size(), 1200u);
}

TEST_F(CompositePathTest, PollFollowsTheChangeRules) {
    std::vector<uint32_t> palette(INFO_PALETTE_BYTES / 4, 0x55);
    ImageInfoRecord info;
    memset(&info, 0x77, sizeof info);
    char name[524] = "keep";
    // No key: nothing new, info zeroed, the rest kept.
    EXPECT_EQ(info_poll(palette.data(), &info, name), 0);
    ImageInfoRecord zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&info, &zero, sizeof info), 0);
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(palette[0], 0x55u);

    ImageInfoRecord published;
    memset(&published, 0, sizeof published);
    uint32_t clut[2] = {0, 0xFFFFFFFF};
    info_publish(128, 256, 1, &published, clut, 2, FileName{"D:\\Fonts\\X.FNT", nullptr});
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_STREQ(name, "D:\\Fonts\\X.FNT");
    EXPECT_EQ(info.picture_width, 128u);
    EXPECT_EQ(palette[1], 0xFFFFFFFFu);
    EXPECT_EQ(palette[2], 0u);
    EXPECT_EQ(palette[300], 0x55u); // beyond the 1024 bytes read, as it was
    // Same record, name differing only in case: nothing new.
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, "d:\\fonts\\x.fnt", 14);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 0);
    EXPECT_STREQ(name, "D:\\Fonts\\X.FNT");
    // Same record, empty name (a memory decode): new, the name is kept.
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, "", 0);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_STREQ(name, "D:\\Fonts\\X.FNT");
    // A different name with the same record: new.
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, "y.fnt", 5);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_STREQ(name, "y.fnt");
}

TEST_F(CompositePathTest, PollSurvivesHostileValues) {
    std::vector<uint32_t> palette(INFO_PALETTE_BYTES / 4, 0x55);
    ImageInfoRecord info;
    memset(&info, 0, sizeof info);
    char name[524] = "keep";
    // A name that fills the whole 522-byte buffer counts as too long, and the
    // terminator never lands past the buffer.
    std::string long_name(522, 'n');
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, long_name.data(), 522);
    name[522] = 'Z';
    std::vector<unsigned char> big_clut(9000, 0x11);
    test_store_value(INFO_PALETTE_VALUE, REGISTRY_TYPE_BINARY, big_clut.data(), 9000);
    std::vector<unsigned char> long_info(100, 0x22);
    test_store_value(INFO_VALUE, REGISTRY_TYPE_BINARY, long_info.data(), 100);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(name[522], 'Z');
    ImageInfoRecord zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&info, &zero, sizeof info), 0); // too long: all zero
    EXPECT_EQ(palette[0], 0x11111111u);              // a longer palette gives its head
    EXPECT_EQ(palette[2047], 0x11111111u);
    // 521 bytes still fit with their terminator.
    test_store_value(INFO_NAME_VALUE, REGISTRY_TYPE_SZ, long_name.data(), 521);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_EQ(strlen(name), 521u);
    // A short "GINFO" fills the start of a zeroed record.
    const unsigned char ten[10] = {0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    test_store_value(INFO_VALUE, REGISTRY_TYPE_BINARY, ten, sizeof ten);
    EXPECT_EQ(info_poll(palette.data(), &info, name), 1);
    EXPECT_EQ(info.bit_depth, 4);
    EXPECT_EQ(info.picture_width, 0u);
}

#ifndef _WIN32
TEST_F(CompositePathTest, EveryAllocationFailureOnTheCompositePath) {
    test_store_settings(settings_with_flags(3));
    std::string path = test_write_temp("sweep.fnt", font);
    for (int file : {0, 1}) {
        for (uint64_t k = 1;; ++k) {
            heap_test_reset();
            heap_test_fail_nth(k);
            void *header = (void *)1, *pixels = (void *)1;
            int rc = file ? GetPicture(path.c_str(), 0, 0, &header, &pixels, nullptr, 0)
                          : GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header,
                                       &pixels, nullptr, 0);
            bool failed = heap_test_failures() > 0;
            if (rc == 0) {
                heap_free(header);
                heap_free(pixels);
            } else {
                // Nothing a host frees could be freed twice.
                EXPECT_TRUE(header == (void *)1 || header == nullptr) << k;
                EXPECT_TRUE(pixels == (void *)1 || pixels == nullptr) << k;
            }
            ASSERT_EQ(rc, failed ? 4 : 0) << "k=" << k << " file=" << file;
            ASSERT_EQ(heap_test_allocations(), heap_test_releases()) << "k=" << k;
            if (!failed) {
                EXPECT_GE(k, 4u); // header, pixels, the bands' scratch (and the input)
                break;
            }
        }
    }
    heap_test_reset();
    remove(path.c_str());
}

TEST_F(CompositePathTest, UnreadableSettingsMeanPlainPictures) {
    test_store_settings(settings_with_flags(3));
    registry_test_fail_query(SETTINGS_VALUE, REGISTRY_FAILED);
    Decoded d;
    decode(&d);
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.dib()->bit_count, 1);
    EXPECT_EQ(registry_test_writes(), 1u); // only the settings we stored
}
#endif

TEST_F(CompositePathTest, RealDoubleByteFontComposited) {
    SKIP_WITHOUT_FONTS(dir);
    test_store_settings(settings_with_flags(3));
    Decoded d;
    std::string path = dir + "/ILGZ16XB.FNT";
    decode(&d, path.c_str());
    ASSERT_EQ(d.rc, 0);
    EXPECT_EQ(d.dib()->width, 1504);
    EXPECT_EQ(d.dib()->height, 1504);
    EXPECT_EQ(d.dib()->bit_count, 24);
    test_store_settings(settings_with_flags(0));
    Decoded plain;
    decode(&plain, path.c_str());
    ASSERT_EQ(plain.rc, 0);
    int ink = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint32_t background = ((x / 16 + y / 16) % 2) ? 0x808080 : 0xC0C0C0;
            ink += pixel_at(plain, x, y);
            ASSERT_EQ(pixel_at(d, x, y), pixel_at(plain, x, y) ? 0xFFFFFFu : background);
        }
    }
    EXPECT_GT(ink, 0);
}

#ifndef _WIN32 // allocation counting is native only
// A sheet that opens but never draws: each path must say so, not hand the
// host undrawn rows, and leave nothing behind.
bool never_draws(const FontSheet *, uint8_t *, uint64_t, uint64_t, bool) {
    return false;
}
bool never_draws_bands(const FontSheet *, uint8_t *, uint64_t, uint64_t, SheetBandDone, void *) {
    return false;
}
bool drawer_of(const void *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
               SheetBandDone done, void *sink) {
    return font_sheet_draw_bands((const FontSheet *)sheet, band, band_size, stride, done, sink);
}

TEST_F(CompositePathTest, ASheetThatDoesNotDrawIsAnInternalErrorNotAMemoryOne) {
    const SheetFormat broken = {0, nullptr, nullptr, nullptr, never_draws, never_draws_bands};
    std::unique_ptr<FontSheet> sheet(new FontSheet());
    sheet->width = 16;
    sheet->height = 32;
    sheet->cell_height = 16;
    sheet->format = &broken;
    uint32_t palette[256] = {};
    plain_palette(palette);
    heap_test_reset();
    void *header = (void *)1, *pixels = (void *)1;
    EXPECT_EQ(plain_path(sheet.get(), palette, &header, &pixels), PLUGIN_ERR_INTERNAL);
    EXPECT_EQ(header, (void *)1);
    EXPECT_EQ(pixels, (void *)1);

    SettingsRecord settings = settings_with_flags(1);
    PictureRecord record = {};
    record.colour_count = PLAIN_COLOURS;
    EXPECT_EQ(composite_path(&settings, sheet.get(), &header, &pixels, nullptr, palette, &record),
              PLUGIN_ERR_INTERNAL);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(heap_test_allocations(), heap_test_releases());

    // The helper itself tells the two failures apart.
    std::vector<uint8_t> output(row_stride(16, 24, 4) * 32);
    const SheetSource source = {16, 32, 16, drawer_of, sheet.get()};
    EXPECT_EQ(composite_sheet(&settings, &source, output.data()), COMPOSITE_SHEET_NOT_DRAWN);
    heap_test_fail_nth(1);
    EXPECT_EQ(composite_sheet(&settings, &source, output.data()), COMPOSITE_SHEET_NO_MEMORY);
    heap_test_reset();
    EXPECT_STRNE(composite_sheet_message(COMPOSITE_SHEET_NOT_DRAWN),
                 composite_sheet_message(COMPOSITE_SHEET_NO_MEMORY));
}
#endif

} // namespace
