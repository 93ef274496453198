// The exports as a host drives them (the plug-in code linked in).
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin_internal.h"
#include "common/row_stride.h"
#include "tests/oracles/reference_sheet.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

struct PluginTest : ::testing::Test {
    void SetUp() override { test_registry_clear(); }
    void TearDown() override { test_registry_clear(); }

    static void set_single_column(int on) {
        SettingsRecord r = {};
        r.single_column = (uint8_t)on;
        test_store_settings(r);
    }
};

typedef DecodedPicture Picture;

void get_memory(const std::vector<uint8_t> &font, Picture *p, uint32_t flag = 1) {
    p->rc = GetPicture((const char *)font.data(), (intptr_t)font.size(), flag, &p->header,
                       &p->pixels, nullptr, 0);
}

// A blank w x h picture at 1 bit, or result 4: never a wrapped size.
void expect_decoded_or_no_memory(const std::vector<uint8_t> &font, int64_t w, int64_t h) {
    Picture p;
    get_memory(font, &p);
    ASSERT_TRUE(p.rc == 0 || p.rc == 4) << p.rc;
    if (p.rc != 0) return;
    EXPECT_EQ(p.dib()->width, w);
    EXPECT_EQ(p.dib()->height, h);
    EXPECT_EQ((int64_t)p.dib()->size_image, (int64_t)row_stride((uint32_t)w, 1, 4) * h);
    EXPECT_EQ(p.bits()[0], 0);
    EXPECT_EQ(p.bits()[p.dib()->size_image - 1], 0);
}

TEST_F(PluginTest, InformationStrings) {
    char buf[64];
    const char *expected[] = {"00IN", "fontx2 to DIB v0.60 (KOVELT)", "*.fnt;*.fnx;*.fx2;*.tlf",
                              "FontX2", ""};
    for (int i = 0; i < 5; ++i) {
        memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetPluginInfo(i, buf, sizeof buf), (int)strlen(expected[i]));
        EXPECT_STREQ(buf, expected[i]);
    }
    for (int index : {5, -1, 100}) {
        memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetPluginInfo(index, buf, sizeof buf), 0);
        EXPECT_EQ(buf[0], 'x');
    }
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetPluginInfo(1, buf, 10), 9);
    EXPECT_STREQ(buf, "fontx2 to");
    EXPECT_EQ(GetPluginInfo(1, buf, 29), 28);
    EXPECT_STREQ(buf, "fontx2 to DIB v0.60 (KOVELT)");
    memset(buf, 'x', sizeof buf); // one byte too short: cut, the byte after it untouched
    EXPECT_EQ(GetPluginInfo(1, buf, 28), 27);
    EXPECT_STREQ(buf, "fontx2 to DIB v0.60 (KOVELT");
    EXPECT_EQ(buf[28], 'x');
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetPluginInfo(0, buf, 0), 0);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(GetPluginInfo(0, nullptr, 10), 0);
    EXPECT_EQ(GetPluginInfo(0, buf, 1), 0);
    EXPECT_EQ(buf[0], 0);
}

TEST_F(PluginTest, IsSupportedByMemoryAndByHandle) {
    uint8_t head[2048] = "FONTX2whatever";
    EXPECT_EQ(IsSupported("x.fnt", (uintptr_t)head), 1);
    memcpy(head, "fontx2", 6);
    EXPECT_EQ(IsSupported("x.fnt", (uintptr_t)head), 0);

    std::vector<uint8_t> file(40, 'J');
    memcpy(&file[10], "FONTX2", 6);
    std::string path = test_write_temp("handle.fnt", file);
    uintptr_t h = test_open_handle(path.c_str());
    ASSERT_NE(h, 0u);
    ASSERT_LE(h, 0xFFFFu);
    test_seek_handle(h, 10); // where the host left it: no seek by the plug-in
    EXPECT_EQ(IsSupported(path.c_str(), h), 1);
    EXPECT_EQ(test_tell_handle(h), 40); // read 32 bytes (to the end), not restored
    test_seek_handle(h, 11);
    EXPECT_EQ(IsSupported(path.c_str(), h), 0);
    test_seek_handle(h, 36); // fewer than six bytes left
    EXPECT_EQ(IsSupported(path.c_str(), h), 0);
    test_close_handle(h);
    remove(path.c_str());
}

TEST_F(PluginTest, PictureInfoFromFileOffsetsAndMemory) {
    std::vector<uint8_t> font = synthetic_font_double(16, 16);
    std::vector<uint8_t> file(100 + font.size(), 0x55);
    memcpy(&file[100], font.data(), font.size());
    std::string path = test_write_temp("offset.fnt", file);

    PictureInfo info;
    memset(&info, 0x77, sizeof info);
    EXPECT_EQ(GetPictureInfo(path.c_str(), 100, 0, &info), 0);
    EXPECT_EQ(info.width, 1504);
    EXPECT_EQ(info.height, 1504);
    EXPECT_EQ(info.colour_depth, 1);
    EXPECT_EQ(info.offset_x, 0);
    EXPECT_EQ(info.density_x, 0);
    EXPECT_EQ(info.info_text, 0u);
    // Without the offset the file does not start with the signature; an
    // offset at or past the end reads from the start.
    memset(&info, 0x77, sizeof info);
    EXPECT_EQ(GetPictureInfo(path.c_str(), 0, 0, &info), 2);
    EXPECT_EQ(info.width, 0x77777777); // untouched
    EXPECT_EQ(GetPictureInfo(path.c_str(), (intptr_t)file.size(), 0, &info), 2);
    std::string plain = test_write_temp("plain.fnt", font);
    EXPECT_EQ(GetPictureInfo(plain.c_str(), (intptr_t)font.size() + 5, 0, &info), 0);
    EXPECT_EQ(info.width, 1504);

    // Memory input for every flag value with bits 0 to 2 set.
    for (uint32_t flag = 1; flag <= 7; ++flag) {
        memset(&info, 0, sizeof info);
        EXPECT_EQ(
            GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), flag | 0x80, &info),
            0);
        EXPECT_EQ(info.width, 1504) << flag;
    }
    EXPECT_EQ(GetPictureInfo((const char *)font.data(), -5, 1, &info), 2); // length 0
    EXPECT_EQ(GetPictureInfo("no-such-file.fnt", 0, 0, &info), 6);
    remove(path.c_str());
    remove(plain.c_str());
}

TEST_F(PluginTest, PlainPictureBlocks) {
    std::vector<uint8_t> font = synthetic_font_single(1, 3); // a 16 x 48 grid
    Picture p;
    get_memory(font, &p);
    ASSERT_EQ(p.rc, 0);
    const DibHeader *d = p.dib();
    EXPECT_EQ(d->size, 40u);
    EXPECT_EQ(d->width, 16);
    EXPECT_EQ(d->height, 48);
    EXPECT_EQ(d->planes, 1);
    EXPECT_EQ(d->bit_count, 1);
    EXPECT_EQ(d->compression, 0u);
    EXPECT_EQ(d->size_image, 4u * 48);
    EXPECT_EQ(d->colours_used, 2u);
    EXPECT_EQ(d->colours_important, 0u);
    const uint32_t *table = (const uint32_t *)((const uint8_t *)p.header + 40);
    EXPECT_EQ(table[0], 0x00000000u);
    EXPECT_EQ(table[1], 0xFFFFFFFFu);
    for (int row = 0; row < 48; ++row) { // 2 bytes of pixels, 2 fill bytes
        EXPECT_EQ(p.bits()[row * 4 + 2], 0);
        EXPECT_EQ(p.bits()[row * 4 + 3], 0);
    }
    // The top cell row (codes 0-15) is the last memory rows: every synthetic
    // glyph has ink in its left column.
    EXPECT_EQ(p.bits()[47 * 4], 0xFF);
    EXPECT_EQ(p.bits()[47 * 4 + 1], 0xFF);
}

TEST_F(PluginTest, SingleColumnIsReadAtEveryCall) {
    std::vector<uint8_t> font = synthetic_font_double(16, 16);
    PictureInfo info;
    set_single_column(1);
    ASSERT_EQ(GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &info), 0);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.height, 141376);
    for (int column : {0, 1}) {
        set_single_column(column);
        Picture p;
        get_memory(font, &p);
        ASSERT_EQ(p.rc, 0);
        EXPECT_EQ(p.dib()->width, column ? 16 : 1504);
        EXPECT_EQ(p.dib()->height, column ? 141376 : 1504);
    }
}

TEST_F(PluginTest, ZeroSizedGlyphsGiveAnEmptyPicture) {
    std::vector<uint8_t> font = synthetic_font_single(8, 16);
    font[15] = 0;
    EXPECT_EQ(IsSupported("x", (uintptr_t)font.data()), 1);
    PictureInfo info;
    ASSERT_EQ(GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &info), 0);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    // Plain or composited: an empty picture (both heaps grant 0 bytes).
    for (uint8_t flags : {0, 3}) {
        SettingsRecord r;
        settings_defaults(&r);
        r.flags = flags;
        test_store_settings(r);
        Picture p;
        get_memory(font, &p);
        ASSERT_EQ(p.rc, 0) << (int)flags;
        EXPECT_EQ(p.dib()->size_image, 0u);
    }
}

TEST_F(PluginTest, NotAFontLeavesTheSlotsAlone) {
    std::vector<uint8_t> junk(64, 'Q');
    void *header = (void *)0x1234, *pixels = (void *)0x5678;
    EXPECT_EQ(GetPicture((const char *)junk.data(), 64, 1, &header, &pixels, nullptr, 0), 2);
    EXPECT_EQ(header, (void *)0x1234);
    EXPECT_EQ(pixels, (void *)0x5678);
    std::string path = test_write_temp("junk.bin", junk);
    EXPECT_EQ(GetPicture(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), 2);
    EXPECT_EQ(GetPicture("no-such-file.fnt", 0, 0, &header, &pixels, nullptr, 0), 6);
    EXPECT_EQ(header, (void *)0x1234);
    EXPECT_EQ(GetPreview(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), -1);
    remove(path.c_str());
}

TEST_F(PluginTest, FileAndMemoryModesDeliverTheSamePicture) {
    std::vector<uint8_t> font = synthetic_font_single(12, 24);
    std::vector<uint8_t> file(7 + font.size(), 'x');
    memcpy(&file[7], font.data(), font.size());
    std::string path = test_write_temp("same.fnt", file);
    Picture from_file, from_memory;
    from_file.rc = GetPicture(path.c_str(), 7, 0, &from_file.header, &from_file.pixels, nullptr, 0);
    get_memory(font, &from_memory, 4);
    ASSERT_EQ(from_file.rc, 0);
    ASSERT_EQ(from_memory.rc, 0);
    ASSERT_EQ(memcmp(from_file.header, from_memory.header, 48), 0);
    EXPECT_EQ(memcmp(from_file.pixels, from_memory.pixels, from_file.dib()->size_image), 0);
    remove(path.c_str());
}

TEST_F(PluginTest, TruncatedFontsDecodeWithinTheirLength) {
    std::vector<uint8_t> full = synthetic_font_double(12, 12);
    std::vector<size_t> cuts;
    for (size_t n = 0; n <= 300; ++n) cuts.push_back(n);
    for (size_t n : {386u, 500u, 4095u, 10000u, 65537u, 100000u}) cuts.push_back(n);
    for (size_t n : cuts) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n); // exact size
        PictureInfo info;
        int rc = GetPictureInfo((const char *)cut.data(), (intptr_t)cut.size(), 1, &info);
        ASSERT_EQ(rc, n >= 6 ? 0 : 2) << n;
        Picture p;
        get_memory(cut, &p);
        ASSERT_EQ(p.rc, n >= 6 ? 0 : 2) << n;
        if (n >= 6) {
            // Header bytes past the end read as 0: a cut glyph size lays out
            // 0 x 0, a cut code type means a single-byte font.
            EXPECT_EQ(info.width, n >= 17 ? 94 * 12 : n == 16 ? 16 * 12 : 0) << n;
        }
    }
}

TEST_F(PluginTest, TruncatedRealFontsDecodeWithinTheirLength) {
    SKIP_WITHOUT_FONTS(dir);
    for (const char *name : {"ILGZ16XB.FNT", "ILGH24XB.FNT"}) {
        std::vector<uint8_t> full;
        ASSERT_TRUE(test_read_file(dir + "/" + name, &full));
        std::vector<size_t> cuts;
        for (size_t n = 0; n <= 300; ++n) cuts.push_back(n);
        for (size_t n = 301; n < full.size(); n = n * 2 + 17) cuts.push_back(n);
        cuts.push_back(full.size() - 1);
        for (size_t n : cuts) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + n); // exact size
            Picture p;
            get_memory(cut, &p);
            ASSERT_EQ(p.rc, n >= 6 ? 0 : 2) << name << " cut at " << n;
        }
    }
}

TEST_F(PluginTest, LargestLegalSheetsDecodeOrReportNoMemory) {
    // 255 x 255 glyphs, no glyph data: every cell blank, the size is what counts.
    for (int code_type : {0, 1}) {
        for (int column : {0, 1}) {
            std::vector<uint8_t> font = code_type ? fontx2_write_double("BIG", 255, 255, {}, {})
                                                  : fontx2_write_single("BIG", 255, 255, {});
            set_single_column(column);
            PictureInfo info;
            ASSERT_EQ(GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &info),
                      0);
            int64_t w = code_type ? 94 * 255 : 16 * 255, h = w;
            if (column) {
                w = 255;
                h = 255LL * (code_type ? 8836 : 256);
            }
            EXPECT_EQ(info.width, w);
            EXPECT_EQ(info.height, h);
            expect_decoded_or_no_memory(font, w, h);
        }
    }
}

// 22 bytes: 255 x 255 glyphs, every 16-bit code held, no glyph data. The own
// code order gives no code a cell, so the picture is empty however large the
// codes held would make it; file and memory agree.
TEST_F(PluginTest, OwnCodeOrderWithoutGlyphDataIsEmpty) {
    std::vector<uint8_t> font = fontx2_write_double("ALL", 255, 255, {{0x0000, 0xFFFF}}, {});
    ASSERT_EQ(font.size(), 22u);
    std::string path = test_write_temp("all_codes.fnt", font);
    for (int column : {0, 1}) {
        set_single_column(column);
        for (bool file : {false, true}) {
            SCOPED_TRACE(column * 10 + file);
            const char *source = file ? path.c_str() : (const char *)font.data();
            intptr_t second = file ? 0 : (intptr_t)font.size();
            PictureInfo info;
            ASSERT_EQ(GetPictureInfo(source, second, file ? 0 : 1, &info), 0);
            EXPECT_EQ(info.width, 0);
            EXPECT_EQ(info.height, 0);
            Picture p;
            p.rc = GetPicture(source, second, file ? 0 : 1, &p.header, &p.pixels, nullptr, 0);
            ASSERT_EQ(p.rc, 0);
            EXPECT_EQ(p.dib()->width, 0);
            EXPECT_EQ(p.dib()->height, 0);
            EXPECT_EQ(p.dib()->size_image, 0u);
        }
    }
    remove(path.c_str());
}

TEST_F(PluginTest, FileAndMemoryAgreeOnFontsInTheirOwnCodeOrder) {
    std::vector<uint8_t> font = synthetic_font_blocks(12, 12, {{0x0020, 0x007E}, {0x4E00, 0x4FFF}});
    std::vector<uint8_t> file(9 + font.size(), 'x');
    memcpy(&file[9], font.data(), font.size());
    std::string path = test_write_temp("unicode.fnt", file);
    for (int column : {0, 1}) {
        set_single_column(column);
        PictureInfo from_file, from_memory;
        ASSERT_EQ(GetPictureInfo(path.c_str(), 9, 0, &from_file), 0);
        ASSERT_EQ(GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &from_memory),
                  0);
        EXPECT_EQ(from_file.width, column ? 12 : 192);
        EXPECT_EQ(from_file.height, 12 * (column ? 95 + 512 : 6 + 32));
        EXPECT_EQ(from_memory.width, from_file.width);
        EXPECT_EQ(from_memory.height, from_file.height);
        Picture p;
        p.rc = GetPicture(path.c_str(), 9, 0, &p.header, &p.pixels, nullptr, 0);
        ASSERT_EQ(p.rc, 0);
        EXPECT_EQ(p.dib()->width, from_file.width);
        EXPECT_EQ(p.dib()->height, from_file.height);
    }
    remove(path.c_str());
}

// A table of 4,000 blocks behind a count byte that wrapped: picture
// information in file mode reads the whole table (16 KB) past the head, and
// agrees with the picture and with memory mode.
TEST_F(PluginTest, AWrappedBlockCountIsReadWholeInBothModes) {
    std::vector<uint8_t> font = synthetic_font_blocks(9, 5, synthetic_many_ranges(4000, false));
    std::vector<uint8_t> file(13 + font.size(), 'x');
    memcpy(&file[13], font.data(), font.size());
    std::string path = test_write_temp("wrapped.fnt", file);
    for (int column : {0, 1}) {
        set_single_column(column);
        reference::Geometry g;
        ASSERT_TRUE(reference::sheet_geometry(font.data(), font.size(), column, &g));
        std::vector<uint8_t> want = reference::plain_pixels(font.data(), font.size(), column);
        PictureInfo from_file, from_memory;
        ASSERT_EQ(GetPictureInfo(path.c_str(), 13, 0, &from_file), 0);
        ASSERT_EQ(GetPictureInfo((const char *)font.data(), (intptr_t)font.size(), 1, &from_memory),
                  0);
        Picture in_file, in_memory;
        in_file.rc = GetPicture(path.c_str(), 13, 0, &in_file.header, &in_file.pixels, nullptr, 0);
        get_memory(font, &in_memory);
        ASSERT_EQ(in_file.rc, 0);
        ASSERT_EQ(in_memory.rc, 0);
        for (const PictureInfo *info : {&from_file, &from_memory}) {
            EXPECT_EQ((uint64_t)info->width, g.width);
            EXPECT_EQ((uint64_t)info->height, g.height);
        }
        for (const Picture *p : {&in_file, &in_memory}) {
            EXPECT_EQ((uint64_t)p->dib()->height, g.height);
            ASSERT_EQ(p->dib()->size_image, want.size());
            EXPECT_EQ(memcmp(p->bits(), want.data(), want.size()), 0);
        }
    }
    remove(path.c_str());
}

#ifndef _WIN32
TEST_F(PluginTest, EveryAllocationFailureIsReportedAndNothingLeaks) {
    std::vector<uint8_t> font = synthetic_font_single(8, 16);
    std::string path = test_write_temp("sweep.fnt", font);
    for (uint32_t flags : {0u, 1u}) {
        for (uint64_t k = 1;; ++k) {
            heap_test_reset();
            heap_test_fail_nth(k);
            void *header = nullptr, *pixels = nullptr;
            const char *source = flags ? (const char *)font.data() : path.c_str();
            intptr_t second = flags ? (intptr_t)font.size() : 0;
            int rc = GetPicture(source, second, flags, &header, &pixels, nullptr, 0);
            bool failed = heap_test_failures() > 0;
            if (rc == 0) {
                heap_free(header);
                heap_free(pixels);
            }
            ASSERT_EQ(rc, failed ? 4 : 0) << "k=" << k;
            ASSERT_EQ(heap_test_allocations(), heap_test_releases()) << "k=" << k;
            if (!failed) break;
        }
        for (uint64_t k = 1; k <= 2; ++k) {
            heap_test_reset();
            heap_test_fail_nth(k);
            PictureInfo info;
            int rc = GetPictureInfo(flags ? (const char *)font.data() : path.c_str(),
                                    flags ? (intptr_t)font.size() : 0, flags, &info);
            EXPECT_EQ(rc, heap_test_failures() ? 4 : 0);
            EXPECT_EQ(heap_test_allocations(), heap_test_releases());
        }
    }
    // The handle form allocates twice: its buffer, then the file record.
    uintptr_t h = test_open_handle(path.c_str());
    for (uint64_t k = 1; k <= 2; ++k) {
        heap_test_reset();
        heap_test_fail_nth(k);
        EXPECT_EQ(IsSupported(path.c_str(), h), 4) << "k=" << k;
        EXPECT_EQ(heap_test_allocations(), heap_test_releases());
    }
    test_close_handle(h);
    heap_test_reset();
    remove(path.c_str());
}

TEST_F(PluginTest, AHostBufferIsNeverReleased) {
    std::vector<uint8_t> font = synthetic_font_single(8, 8);
    heap_test_reset();
    Picture p;
    get_memory(font, &p, 2);
    ASSERT_EQ(p.rc, 0);
    // The call's parsed font, then the two blocks handed over; only the
    // first is released, never the host's buffer.
    EXPECT_EQ(heap_test_allocations(), 3u);
    EXPECT_EQ(heap_test_releases(), 1u);
}

// Data of another format is declined without a block of its own, so even a
// failing heap never answers it with "no memory" (the host then tries its
// other plug-ins).
TEST_F(PluginTest, OtherDataIsDeclinedEvenWhenMemoryFails) {
    std::vector<uint8_t> other(4096, 'x');
    heap_test_reset();
    heap_test_fail_nth(1);
    void *header = nullptr, *pixels = nullptr;
    EXPECT_EQ(GetPicture((const char *)other.data(), (intptr_t)other.size(), 1, &header, &pixels,
                         nullptr, 0),
              PLUGIN_ERR_UNSUPPORTED);
    PictureInfo info;
    EXPECT_EQ(GetPictureInfo((const char *)other.data(), (intptr_t)other.size(), 1, &info),
              PLUGIN_ERR_UNSUPPORTED);
    EXPECT_EQ(heap_test_allocations(), 0u);
    heap_test_reset();
}
#endif

TEST_F(PluginTest, RealFontsDecodeInBothModes) {
    SKIP_WITHOUT_FONTS(dir);
    struct Expect {
        const char *name;
        int width, height;
    } fonts[] = {{"ILGH16XB.FNT", 128, 256},   {"ILMH16XB.FNT", 128, 256},
                 {"ILGH24XB.FNT", 192, 384},   {"ILGH32XB.FNT", 256, 512},
                 {"ILGZ16XB.FNT", 1504, 1504}, {"8x16-fontx-sbcs.fnt", 128, 256}};
    for (const Expect &e : fonts) {
        std::string path = dir + "/" + e.name;
        PictureInfo info;
        ASSERT_EQ(GetPictureInfo(path.c_str(), 0, 0, &info), 0) << e.name;
        EXPECT_EQ(info.width, e.width) << e.name;
        EXPECT_EQ(info.height, e.height) << e.name;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(test_read_file(path, &bytes));
        Picture f, m;
        f.rc = GetPicture(path.c_str(), 0, 0, &f.header, &f.pixels, nullptr, 0);
        get_memory(bytes, &m);
        ASSERT_EQ(f.rc, 0);
        ASSERT_EQ(m.rc, 0);
        EXPECT_EQ(memcmp(f.pixels, m.pixels, f.dib()->size_image), 0) << e.name;
    }
}

} // namespace
