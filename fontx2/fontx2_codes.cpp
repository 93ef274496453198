// Code sets: JIS X 0208 to Shift-JIS, and what the codes a font holds look
// like.
#include "fontx2/fontx2.h"

uint16_t fontx2_jis_to_sjis(uint16_t jis) {
    // Two JIS rows share one Shift-JIS lead byte: x counts from row and cell
    // 0x21, and bit 8 (an odd row offset) moves the cell to the second half
    // (trail bytes from 0x9F) instead of the first (from 0x40), skipping 0x7F.
    uint32_t x = (uint32_t)jis - 0x2121;
    x += (x & 0x100) ? 0x9E : 0x40;
    if ((x & 0xFF) >= 0x7F) x += 1;
    // The row pair becomes the lead byte from 0x81, jumping 0xA0-0xDF, which
    // single-byte katakana use.
    uint32_t s = (((x >> 1) & ~0xFFu) + 0x8100) | (x & 0xFF);
    if (s >= 0xA000) s += 0x4000;
    return (uint16_t)s;
}

bool fontx2_sjis_is_double_byte(uint32_t code) {
    uint32_t lead = code >> 8, trail = code & 0xFF;
    return code <= 0xFFFF && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
           trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

uint32_t fontx2_layout_sjis_codes(const Fontx2Layout *layout) {
    // A line of 16 codes shares its lead byte and its trail bytes' high
    // half, so the line's two-byte codes are a mask by that half: trail
    // bytes 0x40-0x7E and 0x80-0xFC.
    static const uint16_t trail_mask[16] = {0,      0,      0,      0,      0xFFFF, 0xFFFF,
                                            0xFFFF, 0x7FFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                            0xFFFF, 0xFFFF, 0xFFFF, 0x1FFF};
    uint32_t count = 0;
    for (uint32_t line = 0; line < FONTX2_CODE_LINES; ++line) {
        const uint32_t lead = line >> 4;
        if (layout->coverage[line] == 0 || !fontx2_sjis_is_double_byte(lead << 8 | 0x40)) continue;
        count += (uint32_t)__builtin_popcount(layout->coverage[line] & trail_mask[line & 15]);
    }
    return count;
}
