// fontx2sheet's findings, exit statuses and lookups on crafted fonts.
#include "fontx2sheet/code_set.h"
#include "fontx2sheet/files.h"
#include "fontx2sheet/findings.h"
#include "fontx2sheet/inspect.h"
#include "fontx2sheet/lookup.h"
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "fontx2/fontx2_writer.h"
#include "tests/support/crafted_fonts.h"
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

// The worded finding of a kind in a crafted font, or an empty one.
Finding finding(const std::vector<CraftedFont> &all, const char *name, const char *kind) {
    LoadedFont loaded = loaded_from(crafted_font(all, name).bytes);
    for (const Finding &f : find_findings(&loaded.font, loaded.layout.get()))
        if (f.kind == kind) return f;
    return Finding{"", "", false, 0, {}};
}

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

// The analysis's numbers, codes and places in inspect's words.
TEST(Findings, WordedWithTheirNumbersAndPlaces) {
    const std::vector<CraftedFont> all = crafted_fonts();
    const struct {
        const char *font, *kind, *words;
    } cases[] = {
        {"header cut", "header-cut", "needs 17 bytes, the file has 12"},
        {"single cut", "glyphs-cut", "glyphs from code 0x41 on are missing (191 of 256)"},
        {"table cut", "table-cut", "blocks 1 to 1 are missing"},
        {"zero width", "zero-size", "the glyphs are 0 x 16 pixels"},
        {"count wrapped", "count-wrapped", "the count byte says 44; the table holds 300 blocks"},
        {"count wrapped", "count-wrapped", "first 44 entries and take every glyph 1,024 bytes"},
        {"flipped single", "glyphs-unreached", "exactly the size of a single-byte font of 8 x 16"},
        {"double three glyphs over", "glyphs-unreached", "they hold 3 whole glyphs"},
        {"single trailing", "trailing-bytes", "5 bytes follow the last glyph"},
        {"padding", "padding-blocks", "the table ends in 199 entries"},
        {"overlap", "table-unsorted", "1 blocks begin below"},
        {"low codes", "low-codes", "1 code below 0x100 in a double-byte font: display drivers'"},
    };
    for (const auto &c : cases) {
        Finding f = finding(all, c.font, c.kind);
        EXPECT_NE(f.message.find(c.words), std::string::npos) << c.font << ": " << f.message;
    }
    EXPECT_EQ(finding(all, "double three glyphs over", "glyphs-unreached").message.find("single"),
              std::string::npos);
    const struct {
        const char *font, *kind, *instance;
    } places[] = {
        {"inverted", "block-inverted",
         "block 1: its last code 0x8240 is below its first 0x8250, so it holds no code"},
        {"overlap", "blocks-overlap",
         "blocks 0 and 1 both hold 0x8240-0x8250; block 0 (earlier in the table) wins"},
        {"overlap at one code", "blocks-overlap",
         "blocks 0 and 1 both hold 0x8150; block 0 (earlier in the table) wins"},
        {"padding", "padding-blocks", "block 2: 0xFFFF"},
        {"blanks", "blank-range", "code 0x21 is blank"},
    };
    for (const auto &p : places)
        EXPECT_EQ(finding(all, p.font, p.kind).instances.at(0), p.instance) << p.font;
    EXPECT_EQ(finding(all, "overlap two", "blocks-overlap").instances.at(1),
              "blocks 1 and 2 both hold 0x0030-0x0038; block 1 (earlier in the table) wins");
}

TEST(Findings, JsonCarriesSeverityCountAndEveryInstance) {
    auto json = [](const std::vector<uint8_t> &bytes) {
        LoadedFont loaded = loaded_from(bytes);
        return inspect_json(loaded, find_findings(&loaded.font, loaded.layout.get()));
    };
    std::string j = json(synthetic_font_blocks(8, 8, synthetic_many_ranges(300, true)));
    EXPECT_NE(j.find("\"signature\":\"FONTX2\""), std::string::npos);
    EXPECT_NE(j.find("{\"kind\":\"count-wrapped\",\"severity\":\"problem\",\"count\":1,"),
              std::string::npos)
        << j;
    EXPECT_NE(json(synthetic_font_blocks(8, 8, {}))
                  .find("\"kind\":\"no-glyphs\",\"severity\":"
                        "\"problem\",\"count\":1,"),
              std::string::npos);
    std::vector<Fontx2Range> ranges = {{0x20, 0x7E}};
    ranges.insert(ranges.end(), 20, Fontx2Range{0xFFFF, 0xFFFF});
    j = json(synthetic_font_blocks(8, 8, ranges));
    EXPECT_NE(j.find("\"kind\":\"padding-blocks\",\"severity\":\"note\",\"count\":19,"),
              std::string::npos)
        << j;
    EXPECT_NE(j.find("\"block 20: 0xFFFF\"]"), std::string::npos) << j; // the last, not cut short
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
    EXPECT_EQ(run_sheet({"text", tmp("gg_good.fnt"), "--text", "A", "--ascii", "--wrap", "word"}),
              64); // nothing to wrap at without --width
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt")}), 64);
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt"), "0x10000"}), 64);
    EXPECT_EQ(run_sheet({"lookup", tmp("gg_good.fnt"), "--text", "\xC3"}), 64);
    EXPECT_NE(access(tmp("gg_out.png").c_str(), F_OK), 0);
    EXPECT_EQ(run_sheet({"rendr", tmp("gg_good.fnt"), "-o", tmp("gg_out.png")}), 64);
    EXPECT_EQ(
        run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--max-pixels", "0"}),
        64);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--scale", "17"}),
              64);
    EXPECT_NE(access(tmp("gg_out.png").c_str(), F_OK), 0);
    EXPECT_EQ(run_sheet({"--version"}), 0);
    EXPECT_EQ(
        run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--ink", "#00ff00"}), 0);
    EXPECT_EQ(run_sheet({"render", tmp("gg_good.fnt"), "-o", tmp("gg_out.png"), "--order", "JIS"}),
              0); // words in any letter case
}

TEST(Lookup, Utf8EndsAtTheLastScalar) {
    std::vector<uint32_t> scalars;
    EXPECT_TRUE(utf8_decode("\xF4\x8F\xBF\xBF", &scalars)); // U+10FFFF
    EXPECT_EQ(scalars, std::vector<uint32_t>{0x10FFFF});
    EXPECT_FALSE(utf8_decode("\xF4\x90\x80\x80", &scalars)); // one past it
    scalars.clear();
    EXPECT_TRUE(utf8_decode("\xE0\xA0\x80", &scalars)); // U+0800: the first of three bytes
    EXPECT_EQ(scalars, std::vector<uint32_t>{0x800});
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
    // 94 + 63 glyphs of 2 bytes after 18 + 8 bytes of header and table.
    EXPECT_NE(lookup_text(loaded, code, &found)
                  .find("past the end of the file (it needs bytes 338 to 339, the file has 339)"),
              std::string::npos)
        << lookup_text(loaded, code, &found);
    EXPECT_FALSE(found);
    // Ending exactly at the end of the file, it is present.
    LoadedFont whole = loaded_from(font);
    EXPECT_NE(lookup_text(whole, code, &found).find("offset 338 (0x152)\n"), std::string::npos);
    EXPECT_TRUE(found);
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
    // A single-byte font's codes end at 0xFF: in UTF-16BE U+00FF has one, U+0100 none.
    LoadedFont single = loaded_from(synthetic_font_single(8, 16));
    EXPECT_FALSE(character_codes(single, 0xFF, "UTF-16BE")[0].no_code);
    EXPECT_TRUE(character_codes(single, 0x100, "UTF-16BE")[0].no_code);
}

TEST(Lookup, OwnCodeOrderFontsTakeUtf16UnitsOfThePlaneTheyHold) {
    LoadedFont loaded =
        loaded_from(synthetic_font_blocks(8, 8, {{0xD83D, 0xD83D}, {0xDE00, 0xDE4F}}));
    std::vector<LookupCode> codes = character_codes(loaded, 0x1F600);
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_TRUE(codes[0].no_code);
    bool found = true;
    EXPECT_NE(lookup_text(loaded, codes[0], &found).find("outside the Basic Multilingual Plane"),
              std::string::npos);
    EXPECT_EQ(character_codes(loaded, 0x3042)[0].code, 0x3042u);
}

TEST(Lookup, EncodingNamesTheFontsCodeSet) {
    std::vector<uint8_t> glyphs(256 * 16, 0xFF);
    LoadedFont latin = loaded_from(fontx2_write_single("LATIN1", 8, 16, glyphs));
    // é: 0xE9 in Latin-1; without an encoding CP932 has no code for it.
    std::vector<LookupCode> codes = character_codes(latin, 0xE9, "ISO-8859-1");
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_FALSE(codes[0].no_code);
    EXPECT_EQ(codes[0].code, 0xE9u);
    EXPECT_TRUE(character_codes(latin, 0xE9)[0].no_code);
    EXPECT_TRUE(character_codes(latin, 0x65E5, "ISO-8859-1")[0].no_code);
    // Two bytes give first x 256 + second.
    LoadedFont jis = loaded_from(synthetic_font_blocks(8, 2, {{0xC6FC, 0xC6FC}}));
    EXPECT_EQ(character_codes(jis, 0x65E5, "EUC-JP")[0].code, 0xC6FCu); // 日
    // UTF-16 with its byte-order mark is four bytes: no code.
    EXPECT_TRUE(character_codes(jis, 0x41, "UTF-16")[0].no_code);
    EXPECT_EQ(run_sheet({"lookup", "x.fnt", "0x41", "--encoding", "NO-SUCH-SET"}), 64);
}

} // namespace
