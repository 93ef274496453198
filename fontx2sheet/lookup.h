// Looking codes and characters up in a font.
#pragma once

#include "fontx2sheet/files.h"

#include <stdint.h>
#include <string>
#include <vector>

// One code to look up: from the table as it stands, or a character.
struct LookupCode {
    uint32_t code;
    bool from_character;
    uint32_t character;   // Unicode scalar
    bool no_code;         // the character has no code in the font's code set
    std::string why_none; // with no_code: why, for the report
};
// The one entry point from a character to a font's codes. Through iconv to
// encoding when one is named: one byte gives that code, two give first x 256
// + second, anything else no code. Without one, the font's own: CP932 on the
// single-byte and JIS grids, the UTF-16 code unit in the own code order (a
// character past U+FFFF has no code: a FONTX2 font holds 16-bit codes).
std::vector<LookupCode> character_codes(const LoadedFont &loaded, uint32_t character,
                                        const std::string &encoding = std::string());
// One code's report; *found false when it has no glyph.
std::string lookup_text(const LoadedFont &loaded, const LookupCode &code, bool *found);
// A code argument: "0x93FA" or decimal (a code), or "U+00FC" (a character).
bool parse_code_argument(const std::string &text, LookupCode *code);
