// fontx2sheet fix: a rewritten font gives the count-trusting reader every
// glyph the project's reader finds in the original, code by code.
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/fix.h"
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "fontx2/fontx2_writer.h"
#include "tests/support/crafted_fonts.h"
#include "tests/support/synthetic_fonts.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <map>
#include <string.h>
#include <unistd.h>

namespace {

// Fixes bytes and checks the property code by code; the kinds of change
// with their counts.
std::map<std::string, uint64_t> expect_fixed(const std::vector<uint8_t> &bytes,
                                             FixResult *out = nullptr) {
    Fontx2Font in, fixed;
    EXPECT_EQ(fontx2_read(&in, bytes.data(), bytes.size(), bytes.size()), FONTX2_OK);
    FixResult r;
    EXPECT_EQ(fix_font(&in, &r), FIX_WRITTEN);
    const std::vector<uint8_t> &w = r.written.bytes;
    EXPECT_EQ(fontx2_read(&fixed, w.data(), w.size(), w.size()), FONTX2_OK);
    EXPECT_EQ(fixed.expected_size, w.size());
    EXPECT_EQ(memcmp(fixed.name, in.name, 8), 0);
    // Only codes some entry holds can be found; a lookup of any other code
    // would walk the whole table for nothing.
    std::vector<uint8_t> held(in.double_byte ? 0x10000 : 256, !in.double_byte);
    Fontx2Block b = {};
    while (in.double_byte && fontx2_next_block(&in, &b)) {
        for (uint32_t code = b.first_code; b.at_hand && code <= b.last_code; ++code) held[code] = 1;
    }
    uint32_t found = 0;
    for (uint32_t code = 0; code < held.size(); ++code) {
        Fontx2Glyph ours, device;
        if (!held[code] || !fontx2_lookup(&in, code, &ours)) continue;
        ++found;
        EXPECT_TRUE(fontx2_device_lookup(&fixed, code, &device));
        if (!device.bitmap || memcmp(device.bitmap, ours.bitmap, in.glyph_bytes) != 0) {
            ADD_FAILURE() << "code " << std::hex << code;
            break;
        }
    }
    EXPECT_EQ(found, r.glyphs.codes.size());
    std::map<std::string, uint64_t> kinds;
    for (const FixChange &c : r.changes) kinds[c.kind] = c.count;
    if (out) *out = r;
    return kinds;
}

using Kinds = std::map<std::string, uint64_t>;

// Every crafted font is repaired; the changes name what was done.
TEST(Fix, CraftedFonts) {
    const std::vector<CraftedFont> all = crafted_fonts();
    for (const CraftedFont &c : all) {
        SCOPED_TRACE(c.name);
        Fontx2Font in;
        ASSERT_EQ(fontx2_read(&in, c.bytes.data(), c.bytes.size(), c.bytes.size()), FONTX2_OK);
        FixResult r;
        if (fix_font(&in, &r) == FIX_NO_GLYPHS) continue;
        expect_fixed(c.bytes);
        Fontx2Font out;
        const std::vector<uint8_t> &w = r.written.bytes;
        ASSERT_EQ(fontx2_read(&out, w.data(), w.size(), w.size()), FONTX2_OK);
        Fontx2Analysis a;
        fontx2_analyse(&out, &a);
        for (const Fontx2Finding &f : a.findings) EXPECT_FALSE(fontx2_kinds[f.kind].fixable);
    }
    auto kinds = [&](const char *name, FixResult *r = nullptr) {
        return expect_fixed(crafted_font(all, name).bytes, r);
    };
    FixResult r;
    EXPECT_EQ(kinds("padding", &r), (Kinds{{"padding-blocks", 199}}));
    EXPECT_EQ(r.glyphs.codes.back(), 0xFFFFu);
    EXPECT_EQ(r.written.blocks, 2u);
    EXPECT_EQ(kinds("overlap"), (Kinds{{"blocks-overlap", 1}, {"table-unsorted", 1}}));
    // One later block losing codes to two earlier ones is one block changed.
    EXPECT_EQ(kinds("overlap two"), (Kinds{{"blocks-overlap", 1}, {"table-unsorted", 1}}));
    EXPECT_EQ(kinds("inverted"), (Kinds{{"block-inverted", 1}}));
    EXPECT_EQ(kinds("double cut", &r), (Kinds{{"glyphs-cut", 1}}));
    EXPECT_EQ(r.glyphs.codes.back(), 0x81FBu);
    EXPECT_EQ(kinds("double short of a glyph"), (Kinds{{"trailing-bytes", 15}}));
    EXPECT_EQ(kinds("double"), Kinds{});
    // A single-byte font keeps 256 glyphs: those cut off become blank.
    EXPECT_EQ(kinds("single cut", &r), (Kinds{{"glyphs-cut", 256 - 0x41}}));
    EXPECT_EQ(r.written.bytes.size(), 17u + 256 * 16);
    EXPECT_EQ(r.written.blank_glyphs, 256u - 0x41);
    // Glyphs of 0 pixels: nothing to keep, whatever follows the table.
    std::vector<uint8_t> font = synthetic_font_blocks(8, 8, {{0x8140, 0x817E}});
    font[FONTX2_AT_WIDTH] = 0;
    Fontx2Font flat;
    ASSERT_EQ(fontx2_read(&flat, font.data(), font.size(), font.size()), FONTX2_OK);
    EXPECT_EQ(fix_font(&flat, &r), FIX_NO_GLYPHS);
}

// The wrapped-count fonts of the reading tests: 300 blocks merge into fewer
// runs; 4,000 blocks of about 2,000 runs close the 1,745 smallest gaps.
TEST(Fix, WrappedCounts) {
    FixResult r;
    for (bool jis : {true, false}) {
        for (uint32_t blocks : {300u, 4000u}) {
            SCOPED_TRACE(std::to_string(blocks) + (jis ? " JIS" : " own order"));
            std::vector<uint8_t> font =
                synthetic_font_blocks(8, 7, synthetic_many_ranges(blocks, jis));
            Kinds kinds = expect_fixed(font, &r);
            EXPECT_EQ(kinds["count-wrapped"], 1u);
            EXPECT_LE(r.written.blocks, 255u);
            EXPECT_EQ(kinds.count("blocks-merged"), r.runs > 255 ? 1u : 0u) << r.runs;
            if (r.runs > 255) {
                EXPECT_EQ(kinds["blocks-merged"], r.written.blank_glyphs);
            }
        }
    }
    EXPECT_EQ(r.runs, 2000u);
    EXPECT_EQ(r.written.blank_glyphs, 1745u);
}

TEST(Fix, RealFontsNeedNoChange) {
    SKIP_WITHOUT_FONTS(dir);
    for (const auto &real : test_real_fonts()) {
        SCOPED_TRACE(real.first);
        FixResult r;
        EXPECT_EQ(expect_fixed(real.second, &r), Kinds{});
        EXPECT_EQ(r.written.bytes, real.second); // written anyway, byte for byte
    }
}

// What inspect sends to fix, fix repairs: the finding names it, and the
// rewrite has none left (glyphs no block reaches are dropped, not recovered).
TEST(Fix, FindingsThatNameFix) {
    const std::vector<Fontx2Range> rows = {{0x8140, 0x817E}, {0x8180, 0x81FC}};
    std::vector<Fontx2Range> padded(rows);
    padded.insert(padded.end(), 3, Fontx2Range{0x8140, 0x8140});
    std::vector<uint8_t> unreached = synthetic_font_blocks(8, 8, rows);
    unreached.insert(unreached.end(), 3 * 8, 0x18);
    const struct {
        const char *kind;
        std::vector<uint8_t> font;
    } cases[] = {
        {"count-wrapped", synthetic_font_blocks(8, 7, synthetic_many_ranges(300, true))},
        {"padding-blocks", synthetic_font_blocks(8, 8, padded)},
        {"blocks-overlap", synthetic_font_blocks(8, 8, {{0x8240, 0x8260}, {0x8140, 0x8250}})},
        {"glyphs-unreached", unreached},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        LoadedFont in;
        in.bytes = c.font;
        ASSERT_TRUE(parse_font(&in));
        bool named = false;
        for (const Finding &f : find_findings(&in.font, in.layout.get()))
            named |= f.kind == c.kind && f.message.find("'fontx2sheet fix'") != std::string::npos;
        EXPECT_TRUE(named);
        FixResult r;
        ASSERT_EQ(fix_font(&in.font, &r), FIX_WRITTEN);
        LoadedFont out;
        out.bytes = r.written.bytes;
        ASSERT_TRUE(parse_font(&out));
        for (const Finding &f : find_findings(&out.font, out.layout.get()))
            EXPECT_FALSE(f.problem || f.kind == c.kind) << f.kind << ": " << f.message;
    }
}

struct FixCommand : ::testing::Test {
    std::vector<uint8_t> wrapped = synthetic_font_blocks(8, 7, synthetic_many_ranges(300, true));
    void SetUp() override {
        write_bytes(tmp("gg_fix_wrapped.fnt"), wrapped);
        write_bytes(tmp("gg_fix_good.fnt"), synthetic_font_single(8, 16));
        write_bytes(tmp("gg_fix_empty.fnt"), synthetic_font_blocks(8, 8, {{0x8250, 0x8240}}));
        unlink(tmp("gg_fix_out.fnt").c_str());
    }
    void TearDown() override {
        for (const char *f : {"gg_fix_wrapped.fnt", "gg_fix_good.fnt", "gg_fix_empty.fnt",
                              "gg_fix_out.fnt", "gg_fix_link.fnt"})
            unlink(tmp(f).c_str());
    }
};

TEST_F(FixCommand, TheReportCountsWhatWasWritten) {
    // A block given twice: written once, 17 codes in 1 block.
    write_bytes(tmp("gg_fix_twice.fnt"),
                synthetic_font_blocks(8, 8, {{0x8140, 0x8150}, {0x8140, 0x8150}}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_twice.fnt"), "-o", tmp("gg_fix_out.fnt")}), 0);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("written: 1 block, 17 glyphs (0 blank)"), std::string::npos) << said;
    unlink(tmp("gg_fix_twice.fnt").c_str());
}

TEST_F(FixCommand, WritesOnlyWhatNeedsFixing) {
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_wrapped.fnt"), "-o", tmp("gg_fix_out.fnt")}), 0);
    EXPECT_EQ(run_sheet({"inspect", tmp("gg_fix_out.fnt")}), 0);
    // A font that needs no change is copied byte for byte, over the previous output.
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_good.fnt"), "-o", tmp("gg_fix_out.fnt"), "--json"}), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("\"written\":true,\"copied\":true,"),
              std::string::npos);
    std::vector<uint8_t> good, copy;
    ASSERT_TRUE(test_read_file(tmp("gg_fix_good.fnt"), &good));
    ASSERT_TRUE(test_read_file(tmp("gg_fix_out.fnt"), &copy));
    EXPECT_EQ(copy, good);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_good.fnt"), "-o", "-"}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(good.begin(), good.end()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("standard output: no change"),
              std::string::npos);
    EXPECT_EQ(unlink(tmp("gg_fix_out.fnt").c_str()), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_empty.fnt"), "-o", tmp("gg_fix_out.fnt")}), 1);
    // Glyphs of 8 x 8 pixels, none held: the reason is the codes, not the size.
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no code has a whole glyph"),
              std::string::npos);
    EXPECT_NE(access(tmp("gg_fix_out.fnt").c_str(), F_OK), 0);
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_good.fnt"), "-o", tmp("gg_fix_out.fnt"), "--force"}),
              0);
    EXPECT_EQ(access(tmp("gg_fix_out.fnt").c_str(), F_OK), 0);
    // The input by another name is refused, and stays as it was.
    ASSERT_EQ(link(tmp("gg_fix_wrapped.fnt").c_str(), tmp("gg_fix_link.fnt").c_str()), 0);
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_wrapped.fnt"), "-o", tmp("gg_fix_link.fnt")}), 64);
    std::vector<uint8_t> after;
    ASSERT_TRUE(test_read_file(tmp("gg_fix_wrapped.fnt"), &after));
    EXPECT_EQ(after, wrapped);
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_missing.fnt"), "-o", tmp("gg_fix_out.fnt")}), 2);
    EXPECT_EQ(run_sheet({"fix", tmp("gg_fix_good.fnt")}), 64);
}

} // namespace
