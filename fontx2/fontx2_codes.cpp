// What the codes a font holds look like.
#include "fontx2/fontx2.h"

bool fontx2_sjis_is_double_byte(uint32_t code) {
    uint32_t lead = code >> 8, trail = code & 0xFF;
    return code <= 0xFFFF && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
           trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

uint32_t fontx2_layout_sjis_codes(const Fontx2Layout *layout) {
    uint32_t count = 0;
    // A line of 16 codes shares its lead byte and its trail bytes' high half.
    for (uint32_t line = 0; line < FONTX2_CODE_LINES; ++line) {
        uint32_t bits = layout->coverage[line];
        while (bits) {
            uint32_t low = (uint32_t)__builtin_ctz(bits);
            count += fontx2_sjis_is_double_byte(line * FONTX2_LINE_CODES + low);
            bits &= bits - 1;
        }
    }
    return count;
}
