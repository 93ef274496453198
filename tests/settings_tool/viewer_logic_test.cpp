// The palette viewer's drawing and status text on plain buffers.
#include "settings_tool/viewer_logic.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const int SIZE = VIEWER_IMAGE_SIZE;
const uint32_t GUARD = 0xDEADBEEF;

// A 232 x 232 image stored bottom-up like the window's DIB, with guard rows
// before and after it to catch writes outside the canvas.
struct Image {
    std::vector<uint32_t> words = std::vector<uint32_t>((size_t)(SIZE + 2) * SIZE, GUARD);
    ViewerCanvas canvas() {
        uint8_t *base = (uint8_t *)(words.data() + SIZE);
        return {base + (size_t)(SIZE - 1) * SIZE * 4, -4 * SIZE, SIZE, SIZE};
    }
    uint32_t at(int x, int y) { return words[(size_t)(SIZE - y) * SIZE + x]; }
    bool guards_intact() {
        for (int i = 0; i < SIZE; ++i)
            if (words[i] != GUARD || words[words.size() - 1 - i] != GUARD) return false;
        return true;
    }
};

// What a pixel must show, worked out from the pixel's side: which swatch
// cell it falls in and where inside the cell.
uint32_t expected_pixel(const uint32_t *palette, bool strips, int x, int y) {
    if (x < 5 || y < 5) return 0;
    int n = (x - 5) / 14, m = (y - 5) / 14, dx = (x - 5) % 14, dy = (y - 5) % 14;
    if (n > 15 || m > 15 || dx >= 12 || dy >= 12) return 0;
    uint32_t entry = palette[m * 16 + n];
    if (!strips) return entry & 0xFFFFFF;
    if (dy < 8) return entry & 0xFFFFFF;
    if (dy == 8) return 0;
    uint32_t a = entry >> 24;
    return a << 16 | a << 8 | a;
}

void expect_palette_image(Image &image, const uint32_t *palette, bool strips) {
    int wrong = 0;
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x)
            if (image.at(x, y) != expected_pixel(palette, strips, x, y) && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << image.at(x, y);
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(image.guards_intact());
}

ImageInfoRecord info_of_depth(int16_t depth) {
    ImageInfoRecord info = {};
    info.bit_depth = (uint16_t)depth;
    return info;
}

TEST(ViewerDrawing, SwatchesWithoutAlphaFillTwelveByTwelve) {
    std::vector<uint32_t> palette(2048);
    for (int alpha : {0x00, 0xFF}) {
        for (int i = 0; i < 256; ++i)
            palette[i] = (uint32_t)alpha << 24 | ((uint32_t)(i * 0x010203 + 0x123456) & 0xFFFFFF);
        palette[256] = 0x80FFFFFF; // beyond the shown entries: neither drawn nor counted
        Image image;
        ViewerCanvas canvas = image.canvas();
        ImageInfoRecord info = info_of_depth(8);
        EXPECT_FALSE(palette_shows_alpha(palette.data())) << alpha;
        draw_palette(&canvas, &info, palette.data());
        expect_palette_image(image, palette.data(), false);
        // Red stays in the third byte: the DIB's 0x00RRGGBB order.
        EXPECT_EQ(image.at(5, 5), 0x123456u);
    }
}

TEST(ViewerDrawing, MixedAlphaGivesGreyStripsUnderShorterSwatches) {
    std::vector<uint32_t> palette(2048);
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u | (uint32_t)i * 0x010101u;
    palette[77] = 0x80FF0000; // one entry neither 0 nor 255 is enough
    EXPECT_TRUE(palette_shows_alpha(palette.data()));
    Image image;
    ViewerCanvas canvas = image.canvas();
    ImageInfoRecord info = info_of_depth(1);
    draw_palette(&canvas, &info, palette.data());
    expect_palette_image(image, palette.data(), true);
    int x77 = 14 * (77 % 16) + 5, y77 = 14 * (77 / 16) + 5;
    EXPECT_EQ(image.at(x77, y77 + 10), 0x808080u);

    // The glyph sheet's palette: black and white swatches, black and white strips.
    std::vector<uint32_t> sheet(2048);
    sheet[1] = 0xFFFFFFFF;
    draw_palette(&canvas, &info, sheet.data());
    expect_palette_image(image, sheet.data(), true);
    EXPECT_EQ(image.at(19, 5), 0xFFFFFFu);
    EXPECT_EQ(image.at(19, 13), 0u);
    EXPECT_EQ(image.at(30, 16), 0xFFFFFFu);
    EXPECT_EQ(image.at(5, 16), 0u);
}

TEST(ViewerDrawing, DeeperPicturesShowBlack) {
    std::vector<uint32_t> palette(2048, 0xFF00FF00u);
    Image image;
    ViewerCanvas canvas = image.canvas();
    for (int16_t depth : {16, 24, 32}) {
        ImageInfoRecord shallow = info_of_depth(8), deep = info_of_depth(depth);
        draw_palette(&canvas, &shallow, palette.data());
        ASSERT_EQ(image.at(5, 5), 0x00FF00u);
        draw_palette(&canvas, &deep, palette.data());
        for (int y = 0; y < SIZE; ++y)
            for (int x = 0; x < SIZE; ++x) ASSERT_EQ(image.at(x, y), 0u) << depth;
    }
}

TEST(ViewerDrawing, RectanglesAreClippedToTheCanvas) {
    Image image;
    ViewerCanvas canvas = image.canvas();
    clear_canvas(&canvas, 0);
    fill_rect(&canvas, -3, -4, 5, 6, 1);                  // top left corner: 2 x 2 left
    fill_rect(&canvas, 230, 229, 100, 100, 2);            // bottom right: 2 x 3 left
    fill_rect(&canvas, 10, 10, 0, 5, 3);                  // empty
    fill_rect(&canvas, 10, 10, 5, -1, 3);                 // negative
    fill_rect(&canvas, 2000000000, 5, 2000000000, 5, 3);  // far outside, no wrap
    fill_rect(&canvas, -2147483647, 20, INT32_MAX, 1, 4); // ends before column 0
    EXPECT_TRUE(image.guards_intact());
    int count[5] = {};
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) ++count[image.at(x, y) < 5 ? image.at(x, y) : 0];
    EXPECT_EQ(count[1], 4);
    EXPECT_EQ(image.at(1, 1), 1u);
    EXPECT_EQ(count[2], 6);
    EXPECT_EQ(image.at(231, 231), 2u);
    EXPECT_EQ(count[3] + count[4], 0);

    int32_t x = -5, y = 3, w = 10, h = 4;
    EXPECT_TRUE(clip_rect(&canvas, &x, &y, &w, &h));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(w, 5);
    ViewerCanvas none = {};
    EXPECT_FALSE(clip_rect(&none, &x, &y, &w, &h)); // no buffer: nothing drawn
    fill_rect(&none, 0, 0, 10, 10, 1);
}

// ---- Status text ---------------------------------------------------------------------

bool no_lead_byte(uint8_t) {
    return false;
}

std::string name_part(const char *text, ViewerLeadByte rule = viewer_sjis_lead_byte) {
    return file_name_part(text, rule);
}

TEST(ViewerText, FileNamePartSplitsOnlyAtRealSeparators) {
    const char *HYOU_X = "\x95\x5C"
                         "x.fnt"; // "表x.fnt": the trail byte of 表 is '\'
    EXPECT_EQ(name_part(HYOU_X), HYOU_X);
    EXPECT_EQ(name_part("D:\\fonts\\\x95\x5C\\x.fnt"), "x.fnt");
    EXPECT_EQ(name_part("D:\\fonts\\\x95\x5C.fnt"), "\x95\x5C.fnt");
    EXPECT_EQ(name_part(HYOU_X, no_lead_byte), "x.fnt"); // a single-byte code page splits there
    EXPECT_EQ(name_part("D:\\fonts\\"), "");
    EXPECT_EQ(name_part("a/b:c"), "c");
    EXPECT_EQ(name_part("x.fnt"), "x.fnt");
    EXPECT_EQ(name_part("ab\x95"), "ab\x95"); // a last lead byte does not step past the end
    EXPECT_EQ(name_part(""), "");
    EXPECT_EQ(name_part(nullptr), "");
}

std::string status(const ImageInfoRecord &info, const char *name) {
    char text[VIEWER_STATUS_BYTES];
    memset(text, 'Z', sizeof text);
    viewer_status_text(&info, name, viewer_sjis_lead_byte, text);
    return text;
}

#define SJIS_COLOUR "\x90\x46"
#define SJIS_TRANSPARENT "\x93\xA7\x96\xBE"

TEST(ViewerText, StatusLineFields) {
    ImageInfoRecord info = info_of_depth(1);
    info.picture_width = 256;
    info.picture_height = 128;
    info.transparent_index_plus1 = 1;
    EXPECT_EQ(status(info, "D:\\fonts\\x.fnt"),
              "  1bit" SJIS_COLOUR "  256*128  (" SJIS_TRANSPARENT "=0) x.fnt");

    info = info_of_depth(24);
    info.picture_width = 12345;
    info.picture_height = 7;
    info.offset_x = 3;
    info.offset_y = (uint32_t)-2;
    info.transparent_colour_plus1 = 0xFF0001;
    EXPECT_EQ(status(info, "a/"),
              " 24bit" SJIS_COLOUR " 12345*7    ofs(3,-2) (" SJIS_TRANSPARENT "=ff0000) ");

    // Out-of-range transparent values show nothing; the index wins over the colour.
    const struct {
        uint16_t index_plus1;
        uint32_t colour_plus1;
        const char *shown;
    } cases[] = {{257, 0, ""},
                 {0xFFFF, 0x1000000, "(" SJIS_TRANSPARENT "=ffffff) "},
                 {0, 0x1000001, ""},
                 {0, 0xFFFFFFFF, ""},
                 {256, 5, "(" SJIS_TRANSPARENT "=255) "}};
    for (const auto &c : cases) {
        info = info_of_depth(8);
        info.transparent_index_plus1 = c.index_plus1;
        info.transparent_colour_plus1 = c.colour_plus1;
        EXPECT_EQ(status(info, "n"),
                  std::string("  8bit" SJIS_COLOUR "    0*0    ") + c.shown + "n")
            << c.index_plus1 << " " << c.colour_plus1;
    }
}

TEST(ViewerText, LongNamesAreCutToWholeCharacters) {
    ImageInfoRecord info = info_of_depth(1);
    std::string prefix = status(info, "");
    std::string ascii(521, 'a');
    EXPECT_EQ(status(info, ascii.c_str()), prefix + ascii.substr(0, 255 - prefix.size()));

    // Double-byte characters from an odd position: the last one would need
    // byte 256, so it stays out and the text ends one byte short.
    for (int shift : {0, 1}) {
        std::string name(shift, 'b');
        while (name.size() < 520) name += "\x95\x5C";
        std::string shown = status(info, name.c_str());
        size_t room = 255 - prefix.size();
        size_t whole = shift + (room - shift) / 2 * 2;
        EXPECT_EQ(shown, prefix + name.substr(0, whole)) << shift;
        EXPECT_LE(shown.size(), 255u);
    }
}

} // namespace
