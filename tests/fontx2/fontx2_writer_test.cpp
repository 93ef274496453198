#include "fontx2/fontx2.h"
#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>

namespace {

// Codes of runs[i] consecutive codes each, run i + 1 starting gaps[i] codes
// after run i ends.
std::vector<uint32_t> runs_of(const std::vector<uint32_t> &lengths,
                              const std::vector<uint32_t> &gaps, uint32_t first = 0x100) {
    std::vector<uint32_t> codes;
    uint32_t code = first;
    for (size_t i = 0; i < lengths.size(); ++i) {
        for (uint32_t k = 0; k < lengths[i]; ++k) codes.push_back(code++);
        if (i < gaps.size()) code += gaps[i];
    }
    return codes;
}

uint64_t blank_codes(const std::vector<Fontx2Range> &blocks, size_t codes) {
    uint64_t total = 0;
    for (const Fontx2Range &b : blocks) total += b.last_code - b.first_code + 1u;
    return total - codes;
}

TEST(Fontx2PlanBlocks, RunsBecomeBlocksUpTo255) {
    std::vector<uint32_t> lengths(255, 2), gaps(254, 3);
    gaps[100] = 1;
    std::vector<uint32_t> codes = runs_of(lengths, gaps);
    std::vector<Fontx2Range> blocks = fontx2_plan_blocks(codes, 255);
    ASSERT_EQ(blocks.size(), 255u);
    EXPECT_EQ(blank_codes(blocks, codes.size()), 0u);
    EXPECT_EQ(blocks[101].first_code, blocks[100].last_code + 2);
    // A 256th run closes the smallest gap, the lower of two equal ones.
    lengths.push_back(1);
    gaps.push_back(1);
    codes = runs_of(lengths, gaps);
    blocks = fontx2_plan_blocks(codes, 255);
    ASSERT_EQ(blocks.size(), 255u);
    EXPECT_EQ(blocks[100].last_code, codes[2 * 102 - 1]); // runs 100 and 101 merged
    EXPECT_EQ(blocks[254].first_code, codes.back());
    EXPECT_EQ(blank_codes(blocks, codes.size()), 1u);
    EXPECT_EQ(fontx2_plan_blocks(codes, 1000).size(), 255u); // a count byte's most
    EXPECT_TRUE(fontx2_plan_blocks(codes, 0).empty());
    EXPECT_TRUE(fontx2_plan_blocks({}, 255).empty());
    EXPECT_TRUE(fontx2_plan_blocks({5, 5}, 255).empty());
}

// Against every choice of gaps to close: the plan leaves the fewest blank
// glyphs, equal to the gaps it closed.
TEST(Fontx2PlanBlocks, FewestBlankGlyphs) {
    TestRandom random(30);
    for (int round = 0; round < 200; ++round) {
        const uint32_t runs = 2 + random.below(9), most = 1 + random.below(runs);
        std::vector<uint32_t> lengths, gaps;
        for (uint32_t i = 0; i < runs; ++i) lengths.push_back(1 + random.below(3));
        for (uint32_t i = 1; i < runs; ++i) gaps.push_back(1 + random.below(5));
        std::vector<uint32_t> codes = runs_of(lengths, gaps);
        std::vector<Fontx2Range> blocks = fontx2_plan_blocks(codes, most);
        uint64_t best = UINT64_MAX;
        for (uint32_t set = 0; set < (1u << (runs - 1)); ++set) {
            if ((uint32_t)__builtin_popcount(set) != runs - most) continue;
            uint64_t sum = 0;
            for (uint32_t i = 0; i + 1 < runs; ++i) sum += set >> i & 1 ? gaps[i] : 0;
            best = std::min(best, sum);
        }
        ASSERT_EQ(blocks.size(), most);
        ASSERT_EQ(blank_codes(blocks, codes.size()), best) << "round " << round;
        ASSERT_EQ(blocks.front().first_code, codes.front());
        ASSERT_EQ(blocks.back().last_code, codes.back());
    }
}

Fontx2Glyphs glyphs_of(const std::vector<uint32_t> &codes, uint8_t width, uint8_t height,
                       bool double_byte) {
    Fontx2Glyphs g;
    memcpy(g.name, "WRITER  ", 8);
    g.width = width;
    g.height = height;
    g.double_byte = double_byte;
    g.codes = codes;
    const uint32_t bytes = fontx2_glyph_bytes(width, height);
    g.bitmaps.resize(codes.size() * bytes);
    for (size_t i = 0; i < codes.size(); ++i)
        synthetic_code_glyph(codes[i], width, height, &g.bitmaps[i * bytes]);
    return g;
}

// Every given code reads its glyph with both readers; codes of closed gaps
// read blank.
TEST(Fontx2WriteFont, BothReadersReadWhatWasWritten) {
    std::vector<uint32_t> gaps(299);
    for (uint32_t i = 0; i < gaps.size(); ++i) gaps[i] = 1 + i % 7;
    const Fontx2Glyphs g = glyphs_of(runs_of(std::vector<uint32_t>(300, 3), gaps), 12, 7, true);
    Fontx2Written w;
    ASSERT_TRUE(fontx2_write_font(g, 255, &w));
    EXPECT_EQ(w.blocks, 255u);
    EXPECT_EQ(w.glyphs, g.codes.size() + w.blank_glyphs);
    EXPECT_EQ(w.blank_glyphs, 47u); // 43 gaps of one code and 2 of two closed
    Fontx2Font font;
    ASSERT_EQ(fontx2_read(&font, w.bytes.data(), w.bytes.size(), w.bytes.size()), FONTX2_OK);
    EXPECT_EQ(font.declared_blocks, 255u);
    EXPECT_EQ(font.expected_size, w.bytes.size());
    for (size_t i = 0; i < g.codes.size(); ++i) {
        Fontx2Glyph ours, device;
        ASSERT_TRUE(fontx2_lookup(&font, g.codes[i], &ours));
        ASSERT_TRUE(fontx2_device_lookup(&font, g.codes[i], &device));
        ASSERT_EQ(memcmp(ours.bitmap, &g.bitmaps[i * 14], 14), 0) << g.codes[i];
        ASSERT_EQ(ours.offset, device.offset);
    }
    Fontx2Glyph blank;
    ASSERT_TRUE(fontx2_device_lookup(&font, g.codes[2] + 1, &blank)); // gap 0 closed
    EXPECT_EQ(std::vector<uint8_t>(blank.bitmap, blank.bitmap + 14), std::vector<uint8_t>(14, 0));
    uint32_t bad = 0;
    EXPECT_TRUE(fontx2_check_font(w.bytes, g, &bad));
}

TEST(Fontx2WriteFont, SingleByteAndRefusals) {
    const Fontx2Glyphs g = glyphs_of({0x20, 0x41, 0xFF}, 8, 16, false);
    Fontx2Written w;
    ASSERT_TRUE(fontx2_write_font(g, 0, &w));
    EXPECT_EQ(w.bytes.size(), 17u + 256 * 16);
    EXPECT_EQ(w.glyphs, 256u);
    EXPECT_EQ(w.blank_glyphs, 253u);
    EXPECT_EQ(memcmp(&w.bytes[17 + 0x41 * 16], &g.bitmaps[16], 16), 0);
    EXPECT_TRUE(fontx2_check_font(w.bytes, g, nullptr));
    Fontx2Glyphs bad = g;
    bad.codes = {0x20, 0x41, 0x100};
    EXPECT_FALSE(fontx2_write_font(bad, 255, &w));
    bad.codes = {0x41, 0x20, 0xFF};
    EXPECT_FALSE(fontx2_write_font(bad, 255, &w));
    bad = g;
    bad.bitmaps.pop_back();
    EXPECT_FALSE(fontx2_write_font(bad, 255, &w));
    bad.codes.clear();
    bad.bitmaps.clear();
    EXPECT_FALSE(fontx2_write_font(bad, 255, &w));
    bad = glyphs_of({0xFFFF, 0x10000}, 8, 8, true);
    EXPECT_FALSE(fontx2_write_font(bad, 255, &w));
    EXPECT_EQ(w.bytes.size(), 17u + 256 * 16); // untouched
}

// The check catches a changed glyph byte, a blank glyph that is not blank,
// and a count byte the device's readers would misread.
TEST(Fontx2CheckFont, CatchesACorruptedByte) {
    const Fontx2Glyphs g = glyphs_of({0x8140, 0x8141, 0x8143, 0x889F}, 16, 16, true);
    Fontx2Written w;
    ASSERT_TRUE(fontx2_write_font(g, 2, &w));
    ASSERT_EQ(w.blocks, 2u);
    const uint64_t glyphs_at = 18 + 4 * 2;
    uint32_t bad = 0;
    std::vector<uint8_t> bytes = w.bytes;
    bytes[glyphs_at + 3 * 32 + 31] ^= 1; // 0x8143, last byte
    EXPECT_FALSE(fontx2_check_font(bytes, g, &bad));
    EXPECT_EQ(bad, 0x8143u);
    bytes = w.bytes;
    bytes[glyphs_at + 2 * 32 + 5] = 0x80; // 0x8142, merged: must be blank
    EXPECT_FALSE(fontx2_check_font(bytes, g, &bad));
    EXPECT_EQ(bad, 0x8142u);
    bytes = w.bytes;
    bytes[FONTX2_AT_BLOCK_COUNT] = 1; // the glyphs then start 4 bytes early
    EXPECT_FALSE(fontx2_check_font(bytes, g, &bad));
    EXPECT_EQ(bad, 0x8140u);
    bytes = w.bytes;
    bytes[FONTX2_AT_HEIGHT] = 15;
    EXPECT_FALSE(fontx2_check_font(bytes, g, &bad));
    // The last glyph cut by a byte; a glyph no code is meant to have, not blank.
    bytes = w.bytes;
    bytes.pop_back();
    EXPECT_FALSE(fontx2_check_font(bytes, g, &bad));
    EXPECT_EQ(bad, 0x889Fu);
    EXPECT_FALSE(
        fontx2_check_font(w.bytes, glyphs_of({0x8140, 0x8141, 0x8143}, 16, 16, true), &bad));
    EXPECT_EQ(bad, 0x889Fu);
    // A glyph meant for a code no block holds: between blocks, or past the last.
    for (uint32_t extra : {0x8144u, 0x88A0u}) {
        std::vector<uint32_t> codes = {0x8140, 0x8141, 0x8143, 0x889F, extra};
        std::sort(codes.begin(), codes.end());
        EXPECT_FALSE(fontx2_check_font(w.bytes, glyphs_of(codes, 16, 16, true), &bad));
        EXPECT_EQ(bad, extra);
    }
}

} // namespace
