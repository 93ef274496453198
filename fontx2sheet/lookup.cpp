// Looking codes and characters up in a font.
#include "fontx2sheet/lookup.h"

#include "fontx2sheet/code_set.h"
#include "fontx2sheet/fontx2sheet.h"

#include "common/platform/platform.h"

#include <stdio.h>

// A character's UTF-16 code units: itself, or a surrogate pair above U+FFFF.
// Returns how many.
static uint32_t utf16_units(uint32_t c, uint16_t units[2]) {
    if (c < 0x10000) {
        units[0] = (uint16_t)c;
        return 1;
    }
    const uint32_t v = c - 0x10000;
    units[0] = (uint16_t)(0xD800 | v >> 10);
    units[1] = (uint16_t)(0xDC00 | (v & 0x3FF));
    return 2;
}

// A character as UTF-8, through its UTF-16 units and the platform's converter.
static std::string utf8_encode(uint32_t c) {
    uint16_t units[2] = {};
    const uint32_t count = utf16_units(c, units);
    char out[8];
    utf16_to_utf8(units, count, out, sizeof out);
    return out;
}

std::vector<LookupCode> character_codes(const LoadedFont &loaded, uint32_t character,
                                        const std::string &encoding) {
    LookupCode one = {0, true, character, false, std::string()};
    bool single = !loaded.font.double_byte;
    if (encoding.empty() && !single && loaded.layout->order == FONTX2_ORDER_CODE) {
        one.code = character;
        one.no_code = character >= 0x10000;
        if (one.no_code)
            one.why_none = "outside the Basic Multilingual Plane: a FONTX2 font holds 16-bit "
                           "codes, so it cannot hold this character";
        return {one};
    }
    std::string set = encoding.empty() ? "CP932" : encoding;
    one.no_code = !Transcoder(set).encode(character, &one.code) ||
                  (single && one.code >= FONTX2_SINGLE_CODES);
    if (one.no_code)
        one.why_none = "the character has no code in the font's code set (" + set +
                       (single ? ", single bytes)" : ")");
    return {one};
}

static std::string glyph_picture(const Fontx2Font *font, const uint8_t *bitmap) {
    std::string text;
    for (uint32_t y = 0; y < font->glyph_height; ++y) {
        text += "  ";
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            text += fontx2_glyph_pixel(font, bitmap, x, y) ? '#' : '.';
        text += "\n";
    }
    return text;
}

static std::string subject(const LoadedFont &loaded, const LookupCode &code) {
    std::string head;
    if (code.from_character) {
        char u[16];
        snprintf(u, sizeof u, "U+%04X", code.character);
        head = u;
        if (code.character >= 0x20 && code.character != 0x7F)
            head += " " + utf8_encode(code.character);
        if (code.no_code) return head;
        head += " -> ";
    }
    return head + code_text(code.code, loaded.font.double_byte || code.code > 0xFF);
}

static std::string hex_offset(uint64_t offset) {
    char text[24];
    snprintf(text, sizeof text, "0x%llX", (unsigned long long)offset);
    return text;
}

std::string lookup_text(const LoadedFont &loaded, const LookupCode &code, bool *found) {
    const Fontx2Font *f = &loaded.font;
    std::string head = subject(loaded, code);
    *found = false;
    if (code.no_code) return head + ": " + code.why_none + "\n";
    Fontx2Glyph g;
    fontx2_lookup(f, code.code, &g);
    if (!g.held)
        return head + (f->double_byte ? ": no block holds it\n"
                                      : ": a single-byte font holds codes 0x00-0xFF only\n");
    std::string where = ": " + (f->double_byte ? "block " + std::to_string(g.block) + ", " : "") +
                        "glyph " + count_text(g.index) + ", offset " + count_text(g.offset) + " (" +
                        hex_offset(g.offset) + ")";
    if (!g.present || !g.bitmap)
        return head + where + ": its glyph lies past the end of the file (it needs bytes " +
               count_text(g.offset) + " to " + count_text(g.offset + f->glyph_bytes - 1) +
               ", the file has " + count_text(f->whole_bytes) + ")\n";
    *found = true;
    return head + where + "\n" + glyph_picture(f, g.bitmap);
}

bool parse_code_argument(const std::string &text, LookupCode *code) {
    *code = LookupCode{0, false, 0, false, std::string()};
    bool character = text.size() > 2 && (text[0] == 'U' || text[0] == 'u') && text[1] == '+';
    bool hex =
        character || (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'));
    std::string digits = text.substr(hex ? 2 : 0);
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t value = 0;
    for (char c : digits) {
        int d = c >= '0' && c <= '9'          ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
        if (d < 0) return false;
        uint64_t next = (uint64_t)value * (hex ? 16 : 10) + (uint32_t)d;
        if (next > 0x10FFFF) return false;
        value = (uint32_t)next;
    }
    if (character) {
        code->from_character = true;
        code->character = value;
        return !(value >= 0xD800 && value < 0xE000);
    }
    code->code = value;
    return value <= 0xFFFF; // a table holds 16-bit codes
}
