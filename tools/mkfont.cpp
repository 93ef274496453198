// mkfont: builds the demo's sample FONTX2 fonts from a GNU Unifont .hex file:
// a single-byte 8x16 font (ASCII and the half-width katakana at their
// single-byte codes), a double-byte 16x16 font (every JIS X 0208 cell, one
// code block per Shift-JIS lead byte half) and, when asked, a double-byte
// 16x16 font whose blocks hold Unicode code points (Latin, Greek, Cyrillic,
// kana and a block of CJK ideographs), as fonts for small displays often do.
#include "fontx2/fontx2.h"
#include "fontx2/fontx2_writer.h"

#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

static std::map<uint32_t, std::string> glyphs_by_code_point;

static bool load_hex(const char *path) {
    FILE *f = fopen(path, "r");
    if (!f) return false;
    char line[512];
    while (fgets(line, sizeof line, f)) {
        char *colon = strchr(line, ':');
        if (!colon) continue;
        uint32_t cp = (uint32_t)strtoul(line, nullptr, 16);
        std::string bits(colon + 1);
        while (!bits.empty() && (bits.back() == '\n' || bits.back() == '\r')) bits.pop_back();
        glyphs_by_code_point[cp] = bits;
    }
    fclose(f);
    return true;
}

// The Unicode code point of a Shift-JIS code, or 0 when it has none.
static uint32_t sjis_to_unicode(iconv_t cd, uint32_t sjis) {
    char in[2];
    size_t in_len = 0;
    if (sjis > 0xFF) in[in_len++] = (char)(sjis >> 8);
    in[in_len++] = (char)(sjis & 0xFF);
    uint32_t out = 0;
    char *in_p = in, *out_p = (char *)&out;
    size_t out_len = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in_p, &in_len, &out_p, &out_len) == (size_t)-1) return 0;
    return out;
}

// Copies a unifont glyph (8 or 16 wide, 16 high) into a FONTX2 bitmap of the
// given width; a half-width glyph in a full-width cell is centred.
static void put_glyph(uint32_t cp, uint32_t width, uint8_t *out) {
    uint32_t row_bytes = (width + 7) / 8;
    memset(out, 0, row_bytes * 16);
    if (cp == 0) return; // a cell with no character stays blank
    auto it = glyphs_by_code_point.find(cp);
    if (it == glyphs_by_code_point.end()) return;
    const std::string &hex = it->second;
    uint32_t src_bytes = (uint32_t)hex.size() / 32; // 1 or 2 bytes per row
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t b = 0; b < src_bytes && b < row_bytes; ++b) {
            uint8_t v = (uint8_t)strtoul(hex.substr((y * src_bytes + b) * 2, 2).c_str(), 0, 16);
            out[y * row_bytes + b] = v;
        }
        if (row_bytes == 2 && src_bytes == 1) { // centre a half-width glyph
            uint16_t w = (uint16_t)(out[y * 2] << 4);
            out[y * 2] = (uint8_t)(w >> 8);
            out[y * 2 + 1] = (uint8_t)w;
        }
    }
}

static bool write_file(const char *path, const std::vector<uint8_t> &bytes) {
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

int main(int argc, char **argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: mkfont UNIFONT.hex SINGLE.fnt DOUBLE.fnt [UNICODE.fnt]\n");
        return 2;
    }
    if (!load_hex(argv[1])) {
        fprintf(stderr, "mkfont: cannot read %s\n", argv[1]);
        return 1;
    }
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == (iconv_t)-1) {
        fprintf(stderr, "mkfont: no Shift-JIS converter\n");
        return 1;
    }
    std::vector<uint8_t> single(256 * 16);
    for (uint32_t code = 0x20; code < 256; ++code) {
        if (code == 0x7F || (code >= 0x80 && code < 0xA1) || code >= 0xE0) continue;
        put_glyph(sjis_to_unicode(cd, code), 8, &single[code * 16]);
    }
    std::vector<Fontx2Range> ranges = fontx2_sjis_rows();
    std::vector<uint8_t> glyphs;
    uint8_t glyph[32];
    for (const Fontx2Range &r : ranges) {
        for (uint32_t code = r.first_code; code <= r.last_code; ++code) {
            put_glyph(sjis_to_unicode(cd, code), 16, glyph);
            glyphs.insert(glyphs.end(), glyph, glyph + 32);
        }
    }
    iconv_close(cd);
    if (!write_file(argv[2], fontx2_write_single("UNIFONT", 8, 16, single)) ||
        !write_file(argv[3], fontx2_write_double("UNIFONTJ", 16, 16, ranges, glyphs))) {
        fprintf(stderr, "mkfont: cannot write the fonts\n");
        return 1;
    }
    printf("%s\n%s\n", argv[2], argv[3]);
    if (argc == 5) {
        const std::vector<Fontx2Range> unicode = {{0x0020, 0x007E}, {0x00A0, 0x00FF},
                                                  {0x0370, 0x03FF}, {0x0400, 0x04FF},
                                                  {0x3040, 0x30FF}, {0x4E00, 0x4FFF}};
        glyphs.clear();
        for (const Fontx2Range &r : unicode) {
            for (uint32_t cp = r.first_code; cp <= r.last_code; ++cp) {
                put_glyph(cp, 16, glyph);
                glyphs.insert(glyphs.end(), glyph, glyph + 32);
            }
        }
        if (!write_file(argv[4], fontx2_write_double("UNIFONTU", 16, 16, unicode, glyphs))) {
            fprintf(stderr, "mkfont: cannot write %s\n", argv[4]);
            return 1;
        }
        printf("%s\n", argv[4]);
    }
    return 0;
}
