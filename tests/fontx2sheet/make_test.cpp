// fontx2sheet make: small BDF sources written here, fonts from Debian packages
// read from the system; every output read back as both kinds of reader read it.
#include "fontx2sheet_test_util.h"

#include "fontx2/fontx2.h"
#include "fontx2sheet/make.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

// A report holds a piece, shown whole when it does not.
#define EXPECT_HAS(json, piece) EXPECT_NE((json).find(piece), std::string::npos) << (json)
// A test of fonts read from the system skips where a package is missing.
#define SKIP_WITHOUT(package, ...)                                                                 \
    for (const char *needed : {__VA_ARGS__})                                                       \
        if (access(needed, R_OK) != 0) GTEST_SKIP() << package << " is not installed"

namespace {

struct BdfGlyph {
    uint32_t code;
    int dwidth, w, h, xoff, yoff;
    std::vector<uint32_t> rows; // each row's bits, leftmost pixel in bit w - 1
};

// A BDF text: registry "ISO10646", "JISX0208.1990" or another charset.
std::string bdf_text(const std::string &registry, int ascent, int descent,
                     const std::vector<BdfGlyph> &glyphs) {
    std::string t = "STARTFONT 2.1\nFONT -test-Tiny-medium-r-normal--8-80-75-75-c-80-" + registry +
                    "-1\nSIZE 8 75 75\nFONTBOUNDINGBOX 16 16 0 -4\nSTARTPROPERTIES 5\n"
                    "FAMILY_NAME \"Tiny Test Font\"\nFONT_ASCENT " +
                    std::to_string(ascent) + "\nFONT_DESCENT " + std::to_string(descent) +
                    "\nCHARSET_REGISTRY \"" + registry + "\"\nCHARSET_ENCODING \"" +
                    (registry == "JISX0208.1990" ? "0" : "1") + "\"\nENDPROPERTIES\nCHARS " +
                    std::to_string(glyphs.size()) + "\n";
    for (const BdfGlyph &g : glyphs) {
        char line[160];
        snprintf(line, sizeof line,
                 "STARTCHAR c%04X\nENCODING %u\nSWIDTH 500 0\nDWIDTH %d 0\nBBX %d %d %d %d\n"
                 "BITMAP\n",
                 g.code, g.code, g.dwidth, g.w, g.h, g.xoff, g.yoff);
        t += line;
        int bytes = (g.w + 7) / 8;
        for (uint32_t row : g.rows) {
            snprintf(line, sizeof line, "%0*X\n", 2 * bytes, row << (8 * bytes - g.w));
            t += line;
        }
        t += "ENDCHAR\n";
    }
    return t + "ENDFONT\n";
}

// A glyph of w x h pixels whose rows tell codes apart.
BdfGlyph pattern_glyph(uint32_t code, int w, int h, int xoff, int yoff) {
    BdfGlyph g{code, w, w, h, xoff, yoff, {}};
    for (int y = 0; y < h; ++y)
        g.rows.push_back((code * 2654435761u >> (y * 3 % 29)) & ((1u << w) - 1));
    return g;
}

// Pixel (x, y) of the cell the source's glyph is meant to fill: bitmap
// column xoff + i, row ascent - (yoff + h) + j.
bool meant_pixel(const BdfGlyph &g, int ascent, int x, int y) {
    int i = x - g.xoff, j = y - (ascent - (g.yoff + g.h));
    return i >= 0 && j >= 0 && i < g.w && j < g.h && (g.rows[j] >> (g.w - 1 - i) & 1);
}

class Make : public ::testing::Test {
  protected:
    std::string dir;
    void SetUp() override {
        char name[] = "/tmp/gg_make_XXXXXX";
        ASSERT_TRUE(mkdtemp(name));
        dir = name;
    }
    void TearDown() override { system(("rm -rf " + dir).c_str()); }
    std::string put(const std::string &name, const std::string &text) {
        write_bytes(dir + "/" + name, std::vector<uint8_t>(text.begin(), text.end()));
        return dir + "/" + name;
    }
    bool exists(const std::string &name) {
        struct stat st;
        return stat((dir + "/" + name).c_str(), &st) == 0;
    }
    std::vector<uint8_t> bytes(const std::string &name) {
        std::vector<unsigned char> b;
        test_read_file(dir + "/" + name, &b);
        return b;
    }
    // Runs make; returns its status and its JSON line in *json.
    int make(std::vector<std::string> args, std::string *json = nullptr) {
        args.insert(args.begin(), "make");
        args.push_back("--json");
        testing::internal::CaptureStdout();
        int status = run_sheet(args);
        std::string out = testing::internal::GetCapturedStdout();
        if (json) *json = out;
        return status;
    }
};

// Both readers give every code's glyph, equal to the source's bitmap placed.
void expect_glyphs(const std::vector<uint8_t> &bytes, const std::vector<BdfGlyph> &source,
                   int ascent, uint32_t width, uint32_t height, uint32_t (*code_of)(uint32_t key)) {
    Fontx2Font f;
    ASSERT_EQ(fontx2_read(&f, bytes.data(), bytes.size(), bytes.size()), FONTX2_OK);
    ASSERT_EQ(f.glyph_width, width);
    ASSERT_EQ(f.glyph_height, height);
    EXPECT_EQ(f.block_count, f.declared_blocks);
    EXPECT_EQ(f.expected_size, bytes.size());
    for (const BdfGlyph &g : source) {
        Fontx2Glyph own, device;
        uint32_t code = code_of(g.code);
        ASSERT_TRUE(fontx2_lookup(&f, code, &own)) << code;
        ASSERT_TRUE(fontx2_device_lookup(&f, code, &device)) << code;
        ASSERT_EQ(own.offset, device.offset) << code;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(own.bitmap[y * f.glyph_row_bytes + x / 8] >> (7 - x % 8) & 1,
                          meant_pixel(g, ascent, (int)x, (int)y))
                    << "code " << code << " pixel " << x << "," << y;
    }
}

uint32_t same(uint32_t key) {
    return key;
}

TEST_F(Make, MoreRunsThanBlocksMergeTheSmallestGaps) {
    // 300 runs of one code: 50 gaps of 1 blank code, 249 of 2. 255 blocks
    // close 45 of the gaps of 1; 9 blocks close all 50 and 241 gaps of 2.
    std::vector<BdfGlyph> glyphs;
    uint32_t code = 0x100;
    for (int i = 0; i < 300; ++i) {
        glyphs.push_back(pattern_glyph(code, 6, 8, 1, -2));
        code += i % 6 == 0 ? 2 : 3; // gaps of 1 blank code (50 of them) and of 2
    }
    std::string src = put("runs.bdf", bdf_text("ISO10646", 6, 2, glyphs)), json;
    ASSERT_EQ(make({src, "-o", dir + "/runs.fnt", "--width", "7"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"unicode\",\"width\":7,\"height\":8,\"glyphs_kept\":300,"
                     "\"blocks\":255,\"merged_glyphs\":45,\"pixels_cut\":0");
    expect_glyphs(bytes("runs.fnt"), glyphs, 6, 7, 8, same);
    // One block fewer closes one gap more: the lowest of the gaps of 2 codes.
    ASSERT_EQ(make({src, "-o", dir + "/runs.fnt", "--max-blocks", "9"}, &json), 0);
    EXPECT_HAS(json, "\"blocks\":9,\"merged_glyphs\":532,");
    expect_glyphs(bytes("runs.fnt"), glyphs, 6, 6, 8, same);
}

TEST_F(Make, BearingsAndDescendersPlaceAndCut) {
    std::vector<BdfGlyph> glyphs = {
        pattern_glyph('g', 5, 9, 1, -3),   // a descender to the cell's last row
        pattern_glyph('j', 4, 10, -1, -3), // one column left of the cell: cut
        pattern_glyph('W', 9, 7, 0, 0),    // advance 9: the widest
    };
    glyphs[1].rows.assign(10, 0xF); // 10 pixels in its cut column
    std::string src = put("prop.bdf", bdf_text("ISO10646", 7, 3, glyphs)), json;
    ASSERT_EQ(make({src, "-o", dir + "/prop.fnt", "--codes", "single"}, &json), 0);
    EXPECT_NE(
        json.find("\"width\":9,\"height\":10,\"glyphs_kept\":3,\"blocks\":0,\"merged_glyphs\":0,"
                  "\"pixels_cut\":10"),
        std::string::npos)
        << json;
    expect_glyphs(bytes("prop.fnt"), glyphs, 7, 9, 10, same);
    EXPECT_EQ(std::string((const char *)&bytes("prop.fnt")[6], 8), "Tiny Tes");
}

uint32_t sjis_of(uint32_t jis) {
    return fontx2_jis_to_sjis((uint16_t)jis);
}

TEST_F(Make, JisSourcesBecomeShiftJis) {
    std::vector<BdfGlyph> glyphs = {pattern_glyph(0x2121, 16, 16, 0, -2),
                                    pattern_glyph(0x2422, 16, 16, 0, -2),
                                    pattern_glyph(0x7426, 16, 16, 0, -2)};
    std::string src = put("jis.bdf", bdf_text("JISX0208.1990", 14, 2, glyphs)), json;
    ASSERT_EQ(make({src, "-o", dir + "/jis.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"sjis\"");
    expect_glyphs(bytes("jis.fnt"), glyphs, 14, 16, 16, sjis_of);
    // The same characters by Unicode: U+3042 for JIS 0x2422.
    ASSERT_EQ(make({src, "-o", dir + "/uni.fnt", "--codes", "unicode", "--chars", "U+3042"}), 0);
    expect_glyphs(bytes("uni.fnt"), {glyphs[1]}, 14, 16, 16,
                  [](uint32_t) -> uint32_t { return 0x3042; });
    // A FONTX2 source on the JIS grid: its codes are characters through CP932.
    ASSERT_EQ(make({dir + "/jis.fnt", "-o", dir + "/cut.fnt", "--chars", "U+3042"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"sjis\",\"width\":16,\"height\":16,\"glyphs_kept\":1,");
    expect_glyphs(bytes("cut.fnt"), {glyphs[1]}, 14, 16, 16, sjis_of);
}

TEST_F(Make, CodeSetsDecideWhichCharacterACodeGets) {
    // CP932 decodes 0x8161 to U+2225 but also encodes U+2016 to it; 0x8160
    // decodes to U+FF5E, which this source lacks, and U+301C encodes to it.
    std::vector<BdfGlyph> glyphs;
    for (uint32_t c : {0x41u, 0x2016u, 0x2225u, 0x301Cu, 0xFF71u})
        glyphs.push_back(pattern_glyph(c, 8, 8, 0, 0));
    std::string src = put("uni.bdf", bdf_text("ISO10646", 8, 0, glyphs));
    ASSERT_EQ(make({src, "-o", dir + "/k.fnt", "--codes", "sjis"}), 0);
    expect_glyphs(bytes("k.fnt"), {glyphs[2]}, 8, 8, 8,
                  [](uint32_t) -> uint32_t { return 0x8161; });
    expect_glyphs(bytes("k.fnt"), {glyphs[3]}, 8, 8, 8,
                  [](uint32_t) -> uint32_t { return 0x8160; });
    ASSERT_EQ(make({src, "-o", dir + "/a.fnt", "--encoding", "CP932"}), 0);
    expect_glyphs(bytes("a.fnt"), {glyphs[0]}, 8, 8, 8, same);
    expect_glyphs(bytes("a.fnt"), {glyphs[4]}, 8, 8, 8, [](uint32_t) -> uint32_t { return 0xB1; });
}

TEST_F(Make, RefusalsWriteNothing) {
    std::vector<BdfGlyph> glyphs = {pattern_glyph(0x41, 8, 8, 0, 0),
                                    pattern_glyph(0x141, 8, 8, 0, 0)};
    std::string src = put("x.bdf", bdf_text("ISO10646", 8, 0, glyphs));
    std::string other = put("koi.bdf", bdf_text("KOI8", 8, 0, glyphs));
    EXPECT_EQ(make({src, "-o", dir + "/o.fnt", "--chars", "U+3000-30FF"}), 1);
    EXPECT_EQ(make({other, "-o", dir + "/o.fnt"}), 64); // codes above 0xFF, charset unknown
    EXPECT_EQ(make({src, "-o", dir + "/o.fnt", "--name", "NINECHARS"}), 64);
    EXPECT_EQ(make({src, "-o", dir + "/o.fnt", "--codes", "sjis", "--encoding", "CP932"}), 64);
    EXPECT_EQ(make({src, "-o", dir + "/o.fnt", "--size", "9"}), 64); // its one strike is 8
    EXPECT_FALSE(exists("o.fnt"));
    std::vector<uint8_t> before = bytes("x.bdf");
    symlink((dir + "/x.bdf").c_str(), (dir + "/link.fnt").c_str());
    EXPECT_EQ(make({src, "-o", dir + "/link.fnt"}), 64);
    EXPECT_EQ(bytes("x.bdf"), before);
}

// The C source holds the font's bytes; two files including the header, in C,
// in C++ and in C++ over a C source, link to one array.
TEST_F(Make, CSourceLinksOnce) {
    std::vector<BdfGlyph> glyphs = {pattern_glyph(0x3042, 8, 8, 0, 0)};
    std::string src = put("u.bdf", bdf_text("ISO10646", 8, 0, glyphs));
    ASSERT_EQ(make({src, "-o", dir + "/f.fnt"}), 0);
    const char *section = "__attribute__((section(\".rodata.fontx2\")))";
    ASSERT_EQ(make({src, "-o", dir + "/my-font 2.c", "--format", "c", "--attribute", section}), 0);
    ASSERT_EQ(make({src, "-o", dir + "/my-font 2.h", "--format", "h", "--symbol", "my_font_2"}), 0);
    std::vector<uint8_t> font = bytes("f.fnt"), source = bytes("my-font 2.c");
    std::string text(source.begin(), source.end());
    ASSERT_NE(text.find("const uint8_t my_font_2[" + std::to_string(font.size()) + "] " + section +
                        " = {"),
              std::string::npos)
        << text;
    std::vector<uint8_t> parsed;
    for (size_t at = text.find('{', text.find(section));
         (at = text.find("0x", at)) != std::string::npos; at += 2)
        parsed.push_back((uint8_t)strtoul(text.substr(at, 4).c_str(), nullptr, 16));
    EXPECT_EQ(parsed, font);
    if (system("command -v cc >/dev/null && command -v c++ >/dev/null") != 0)
        GTEST_SKIP() << "no C or C++ compiler";
    put("a.c", "#include <stdio.h>\n#include \"my-font 2.h\"\nconst uint8_t *other(void);\n"
               "int main(int argc, char **argv) {\n    FILE *f = fopen(argv[argc - 1], \"wb\");\n"
               "    fwrite(my_font_2, 1, my_font_2_size, f);\n    fclose(f);\n"
               "    return other() != my_font_2;\n}\n");
    put("b.c", "#include \"my-font 2.h\"\nconst uint8_t *other(void) { return my_font_2; }\n");
    for (const char *build :
         {"cc -c -o font.o 'my-font 2.c' && cc a.c b.c font.o",
          "c++ -x c++ -c -o font.o 'my-font 2.c' && c++ -x c++ a.c b.c font.o",
          "cc -c -o font.o 'my-font 2.c' && c++ -x c++ a.c b.c -x none font.o"}) {
        std::string run =
            "cd '" + dir + "' && " + build + " -Wall -Wextra -Werror -o prog && ./prog out.bin";
        EXPECT_EQ(system(run.c_str()), 0) << build;
        EXPECT_EQ(bytes("out.bin"), font) << build;
        unlink((dir + "/out.bin").c_str());
    }
}

// Names C cannot take, and definitions in a header, are refused.
TEST_F(Make, CNamesRefused) {
    std::string src = put("k.bdf", bdf_text("ISO10646", 8, 0, {pattern_glyph(0x41, 8, 8, 0, 0)}));
    EXPECT_EQ(make({src, "-o", dir + "/k.c", "--format", "c", "--symbol", "int"}), 64);
    EXPECT_EQ(make({src, "-o", dir + "/k.c", "--format", "c", "--symbol", "class"}), 64);
    EXPECT_EQ(make({src, "-o", dir + "/k.c", "--format", "c", "--symbol", "1st"}), 64);
    EXPECT_EQ(make({src, "-o", dir + "/k.c", "--format", "c", "--attribute", "x; int y"}), 64);
    // Attributes are printable ASCII, space and tilde the ends; '@' alone names no file.
    EXPECT_TRUE(c_attribute_ok(" PROGMEM~"));
    EXPECT_FALSE(c_attribute_ok("PROGMEM\x7F") || c_attribute_ok("PROGMEM\x1F"));
    std::vector<bool> keep;
    std::string why;
    EXPECT_FALSE(parse_char_ranges("@", &keep, &why));
    EXPECT_EQ(make({src, "-o", dir + "/k.h", "--format", "c"}), 64);
    EXPECT_FALSE(exists("k.c") || exists("k.h"));
    ASSERT_EQ(make({src, "-o", dir + "/int.hpp", "--format", "h"}), 0);
    std::vector<uint8_t> header = bytes("int.hpp");
    std::string text(header.begin(), header.end());
    EXPECT_NE(text.find("extern const uint8_t int_font["), std::string::npos) << text;
    EXPECT_EQ(text.find("0x"), std::string::npos) << text;
}

// The default character is a character like any other; a glyph without an
// encoding is left out and counted. A PCF of the same BDF gives the same font.
TEST_F(Make, DefaultCharKeptUnencodedCounted) {
    std::vector<BdfGlyph> glyphs;
    for (uint32_t c = 0x41; c <= 0x44; ++c) glyphs.push_back(pattern_glyph(c, 8, 8, 0, 0));
    std::string text = bdf_text("ISO10646", 8, 0, glyphs), json;
    text.replace(text.find("STARTPROPERTIES 5"), 17, "STARTPROPERTIES 6\nDEFAULT_CHAR 65");
    text.replace(text.find("ENCODING 68"), 11, "ENCODING -1");
    std::string src = put("d.bdf", text);
    ASSERT_EQ(make({src, "-o", dir + "/d.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"glyphs_kept\":3,");
    EXPECT_HAS(json, "\"glyphs_unencoded\":1,");
    expect_glyphs(bytes("d.fnt"), {glyphs[0], glyphs[1], glyphs[2]}, 8, 8, 8, same);
    if (system(("bdftopcf -o '" + dir + "/d.pcf' '" + src + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "bdftopcf (xfonts-utils) is not installed";
    ASSERT_EQ(make({dir + "/d.pcf", "-o", dir + "/p.fnt"}, &json), 0);
    EXPECT_EQ(bytes("p.fnt"), bytes("d.fnt"));
}

// A cut FONTX2 source: the glyphs past its end are left out and reported; the
// last glyph that ends exactly at the end is kept.
TEST_F(Make, CutFontx2SourceReported) {
    std::string src = put("s.bdf", bdf_text("ISO10646", 8, 0, {pattern_glyph(0x41, 8, 8, 0, 0)}));
    ASSERT_EQ(make({src, "-o", dir + "/s.fnt", "--codes", "single"}), 0);
    std::vector<uint8_t> font = bytes("s.fnt");
    font.resize(17 + 8 * 0x42);
    write_bytes(dir + "/cut.fnt", font);
    std::string json;
    testing::internal::CaptureStderr();
    ASSERT_EQ(make({dir + "/cut.fnt", "-o", dir + "/o.fnt"}, &json), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("glyphs-cut: 190 glyphs of its table"),
              std::string::npos);
    // 0x20-0x41: the controls below them left out.
    EXPECT_HAS(json, "\"glyphs_kept\":34,");
    EXPECT_HAS(json, "\"glyphs_past_end\":190,");
    expect_glyphs(bytes("o.fnt"), {pattern_glyph(0x41, 8, 8, 0, 0)}, 8, 8, 8, same);
}

// --chars takes ranges and files in any order.
TEST_F(Make, CharsMixFilesAndRanges) {
    std::vector<BdfGlyph> glyphs;
    for (uint32_t c = 0x41; c <= 0x43; ++c) glyphs.push_back(pattern_glyph(c, 8, 8, 0, 0));
    std::string src = put("m.bdf", bdf_text("ISO10646", 8, 0, glyphs)), json;
    std::string file = "@" + put("b.txt", "B");
    for (const std::string &chars : {"U+0041," + file, file + ",U+0041"}) {
        ASSERT_EQ(make({src, "-o", dir + "/m.fnt", "--chars", chars}, &json), 0) << chars;
        EXPECT_HAS(json, "\"glyphs_kept\":2,");
    }
}

// Control characters are left out unless --chars names them; a few glyphs
// (under 1% of those kept) wider than the rest are named with the width
// that fits the rest.
TEST_F(Make, ControlsAndWideOutliers) {
    std::vector<BdfGlyph> glyphs;
    for (uint32_t c : {0x1Fu, 0x20u, 0x7Eu, 0x7Fu, 0x9Fu, 0xA0u})
        glyphs.push_back(pattern_glyph(c, c == 0x1F ? 16 : 8, 8, 0, 0));
    std::string src = put("c.bdf", bdf_text("ISO10646", 8, 0, glyphs)), json;
    ASSERT_EQ(make({src, "-o", dir + "/c.fnt", "--codes", "single"}, &json), 0);
    EXPECT_HAS(json, "\"width\":8,\"height\":8,\"glyphs_kept\":3,");
    ASSERT_EQ(
        make({src, "-o", dir + "/c.fnt", "--codes", "single", "--chars", "U+001F-00A0"}, &json), 0);
    EXPECT_HAS(json, "\"width\":16,\"height\":8,\"glyphs_kept\":6,");
    // One wide glyph of 101 is under 1%: named; of 100 it is not.
    glyphs.clear();
    for (uint32_t c = 0x4E00; c < 0x4E00 + 101; ++c)
        glyphs.push_back(pattern_glyph(c, c == 0x4E00 ? 12 : 8, 8, 0, 0));
    ASSERT_EQ(make({put("w.bdf", bdf_text("ISO10646", 8, 0, glyphs)), "-o", dir + "/w.fnt"}, &json),
              0);
    EXPECT_HAS(json, "1 glyph (U+4E00) set the cell 12 wide; --width 8 fits the other 100");
    glyphs.pop_back();
    ASSERT_EQ(make({put("w.bdf", bdf_text("ISO10646", 8, 0, glyphs)), "-o", dir + "/w.fnt"}, &json),
              0);
    EXPECT_EQ(json.find("set the cell"), std::string::npos) << json;
}

// Code sets that fit: more than two bytes a character is refused; a set that
// codes under half the source's characters is reported with one that codes more.
TEST_F(Make, CodeSetsThatFit) {
    std::string src = put("k.bdf", bdf_text("ISO10646", 8, 0,
                                            {pattern_glyph(0x41, 8, 8, 0, 0),
                                             pattern_glyph(0x3042, 8, 8, 0, 0),
                                             pattern_glyph(0x3044, 8, 8, 0, 0)})),
                json;
    for (const char *set : {"UTF-8", "UTF-16", "UTF-32"})
        EXPECT_EQ(make({src, "-o", dir + "/k.fnt", "--encoding", set}), 64) << set;
    ASSERT_EQ(make({src, "-o", dir + "/k.fnt", "--encoding", "ISO-8859-1"}, &json), 0);
    EXPECT_HAS(json, "only 1 of the source's 3 characters get a single code: --codes sjis gives "
                     "2 of them codes, --codes unicode 3");
    src = put("h.bdf",
              bdf_text("ISO10646", 8, 0,
                       {pattern_glyph(0x41, 8, 8, 0, 0), pattern_glyph(0x3042, 8, 8, 0, 0)}));
    ASSERT_EQ(make({src, "-o", dir + "/k.fnt", "--encoding", "ISO-8859-1"}, &json), 0);
    EXPECT_EQ(json.find("only"), std::string::npos) << json; // half is enough
}

// Where a device differs: codes below 0x100 in a double-byte font (make and
// text say so), and JIS X 0201's yen sign and overline.
TEST_F(Make, NotesWhereDevicesDiffer) {
    std::vector<BdfGlyph> glyphs = {pattern_glyph(0xFF, 8, 8, 0, 0),
                                    pattern_glyph(0x100, 8, 8, 0, 0),
                                    pattern_glyph(0x3042, 8, 8, 0, 0)};
    std::string json;
    ASSERT_EQ(make({put("u.bdf", bdf_text("ISO10646", 8, 0, glyphs)), "-o", dir + "/u.fnt"}, &json),
              0);
    EXPECT_HAS(json, "\"1 code below 0x100 in a double-byte font: display drivers' file "
                     "readers never look them up");
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_sheet({"text", dir + "/u.fnt", "--text", "\u00FF\u0100\u3042", "--ascii"}), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("-> 0xFF: a code below 0x100 in a double-byte font"), std::string::npos)
        << err;
    EXPECT_EQ(err.find("0x100:"), std::string::npos) << err;
    ASSERT_EQ(make({put("j.bdf", bdf_text("JISX0201.1976", 8, 0,
                                          {pattern_glyph(0x5C, 8, 8, 0, 0),
                                           pattern_glyph(0x7E, 8, 8, 0, 0)})),
                    "-o", dir + "/j.fnt"},
                   &json),
              0);
    EXPECT_HAS(json, "0x5C is \u00A5 and 0x7E is \u203E");
}

// The order the sheet of a made font takes; *f is the font, read from b.
Fontx2Order sheet_order(const std::vector<uint8_t> &b, Fontx2Font *f) {
    EXPECT_EQ(fontx2_read(f, b.data(), b.size(), b.size()), FONTX2_OK);
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    fontx2_lay_out(layout.get(), f, FONTX2_ORDER_AUTO, FONTX2_GRID);
    return layout->order;
}

// Debian's X11 fonts, read from the system.
TEST_F(Make, X11JapaneseFontKeepsItsCells) {
    const char *ja = "/usr/share/fonts/X11/misc/12x13ja.pcf.gz";
    const char *k16 = "/usr/share/fonts/X11/misc/shnmk16.pcf.gz";
    SKIP_WITHOUT("xfonts-base or xfonts-shinonome", ja, k16);
    std::string json;
    ASSERT_EQ(make({ja, "-o", dir + "/ja.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"unicode\",\"width\":12,\"height\":13,");
    EXPECT_HAS(json, "\"blocks\":255,");
    EXPECT_HAS(json, "\"pixels_cut\":0,"); // each its X11 cell
    ASSERT_EQ(make({k16, "-o", dir + "/k16.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"sjis\",\"width\":16,\"height\":16,\"glyphs_kept\":6879,");
    for (const char *name : {"ja.fnt", "k16.fnt"}) {
        std::vector<uint8_t> b = bytes(name);
        Fontx2Font f;
        EXPECT_EQ(sheet_order(b, &f), name[0] == 'k' ? FONTX2_ORDER_JIS : FONTX2_ORDER_CODE);
        EXPECT_EQ(f.expected_size, b.size());
        for (uint32_t code = 0; code < 0x10000; ++code) {
            Fontx2Glyph own, device;
            ASSERT_EQ(fontx2_lookup(&f, code, &own), fontx2_device_lookup(&f, code, &device));
            ASSERT_EQ(own.held, device.held) << code;
            if (own.held) {
                ASSERT_EQ(own.offset, device.offset) << code;
            }
        }
    }
}

// X11 fonts of KS C 5601 and GB 2312 become EUC-KR and GB 2312 (EUC) fonts:
// row and cell bytes plus 0x8080, the same codes iconv gives their characters.
TEST_F(Make, KoreanAndChineseX11Fonts) {
    const char *ko = "/usr/share/fonts/X11/misc/hanglm16.pcf.gz";
    const char *zh = "/usr/share/fonts/X11/misc/gb16st.pcf.gz";
    SKIP_WITHOUT("xfonts-base's Korean or Chinese font", ko, zh);
    std::string json;
    // KS C 5601 whole: 2,350 Hangul, 4,888 Hanja and 986 other characters.
    ASSERT_EQ(make({ko, "-o", dir + "/ko.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"code_set\":\"double\",\"width\":16,\"height\":16,\"glyphs_kept\":8224,");
    EXPECT_HAS(json, "\"encoding\":\"EUC-KR\"");
    // The same font through Unicode: every code alike.
    ASSERT_EQ(make({ko, "-o", dir + "/ko2.fnt", "--codes", "double", "--encoding", "CP949"}), 0);
    EXPECT_EQ(bytes("ko.fnt"), bytes("ko2.fnt"));
    ASSERT_EQ(make({zh, "-o", dir + "/zh.fnt", "--chars", "U+4E00-4E0F"}, &json), 0);
    EXPECT_HAS(json, "\"encoding\":\"GB2312\"");
    for (const char *name : {"ko.fnt", "zh.fnt"}) {
        std::vector<uint8_t> b = bytes(name);
        Fontx2Font f;
        EXPECT_EQ(sheet_order(b, &f), FONTX2_ORDER_CODE) << name;
        Fontx2Glyph g;
        // U+AC00 is EUC-KR 0xB0A1; U+4E00 is GB 2312 0xD2BB.
        EXPECT_TRUE(fontx2_device_lookup(&f, name[0] == 'k' ? 0xB0A1 : 0xD2BB, &g)) << name;
    }
    EXPECT_EQ(make({dir + "/ko.fnt", "-o", dir + "/x.fnt", "--codes", "double"}), 64);
}

// A TrueType pixel font's one strike needs no --size; outlines need one.
TEST_F(Make, StrikesAndOutlinesBySize) {
    const char *misaki = "/usr/share/fonts/truetype/misaki/misaki_gothic.ttf";
    const char *outline = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    SKIP_WITHOUT("fonts-misaki or fonts-dejavu-core", misaki, outline);
    std::string json;
    ASSERT_EQ(make({misaki, "-o", dir + "/m.fnt", "--codes", "sjis"}, &json), 0);
    EXPECT_HAS(json, "\"width\":8,\"height\":8,");
    EXPECT_HAS(json, "\"pixels_cut\":0,");
    EXPECT_EQ(make({outline, "-o", dir + "/d.fnt"}), 64);
    ASSERT_EQ(
        make({outline, "-o", dir + "/d.fnt", "--size", "12", "--chars", "U+0041-005A"}, &json), 0);
    EXPECT_HAS(json, "\"glyphs_kept\":26,");
}

} // namespace

// Each failure names its cause; an unknown code set is refused before the
// source is opened.
TEST_F(Make, FailuresNameTheirCause) {
    std::string src = put("a.bdf", bdf_text("ISO10646", 6, 2, {pattern_glyph(0x41, 6, 8, 0, -2)}));
    put("junk.ttf", "neither a FONTX2 font nor any other");
    testing::internal::CaptureStderr();
    EXPECT_EQ(make({"/proc/self/mem", "-o", dir + "/1.fnt"}), 2); // opens, but reads fail
    EXPECT_EQ(make({src, "--chars", "@" + dir + "/gone.txt", "-o", dir + "/2.fnt"}), 66);
    EXPECT_EQ(make({dir + "/junk.ttf", "-o", dir + "/3.fnt"}), 2);
    EXPECT_EQ(make({dir + "/gone.bdf", "--encoding", "BOGUS", "-o", dir + "/4.fnt"}), 64);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/proc/self/mem: Input/output error"), std::string::npos) << err;
    EXPECT_NE(err.find("gone.txt: No such file or directory"), std::string::npos) << err;
    EXPECT_NE(err.find("FreeType reads (unknown file format)"), std::string::npos) << err;
    EXPECT_NE(err.find("--encoding: 'BOGUS' is not a code set iconv knows"), std::string::npos);
    EXPECT_EQ(err.find("gone.bdf"), std::string::npos) << err;
    for (const char *out : {"1.fnt", "2.fnt", "3.fnt", "4.fnt"}) EXPECT_FALSE(exists(out)) << out;
}

// The cell's edges, each exactly at its boundary.
TEST_F(Make, CellEdges) {
    // A bitmap 5 wide that advances 8: the cell is the advance wide.
    BdfGlyph narrow = pattern_glyph(0x41, 5, 8, 0, -2);
    narrow.dwidth = 8;
    std::string json;
    ASSERT_EQ(
        make({put("n.bdf", bdf_text("ISO10646", 6, 2, {narrow})), "-o", dir + "/n.fnt"}, &json), 0);
    EXPECT_HAS(json, "\"width\":8,");
    // Ink only in the column just past an 8-wide cell: all of it cut, none of
    // it in the glyph or in the next code's.
    BdfGlyph past{0x41, 8, 9, 8, 0, -2, std::vector<uint32_t>(8, 1)};
    BdfGlyph next{0x42, 8, 8, 8, 0, -2, std::vector<uint32_t>(8, 0)};
    ASSERT_EQ(make({put("p.bdf", bdf_text("ISO10646", 6, 2, {past, next})), "-o", dir + "/p.fnt",
                    "--codes", "unicode"},
                   &json),
              0);
    EXPECT_HAS(json, "\"pixels_cut\":8,");
    std::vector<uint8_t> b = bytes("p.fnt");
    Fontx2Font f;
    ASSERT_EQ(fontx2_read(&f, b.data(), b.size(), b.size()), FONTX2_OK);
    for (uint32_t code : {0x41u, 0x42u}) {
        Fontx2Glyph g;
        ASSERT_TRUE(fontx2_lookup(&f, code, &g) && g.bitmap);
        EXPECT_EQ(std::vector<uint8_t>(g.bitmap, g.bitmap + 8), std::vector<uint8_t>(8, 0));
    }
    // JSON escapes control bytes and DEL in a path as it always did.
    ASSERT_EQ(make({dir + "/n.fnt", "-o", dir + "/a\x01\x7f.fnt"}, &json), 0);
    EXPECT_HAS(json, "/a\\u0001\\u007f.fnt\"");
    // The C array is named after the file without its last extension.
    ASSERT_EQ(make({dir + "/n.fnt", "--format", "c", "-o", dir + "/font.v2.c"}), 0);
    std::vector<uint8_t> header = bytes("font.v2.c");
    EXPECT_NE(std::string(header.begin(), header.end()).find("const uint8_t font_v2["),
              std::string::npos);
}
