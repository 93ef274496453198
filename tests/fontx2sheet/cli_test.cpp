// fontx2sheet's findings, exit statuses and lookups on crafted fonts.
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "fontx2/fontx2_writer.h"
#include "tests/support/synthetic_fonts.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

LoadedFont loaded_from(const std::vector<uint8_t> &bytes) {
    LoadedFont loaded;
    loaded.path = "crafted";
    loaded.bytes = bytes;
    EXPECT_TRUE(parse_font(&loaded));
    return loaded;
}

// The finding of a kind, or an empty one.
Finding finding(const std::vector<uint8_t> &bytes, const char *kind) {
    LoadedFont loaded = loaded_from(bytes);
    for (const Finding &f : find_findings(&loaded.font, loaded.layout.get()))
        if (f.kind == kind) return f;
    return Finding{"", "", false};
}

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

TEST(Findings, OneCraftedFontPerProblem) {
    std::vector<uint8_t> single = synthetic_font_single(8, 16); // 17 + 256 * 16 bytes
    Finding f = finding(cut(single, 12), "header-cut");
    EXPECT_TRUE(f.problem);
    EXPECT_NE(f.message.find("needs 17 bytes, the file has 12"), std::string::npos) << f.message;
    // Glyph 0x41 is the first not wholly there.
    f = finding(cut(single, 17 + 0x41 * 16 + 15), "glyphs-cut");
    EXPECT_TRUE(f.problem);
    EXPECT_NE(f.message.find("from code 0x41 on"), std::string::npos) << f.message;
    EXPECT_NE(f.message.find("(191 of 256)"), std::string::npos) << f.message;

    std::vector<uint8_t> blocks = synthetic_font_blocks(8, 8, {{0x8140, 0x817E}, {0x8240, 0x8250}});
    f = finding(cut(blocks, 18 + 4 + 3), "table-cut");
    EXPECT_TRUE(f.problem);
    EXPECT_NE(f.message.find("blocks 1 to 1 are missing"), std::string::npos) << f.message;

    f = finding(synthetic_font_blocks(8, 8, {{0x8140, 0x817E}, {0x8250, 0x8240}}),
                "block-inverted");
    EXPECT_NE(f.message.find("block 1: its last code 0x8240 is below its first 0x8250"),
              std::string::npos)
        << f.message;
    f = finding(synthetic_font_blocks(8, 8, {{0x8240, 0x8260}, {0x8140, 0x8250}}),
                "blocks-overlap");
    EXPECT_NE(f.message.find("blocks 0 and 1 both hold 0x8240-0x8250; block 0"), std::string::npos)
        << f.message;
    std::vector<uint8_t> flat = single;
    flat[14] = 0; // glyph width
    EXPECT_TRUE(finding(flat, "zero-size").problem);
}

TEST(Findings, NotesAreNoProblems) {
    std::vector<uint8_t> single = synthetic_font_single(8, 16);
    single.insert(single.end(), 5, 0);
    Finding f = finding(single, "trailing-bytes");
    EXPECT_FALSE(f.problem);
    EXPECT_NE(f.message.find("5 bytes follow"), std::string::npos) << f.message;

    f = finding(synthetic_font_blocks(8, 8, {{0x0020, 0x007E}, {0x3040, 0x30FF}}), "code-order");
    EXPECT_FALSE(f.problem);
    EXPECT_NE(f.message.find("only 0 of the 287 codes"), std::string::npos) << f.message;

    std::vector<uint8_t> glyphs(256 * 16, 0xFF);
    std::fill(glyphs.begin(), glyphs.begin() + 0x20 * 16, 0);
    std::fill(glyphs.begin() + 0x7F * 16, glyphs.begin() + 0x80 * 16, 0);
    LoadedFont loaded = loaded_from(fontx2_write_single("BLANKS", 8, 16, glyphs));
    std::vector<Finding> all = find_findings(&loaded.font, loaded.layout.get());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].message, "codes 0x00-0x1F are blank");
    EXPECT_EQ(all[1].message, "code 0x7F is blank");

    f = finding(synthetic_font_blocks(8, 8, synthetic_many_ranges(300, true)), "count-wrapped");
    EXPECT_FALSE(f.problem);
    EXPECT_EQ(f.message,
              "the count byte says 44; the table holds 300 blocks, and they fill the file exactly");
}

struct ExitStatus : ::testing::Test {
    void SetUp() override {
        std::vector<uint8_t> good = synthetic_font_single(8, 16);
        write_bytes(tmp("gg_good.fnt"), good);
        write_bytes(tmp("gg_cut.fnt"), cut(good, 1000));
        write_bytes(tmp("gg_text.txt"), {'h', 'e', 'l', 'l', 'o'});
        good[15] = 0; // glyph height 0: nothing to draw
        write_bytes(tmp("gg_flat.fnt"), good);
        unlink(tmp("gg_out.png").c_str());
    }
    void TearDown() override {
        for (const char *f :
             {"gg_good.fnt", "gg_cut.fnt", "gg_text.txt", "gg_flat.fnt", "gg_out.png"})
            unlink(tmp(f).c_str());
    }
};

TEST_F(ExitStatus, TheHighestOverAllFiles) {
    EXPECT_EQ(run_sheet({"inspect", tmp("gg_good.fnt")}), 0);
    EXPECT_EQ(run_sheet({"inspect", tmp("gg_good.fnt"), tmp("gg_cut.fnt")}), 1);
    EXPECT_EQ(run_sheet({"inspect", tmp("gg_cut.fnt"), tmp("gg_missing.fnt"), tmp("gg_good.fnt")}),
              2);
    EXPECT_EQ(run_sheet({"inspect", "--json", scratch_dir(), tmp("gg_text.txt")}), 2);
}

TEST_F(ExitStatus, RenderWritesWholeOrNothing) {
    EXPECT_EQ(run_sheet({"render", tmp("gg_cut.fnt"), "-o", tmp("gg_out.png")}), 0); // a warning
    EXPECT_EQ(unlink(tmp("gg_out.png").c_str()), 0);
    EXPECT_EQ(run_sheet({"render", tmp("gg_cut.fnt"), "-o", tmp("gg_out.png"), "--strict"}), 1);
    EXPECT_EQ(run_sheet({"render", tmp("gg_flat.fnt"), "-o", tmp("gg_out.png")}), 1);
    EXPECT_EQ(run_sheet({"render", tmp("gg_text.txt"), "-o", tmp("gg_out.png")}), 2);
    // 128 x 256 pixels, labelled 144 x 263.
    EXPECT_EQ(
        run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--max-pixels", "32767"}),
        3);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--labels",
                         "--max-pixels", "37871"}),
              3);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_no_such_dir/x.png")}), 3);
    EXPECT_NE(access(tmp("gg_out.png").c_str(), F_OK), 0);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--labels",
                         "--max-pixels", "37872"}),
              0);
}

TEST_F(ExitStatus, UsageErrors) {
    EXPECT_EQ(run_sheet({}), 64);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt")}), 64); // no -o
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--composite",
                         "--ink", "FFFFFF"}),
              64);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--ink", "FFFFF"}),
              64);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--composite",
                         "--settings", "00"}),
              64);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--order", "utf8"}),
              64);
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt")}), 64);
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt"), "0x10000"}), 64);
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt"), "--text", "\xC3"}), 64);
    EXPECT_NE(access(tmp("gg_out.png").c_str(), F_OK), 0);
}

TEST(Lookup, GlyphsPastTheEndAndCharactersWithoutCodes) {
    std::vector<uint8_t> font = synthetic_font_blocks(8, 2, {{0x8140, 0x817E}, {0x889F, 0x88FC}});
    LoadedFont loaded = loaded_from(cut(font, font.size() - 1));
    bool found = false;
    LookupCode code;
    ASSERT_TRUE(parse_code_argument("0x8141", &code));
    // Glyph 1 of the synthetic font, row by row.
    uint8_t glyph[2];
    synthetic_code_glyph(1, 8, 2, glyph);
    std::string rows;
    for (uint8_t byte : glyph) {
        rows += "  ";
        for (int bit = 7; bit >= 0; --bit) rows += byte >> bit & 1 ? '#' : '.';
        rows += "\n";
    }
    EXPECT_EQ(lookup_text(loaded, code, &found),
              "0x8141: block 0, glyph 1, offset 28 (0x1C)\n" + rows);
    EXPECT_TRUE(found);
    ASSERT_TRUE(parse_code_argument("35068", &code)); // 0x88FC, the last glyph: cut
    EXPECT_NE(lookup_text(loaded, code, &found).find("past the end of the file"),
              std::string::npos);
    EXPECT_FALSE(found);
    ASSERT_TRUE(parse_code_argument("0x8200", &code));
    EXPECT_EQ(lookup_text(loaded, code, &found), "0x8200: no block holds it\n");
    // U+00FC has no CP932 code; U+4E9C is 0x889F (the first cell of row 16).
    std::vector<LookupCode> codes = character_codes(loaded, 0xFC);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_NE(lookup_text(loaded, codes[0], &found).find("no code in the font's code set (CP932)"),
              std::string::npos);
    codes = character_codes(loaded, 0x4E9C);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0].code, 0x889Fu);
}

TEST(Lookup, OwnCodeOrderFontsTakeUtf16Units) {
    LoadedFont loaded =
        loaded_from(synthetic_font_blocks(8, 8, {{0xD83D, 0xD83D}, {0xDE00, 0xDE4F}}));
    std::vector<LookupCode> codes = character_codes(loaded, 0x1F600);
    ASSERT_EQ(codes.size(), 2u);
    EXPECT_EQ(codes[0].code, 0xD83Du);
    EXPECT_EQ(codes[1].code, 0xDE00u);
}

} // namespace
