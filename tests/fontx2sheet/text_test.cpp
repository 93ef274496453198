// fontx2sheet text: pictures against glyphs placed by hand, from fonts whose
// every glyph is a function of its glyph index.
#include "tests/fontx2sheet/fontx2sheet_test_util.h"

#include "tests/support/synthetic_fonts.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A picture as rows of '#' (ink) and '.' (paper).
typedef std::vector<std::string> Rows;

Rows blank(uint32_t width, uint32_t height) {
    return Rows(height, std::string(width, '.'));
}

void put(Rows *rows, uint32_t x, uint32_t y) {
    if (y < rows->size() && x < (*rows)[y].size()) (*rows)[y][x] = '#';
}

// Glyph `index` of a synthetic font, its width bits only, at (x, y).
void put_glyph(Rows *rows, uint32_t x, uint32_t y, uint32_t index, uint32_t w, uint32_t h) {
    uint8_t glyph[64];
    synthetic_code_glyph(index, w, h, glyph);
    for (uint32_t j = 0; j < h; ++j)
        for (uint32_t i = 0; i < w; ++i)
            if (glyph[j * ((w + 7) / 8) + i / 8] & 0x80 >> i % 8) put(rows, x + i, y + j);
}

void put_outline(Rows *rows, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
    for (uint32_t i = 0; i < w; ++i) put(rows, x + i, y), put(rows, x + i, y + h - 1);
    for (uint32_t j = 0; j < h; ++j) put(rows, x, y + j), put(rows, x + w - 1, y + j);
}

// Single-byte lines of the 6 x 8 font, each glyph its code's.
Rows single_lines(const std::vector<std::string> &lines, uint32_t width, uint32_t height) {
    Rows rows = blank(width, height);
    for (size_t n = 0; n < lines.size(); ++n)
        for (size_t i = 0; i < lines[n].size(); ++i)
            put_glyph(&rows, 6 * (uint32_t)i, 8 * (uint32_t)n, (uint8_t)lines[n][i], 6, 8);
    return rows;
}

Rows png_rows(const std::string &path) {
    DecodedPng png;
    if (!read_png(path, &png)) return {};
    EXPECT_EQ(png.ihdr.bit_depth, 1);
    Rows rows = blank(png.ihdr.width, png.ihdr.height);
    for (uint32_t y = 0; y < png.ihdr.height; ++y)
        for (uint32_t x = 0; x < png.ihdr.width; ++x)
            if (png.rows[y * png.stride + x / 8] >> (7 - x % 8) & 1) put(&rows, x, y);
    return rows;
}

std::string joined(const Rows &rows) {
    std::string text;
    for (const std::string &r : rows) text += r + "\n";
    return text;
}

// Shift-JIS blocks: glyphs 0-62 (0x8140 on), 63-144 (0x82A0 on), 145-238 (0x889F on).
const std::vector<Fontx2Range> SJIS_BLOCKS = {{0x8140, 0x817E}, {0x82A0, 0x82F1}, {0x889F, 0x88FC}};

struct Text : ::testing::Test {
    void SetUp() override {
        write_bytes(path("single.fnt"), synthetic_font_single(6, 8));
        write_bytes(path("double.fnt"), synthetic_font_blocks(10, 12, SJIS_BLOCKS));
    }
    std::string path(const char *name) const { return tmp(std::string("text_") + name); }
    // Runs text with the fonts and arguments; the PNG's rows, empty without one.
    Rows draw(std::vector<std::string> args, int status = 0) {
        unlink(path("out.png").c_str());
        args.insert(args.begin(), "text");
        args.insert(args.end(), {"-o", path("out.png")});
        EXPECT_EQ(run_sheet(args), status);
        return png_rows(path("out.png"));
    }
};

TEST_F(Text, PairMixedStringLineFeedsAndGap) {
    // A b (single) ｱ (CP932 0xB1, single) 亜 (0x889F, glyph 145) / あ (0x82A0, glyph 63).
    // The CR before a LF is dropped; the final LF starts no line.
    Rows expected = blank(28, 12 + 3 + 12);
    put_glyph(&expected, 0, 0, 'A', 6, 8);
    put_glyph(&expected, 6, 0, 'b', 6, 8);
    put_glyph(&expected, 12, 0, 0xB1, 6, 8);
    put_glyph(&expected, 18, 0, 145, 10, 12);
    put_glyph(&expected, 0, 15, 63, 10, 12);
    for (const char *first : {"single.fnt", "double.fnt"}) { // either order
        std::string second = first[0] == 's' ? "double.fnt" : "single.fnt";
        Rows got =
            draw({path(first), path(second.c_str()), "--text", "Abｱ亜\r\nあ\n", "--line-gap", "3"});
        EXPECT_EQ(got, expected) << first;
    }
    // Scaled: each pixel a 2 x 2 square, in the colours asked.
    Rows big = draw({path("single.fnt"), path("double.fnt"), "--text", "Abｱ亜\nあ", "--line-gap",
                     "3", "--scale", "2", "--ink", "FF0000"});
    ASSERT_EQ(big.size(), 54u);
    for (uint32_t y = 0; y < 54; ++y)
        for (uint32_t x = 0; x < 56; ++x) ASSERT_EQ(big[y][x], expected[y / 2][x / 2]) << x << y;
    DecodedPng png;
    ASSERT_TRUE(read_png(path("out.png"), &png));
    EXPECT_EQ(png.plte.entries[1].red, 0xFF);
    EXPECT_EQ(png.plte.entries[1].green, 0);
}

TEST_F(Text, WrapsAtTheWidthInEachMode) {
    std::vector<std::string> args = {path("single.fnt"), "--text", "ab cde f\nabcdefgh",
                                     "--width",          "30",     "--wrap"};
    // A glyph ending at the edge stays; the next one starts a line.
    auto with = [&](const char *mode) {
        std::vector<std::string> a = args;
        a.push_back(mode);
        return draw(a);
    };
    EXPECT_EQ(with("char"), single_lines({"ab cd", "e f", "abcde", "fgh"}, 30, 32));
    // At the last space, not drawn; a word longer than a line by character.
    EXPECT_EQ(with("word"), single_lines({"ab", "cde f", "abcde", "fgh"}, 30, 32));
    // A space that would cross the edge is the break itself.
    args[2] = "abcde fg";
    EXPECT_EQ(with("word"), single_lines({"abcde", "fg"}, 30, 16));
    // A leading space is no break: nothing would go before it.
    args[2] = " abcdefg";
    EXPECT_EQ(with("word"), single_lines({" abcd", "efg"}, 30, 16));
    args[2] = "ab cde f\nabcdefgh";
    args[4] = "27"; // cut inside the fifth glyph
    testing::internal::CaptureStderr();
    Rows cut = with("none");
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(cut, single_lines({"ab cd", "abcde"}, 27, 16));
    EXPECT_NE(said.find("6 characters lie wholly outside the 27 x 16 picture"), std::string::npos)
        << said;
}

TEST_F(Text, HeightCutsAndAsciiPrints) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int status = run_sheet(
        {"text", path("single.fnt"), "--text", "a\nb\nc\nd\ne", "--height", "20", "--ascii"});
    std::string printed = testing::internal::GetCapturedStdout();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0);
    // The third line shows its top 4 rows; d and e are not shown.
    EXPECT_EQ(printed, joined(single_lines({"a", "b", "c"}, 6, 20)));
    EXPECT_NE(said.find("2 characters lie wholly outside the 6 x 20 picture"), std::string::npos)
        << said;
    // A line that starts exactly at the bottom edge is outside too.
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_sheet({"text", path("single.fnt"), "--text", "a\nb", "--height", "8", "--ascii"}),
              0);
    testing::internal::GetCapturedStdout();
    said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("1 character lies wholly outside the 6 x 8 picture"), std::string::npos)
        << said;
}

TEST_F(Text, MissingCharactersAreOutlinedAndReportedOnce) {
    // ü: no CP932 code; 日 (0x93FA): no block; 😀: outside the BMP; each in the
    // double-byte font's cell. z: its glyph is cut off the single-byte font.
    std::vector<uint8_t> cut = synthetic_font_single(6, 8);
    cut.resize(17 + 0x7A * 8 + 7);
    write_bytes(path("cut.fnt"), cut);
    std::vector<std::string> args = {path("cut.fnt"), path("double.fnt"), "--text", "üy日😀zü日z"};
    testing::internal::CaptureStderr();
    Rows got = draw(args);
    std::string said = testing::internal::GetCapturedStderr();
    Rows expected = blank(10 + 6 + 10 + 10 + 6 + 10 + 10 + 6, 12);
    uint32_t x = 0;
    for (int n = 0; n < 8; ++n) {
        uint32_t w = n == 1 || n == 4 || n == 7 ? 6 : 10, h = w == 6 ? 8 : 12;
        if (n == 1)
            put_glyph(&expected, x, 0, 'y', 6, 8);
        else
            put_outline(&expected, x, 0, w, h);
        x += w;
    }
    EXPECT_EQ(got, expected);
    for (const char *reason :
         {"double.fnt: U+00FC ü has no code in CP932 (drawn as an outline)\n",
          "double.fnt: U+65E5 日 -> 0x93FA: no block of the font holds it (drawn",
          "double.fnt: U+1F600 😀 lies outside the Basic Multilingual Plane",
          "cut.fnt: U+007A z -> 0x7A: its glyph lies past the end of the file (bytes 993 to "
          "1,000, the file has 1,000)"}) {
        size_t at = said.find(reason);
        EXPECT_NE(at, std::string::npos) << reason << "\n" << said;
        EXPECT_EQ(said.find(reason, at + 1), std::string::npos) << "twice: " << reason;
    }
    // Strict: status 1, nothing written (with a whole font: its own problem
    // would stop it too).
    EXPECT_TRUE(
        draw({path("single.fnt"), path("double.fnt"), "--text", "aü", "--strict"}, 1).empty());
}

TEST_F(Text, AWrappedCountIsReadAsTheDeviceReadsIt) {
    // 257 blocks: the count byte says 1. A device reads block 0 alone and takes
    // A's glyph from byte 18 + 4, inside the table; B is in no block it reads.
    std::vector<Fontx2Range> ranges = {{'A', 'A'}, {'B', 'B'}};
    for (uint16_t i = 0; i < 255; ++i)
        ranges.push_back({(uint16_t)(0x4E00 + 2 * i), (uint16_t)(0x4E00 + 2 * i)});
    std::vector<uint8_t> font = synthetic_font_blocks(8, 8, ranges);
    ASSERT_EQ(font[17], 1);
    write_bytes(path("wrapped.fnt"), font);
    Rows expected = blank(16, 8);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            if (font[22 + y] & 0x80 >> x) put(&expected, x, y);
    put_outline(&expected, 8, 0, 8, 8);
    testing::internal::CaptureStderr();
    EXPECT_EQ(draw({path("wrapped.fnt"), "--text", "AB"}), expected);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "U+0042 B -> 0x0042: not in the first block, all that the count byte "
                  "announces (the table holds 257)"),
              std::string::npos);
}

TEST_F(Text, OwnCodeOrderPairTakesCodePointsAndLatin1) {
    // Glyphs 0-94 for 0x20-0x7E, 95 on for 0x370-0x3FF: Ω (U+03A9) is glyph 152.
    write_bytes(path("unicode.fnt"), synthetic_font_blocks(10, 12, {{0x20, 0x7E}, {0x370, 0x3FF}}));
    Rows expected = blank(6 + 10, 12);
    put_glyph(&expected, 0, 0, 0xE9, 6, 8);
    put_glyph(&expected, 6, 0, 152, 10, 12);
    EXPECT_EQ(draw({path("unicode.fnt"), path("single.fnt"), "--text", "éΩ"}), expected);
    // Alone, it supplies every code: A is its glyph 0x41 - 0x20.
    expected = blank(10, 12);
    put_glyph(&expected, 0, 0, 0x21, 10, 12);
    EXPECT_EQ(draw({path("unicode.fnt"), "--text", "A"}), expected);
}

TEST_F(Text, CodeHundredHexComesFromTheDoubleByteFont) {
    // Glyphs 0-94 for 0x20-0x7E, 95 on for 0x100-0x17F: Ā (U+0100) is glyph 95.
    write_bytes(path("latin.fnt"), synthetic_font_blocks(10, 12, {{0x20, 0x7E}, {0x100, 0x17F}}));
    Rows expected = blank(10, 12);
    put_glyph(&expected, 0, 0, 95, 10, 12);
    testing::internal::CaptureStderr();
    EXPECT_EQ(draw({path("latin.fnt"), path("single.fnt"), "--text", "Ā"}), expected);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Text, EncodingGivesALatin1FontItsCodes) {
    testing::internal::CaptureStderr();
    Rows cp932 = draw({path("single.fnt"), "--text", "é"}); // CP932 has no é
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no code in CP932 single bytes"),
              std::string::npos);
    Rows outline = blank(6, 8);
    put_outline(&outline, 0, 0, 6, 8);
    EXPECT_EQ(cp932, outline);
    EXPECT_EQ(draw({path("single.fnt"), "--text", "é", "--encoding", "ISO-8859-1"}),
              single_lines({"\xE9"}, 6, 8));
    draw({path("single.fnt"), "--text", "é", "--encoding", "NO-SUCH-SET"}, 64);
}

TEST_F(Text, TextFromAFileAndRefusals) {
    write_bytes(path("text.txt"), {0xEF, 0xBB, 0xBF, 'a', 'b', '\n'}); // a byte-order mark
    EXPECT_EQ(draw({path("single.fnt"), "--text", "@" + path("text.txt")}),
              single_lines({"ab"}, 12, 8));
    fclose(fopen(path("empty.txt").c_str(), "wb"));
    EXPECT_TRUE(draw({path("single.fnt"), "--text", "@" + path("empty.txt")}, 1).empty());
    EXPECT_TRUE(draw({path("single.fnt"), "--text", ""}, 1).empty());
    write_bytes(path("latin1.txt"), {'a', 0xE9});
    EXPECT_TRUE(draw({path("single.fnt"), "--text", "@" + path("latin1.txt")}, 2).empty());
    testing::internal::CaptureStderr(); // a text file that cannot be read: its cause
    EXPECT_TRUE(draw({path("single.fnt"), "--text", "@" + path("gone.txt")}, 66).empty());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("gone.txt: No such file or directory"),
              std::string::npos);
    EXPECT_TRUE(draw({path("single.fnt"), path("single.fnt"), "--text", "a"}, 64).empty());
    // An output that is an input (a font, the text file) is refused, the input kept.
    EXPECT_EQ(run_sheet({"text", path("single.fnt"), "--text", "a", "-o", path("single.fnt")}), 64);
    EXPECT_EQ(run_sheet({"text", path("single.fnt"), "--text", "@" + path("text.txt"), "-o",
                         path("text.txt")}),
              64);
    EXPECT_EQ(draw({path("single.fnt"), "--text", "@" + path("text.txt")}),
              single_lines({"ab"}, 12, 8));
    EXPECT_EQ(run_sheet({"text", path("single.fnt"), "--text", "a"}), 64); // no -o, no --ascii
    EXPECT_EQ(
        run_sheet({"text", path("single.fnt"), "--text", "a", "--ascii", "-o", path("x.png")}), 64);
}

TEST_F(Text, RealPairOnA128PixelDisplay) {
    SKIP_WITHOUT_FONTS(fonts);
    Rows got = draw({fonts + "/ILGH16XB.FNT", fonts + "/ILGZ16XB.FNT", "--text",
                     "Hello, 世界。ｶﾀｶﾅ", "--width", "128"});
    ASSERT_EQ(got.size(), 32u);
    ASSERT_EQ(got[0].size(), 128u);
    // H at (0, 0), ﾅ (0xC5) wrapped to (0, 16): the font's bytes at 17 + code x 16.
    std::vector<unsigned char> font;
    ASSERT_TRUE(test_read_file(fonts + "/ILGH16XB.FNT", &font));
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            EXPECT_EQ(got[y][x] == '#', (font[17 + 'H' * 16 + y] >> (7 - x) & 1) != 0);
            EXPECT_EQ(got[16 + y][x] == '#', (font[17 + 0xC5 * 16 + y] >> (7 - x) & 1) != 0);
        }
}

} // namespace
