// Fonts as hostile as a folder of downloads can be, decoded in every mode and
// compared with an independent rendering; and the inputs the fuzz targets
// found troublesome, kept as regressions.
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin.h"
#include "tests/oracles/reference_sheet.h"
#include "tests/support/hostile_fonts.h"
#include "tests/support/decoded_picture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

typedef DecodedPicture Decoded;

void decode_memory(const std::vector<uint8_t> &font, Decoded *d) {
    d->rc = GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &d->header, &d->pixels,
                       nullptr, 0);
}

void store_flags(int flags, int single_column) {
    SettingsRecord r;
    settings_defaults(&r);
    r.flags = (uint8_t)flags;
    r.single_column = (uint8_t)single_column;
    test_store_settings(r);
}

// The plain picture must be the reference's, bit for bit; 4 only when the
// sheet is too large for this process.
void expect_reference_picture(const std::vector<uint8_t> &font, int single_column,
                              const std::string &what) {
    Decoded d;
    decode_memory(font, &d);
    reference::Geometry g;
    ASSERT_TRUE(reference::sheet_geometry(font.data(), font.size(), single_column, &g));
    ASSERT_TRUE(d.rc == 0 || (d.rc == 4 && g.width * g.height > (1u << 26))) << what << d.rc;
    if (d.rc != 0) return;
    ASSERT_EQ(d.dib()->width, (int32_t)g.width) << what;
    ASSERT_EQ(d.dib()->height, (int32_t)g.height) << what;
    std::vector<uint8_t> want = reference::plain_pixels(font.data(), font.size(), single_column);
    ASSERT_EQ(d.dib()->size_image, want.size()) << what;
    EXPECT_TRUE(want.empty() || memcmp(d.pixels, want.data(), want.size()) == 0) << what;
}

struct HostileFonts : ::testing::Test {
    void SetUp() override { test_registry_clear(); }
    void TearDown() override { test_registry_clear(); }
};

TEST_F(HostileFonts, PlainPicturesMatchAnIndependentRendering) {
    for (uint64_t seed = 0; seed < 500; ++seed) {
        std::vector<uint8_t> font = hostile::hostile_font(seed);
        int column = (int)(seed % 5 == 0);
        store_flags(0, column);
        expect_reference_picture(font, column, "seed " + std::to_string(seed));
        if (HasFatalFailure()) return;
    }
}

TEST_F(HostileFonts, CompositedFileAndMemoryDecodesAgree) {
    // Every tenth font through a file too; the composite path on all of them.
    for (uint64_t seed = 0; seed < 500; ++seed) {
        SCOPED_TRACE(seed);
        std::vector<uint8_t> font = hostile::hostile_font(seed);
        store_flags(3, 0);
        Decoded memory;
        decode_memory(font, &memory);
        ASSERT_TRUE(memory.rc == 0 || memory.rc == 4) << memory.rc;
        if (memory.rc == 0) {
            EXPECT_EQ(memory.dib()->bit_count, 24);
        }
        if (seed % 10) continue;
        std::string path = test_write_temp("hostile.fnt", font);
        Decoded file;
        file.rc = GetPicture(path.c_str(), 0, 0, &file.header, &file.pixels, nullptr, 0);
        remove(path.c_str());
        ASSERT_TRUE(file.rc == 0 || file.rc == 4) << file.rc;
        if (file.rc == 0 && memory.rc == 0) {
            ASSERT_EQ(memcmp(file.header, memory.header, 40), 0);
            EXPECT_EQ(memcmp(file.pixels, memory.pixels, file.dib()->size_image), 0);
        }
    }
}

TEST_F(HostileFonts, BlockTablesThatLieAboutTheirGlyphs) {
    uint32_t bytes = fontx2_glyph_bytes(9, 7);
    std::vector<uint8_t> glyphs(5 * bytes);
    for (uint32_t i = 0; i < 5; ++i) synthetic_code_glyph(i, 9, 7, &glyphs[i * bytes]);
    struct Table {
        const char *what;
        std::vector<Fontx2Range> ranges;
        size_t cut; // bytes removed from the end
    } tables[] = {
        {"past the end", {{0x8140, 0x9FFC}}, 0},
        {"inverted", {{0x8145, 0x8140}, {0x8140, 0x8144}}, 0},
        {"overlapping", {{0x8140, 0x8142}, {0x8141, 0x8143}}, 0},
        // 65535 glyphs before the second block: its index runs past 16 bits
        {"wrapping total", {{0x0000, 0xFFFE}, {0x8140, 0x8144}}, 0},
        {"last glyph cut by one byte", {{0x8140, 0x8144}}, 1},
        {"table longer than the data", std::vector<Fontx2Range>(255, {0x8140, 0x8144}), 0},
    };
    for (const Table &t : tables) {
        std::vector<uint8_t> font = fontx2_write_double("LIAR", 9, 7, t.ranges, glyphs);
        font.resize(font.size() - t.cut);
        if (t.ranges.size() == 255) font.resize(18 + 4 * 40); // table cut after 40 entries
        for (int column : {0, 1}) {
            store_flags(0, column);
            expect_reference_picture(font, column, t.what);
        }
    }
}

TEST_F(HostileFonts, RealFontsCutAnywhereMatchTheReference) {
    SKIP_WITHOUT_FONTS(dir);
    for (const char *name : {"ILGZ16XB.FNT", "ILGH16XB.FNT"}) {
        std::vector<uint8_t> full;
        ASSERT_TRUE(test_read_file(dir + "/" + name, &full));
        TestRandom r(7);
        for (int i = 0; i < 12; ++i) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + r.below((uint32_t)full.size()));
            store_flags(0, 0);
            expect_reference_picture(cut, 0,
                                     std::string(name) + " cut " + std::to_string(cut.size()));
        }
    }
}

} // namespace
