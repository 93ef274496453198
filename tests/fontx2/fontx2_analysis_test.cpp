// The analysis of every crafted font: each kind, its count, the codes it
// concerns and where it applies; and the maps it is built on.
#include "fontx2/fontx2_analysis.h"

#include "tests/support/crafted_fonts.h"
#include "tests/support/synthetic_fonts.h"

#include <gtest/gtest.h>

namespace {

TEST(Analysis, EveryCraftedFont) {
    for (const CraftedFont &c : crafted_fonts()) {
        SCOPED_TRACE(c.name);
        Fontx2Font font;
        ASSERT_EQ(fontx2_read(&font, c.bytes.data(), c.bytes.size(), c.bytes.size()), FONTX2_OK);
        Fontx2Analysis a;
        fontx2_analyse(&font, &a);
        if (a.findings.size() != c.findings.size()) {
            std::string got;
            for (const Fontx2Finding &f : a.findings)
                got += std::string(" ") + fontx2_kinds[f.kind].name + " " + std::to_string(f.count);
            ADD_FAILURE() << "findings:" << got;
            continue;
        }
        bool problem = false;
        for (size_t i = 0; i < c.findings.size(); ++i) {
            const Fontx2Finding &got = a.findings[i];
            const CraftedFinding &want = c.findings[i];
            SCOPED_TRACE(fontx2_kinds[want.kind].name);
            EXPECT_EQ(got.kind, want.kind);
            EXPECT_EQ(got.count, want.count);
            EXPECT_EQ(got.codes, want.codes);
            EXPECT_EQ(got.code, want.code);
            problem |= fontx2_kinds[got.kind].severity == FONTX2_PROBLEM;
            if (fontx2_kinds[got.kind].listed) {
                EXPECT_EQ(got.instances.size(), got.count);
            }
            for (size_t k = 0; k < want.instances.size(); ++k) {
                const Fontx2Instance &g = got.instances[k], &w = want.instances[k];
                EXPECT_EQ(g.block, w.block);
                EXPECT_EQ(g.other_block, w.other_block);
                EXPECT_EQ(g.first_code, w.first_code);
                EXPECT_EQ(g.last_code, w.last_code);
            }
        }
        EXPECT_EQ(fontx2_any_problem(a), problem);
    }
}

TEST(Analysis, KindsAreNamedOnceAndNotesNeedNoFix) {
    for (int k = 0; k < FONTX2_KINDS; ++k)
        for (int j = 0; j < k; ++j) EXPECT_STRNE(fontx2_kinds[k].name, fontx2_kinds[j].name);
    EXPECT_EQ(fontx2_kinds[FONTX2_PADDING_BLOCKS].severity, FONTX2_NOTE);
    EXPECT_EQ(fontx2_kinds[FONTX2_GLYPHS_UNREACHED].severity, FONTX2_PROBLEM);
}

// The map agrees with the lookup code by code; the earlier block wins.
TEST(Analysis, CodeMapIsTheLookup) {
    std::vector<uint8_t> bytes = synthetic_font_blocks(8, 8, {{0x8240, 0x8260}, {0x8140, 0x8250}});
    bytes.resize(bytes.size() - 1); // the last glyph cut
    Fontx2Font font;
    ASSERT_EQ(fontx2_read(&font, bytes.data(), bytes.size(), bytes.size()), FONTX2_OK);
    std::vector<uint32_t> glyph(FONTX2_CODES), block(FONTX2_CODES);
    EXPECT_EQ(fontx2_map_codes(&font, glyph.data(), block.data()), 0x8261u);
    for (uint32_t code = 0; code < FONTX2_CODES; ++code) {
        Fontx2Glyph g;
        fontx2_lookup(&font, code, &g);
        ASSERT_EQ(glyph[code] != FONTX2_NO_GLYPH, g.held) << code;
        if (g.held) {
            ASSERT_EQ(glyph[code], g.index) << code;
            ASSERT_EQ(block[code], g.block) << code;
        }
    }
    EXPECT_EQ(block[0x8250], 0u);
    Fontx2Glyph g;
    fontx2_place_glyph(&font, font.glyph_offset, glyph[0x8250], &g);
    EXPECT_TRUE(g.present && g.bitmap);
    // The last glyph lacks a byte: not present, its bitmap not at hand.
    fontx2_place_glyph(&font, font.glyph_offset, font.glyphs_announced - 1, &g);
    EXPECT_FALSE(g.present || g.bitmap);
    fontx2_place_glyph(&font, font.glyph_offset, font.glyphs_announced - 2, &g);
    EXPECT_TRUE(g.present && g.bitmap);
    // Single-byte: 256 codes, all held.
    std::vector<uint8_t> single = synthetic_font_single(8, 16);
    ASSERT_EQ(fontx2_read(&font, single.data(), single.size(), single.size()), FONTX2_OK);
    EXPECT_EQ(fontx2_map_codes(&font, glyph.data(), nullptr), 256u);
    EXPECT_EQ(glyph[255], 255u);
}

TEST(Analysis, GlyphPixelsAndResultMessages) {
    const uint8_t glyph[] = {0x80, 0x01, 0x00, 0x40}; // 16 wide, 2 rows
    Fontx2Font font = {};
    font.glyph_row_bytes = 2;
    EXPECT_TRUE(fontx2_glyph_pixel(&font, glyph, 0, 0));
    EXPECT_FALSE(fontx2_glyph_pixel(&font, glyph, 1, 0));
    EXPECT_TRUE(fontx2_glyph_pixel(&font, glyph, 15, 0));
    EXPECT_TRUE(fontx2_glyph_pixel(&font, glyph, 9, 1));
    EXPECT_FALSE(fontx2_glyph_pixel(&font, glyph, 8, 1));
    for (int r = FONTX2_OK; r <= FONTX2_STOPPED; ++r)
        EXPECT_STRNE(fontx2_result_message(r), fontx2_result_message(-1)) << r;
    EXPECT_STREQ(fontx2_result_message(FONTX2_STOPPED + 1), "unknown result");
}

} // namespace
