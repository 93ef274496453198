// Writing FONTX2 fonts: the header, the block table and the glyphs as given.
#include "fontx2/fontx2_writer.h"

#include "fontx2/fontx2.h"

#include <string.h>

uint32_t fontx2_glyph_bytes(uint32_t width, uint32_t height) {
    return (width + 7) / 8 * height;
}

static std::vector<uint8_t> header(const char *name, uint8_t width, uint8_t height,
                                   uint8_t code_type) {
    std::vector<uint8_t> out(FONTX2_AT_CODE_TYPE + 1, 0);
    memcpy(out.data(), FONTX2_SIGNATURE, FONTX2_SIGNATURE_BYTES);
    for (int i = 0; i < FONTX2_NAME_BYTES; ++i) out[FONTX2_AT_NAME + i] = ' ';
    for (int i = 0; i < FONTX2_NAME_BYTES && name && name[i]; ++i)
        out[FONTX2_AT_NAME + i] = (uint8_t)name[i];
    out[FONTX2_AT_WIDTH] = width;
    out[FONTX2_AT_HEIGHT] = height;
    out[FONTX2_AT_CODE_TYPE] = code_type;
    return out;
}

std::vector<uint8_t> fontx2_write_single(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<uint8_t> &glyphs) {
    std::vector<uint8_t> out = header(name, width, height, 0);
    out.insert(out.end(), glyphs.begin(), glyphs.end());
    return out;
}

std::vector<uint8_t> fontx2_write_double(const char *name, uint8_t width, uint8_t height,
                                         const std::vector<Fontx2Range> &ranges,
                                         const std::vector<uint8_t> &glyphs) {
    std::vector<uint8_t> out = header(name, width, height, 1);
    out.push_back((uint8_t)(ranges.size() & 0xFF)); // at FONTX2_AT_BLOCK_COUNT; wraps above 255
    for (const Fontx2Range &r : ranges) {
        out.push_back((uint8_t)(r.first_code & 0xFF));
        out.push_back((uint8_t)(r.first_code >> 8));
        out.push_back((uint8_t)(r.last_code & 0xFF));
        out.push_back((uint8_t)(r.last_code >> 8));
    }
    out.insert(out.end(), glyphs.begin(), glyphs.end());
    return out;
}

std::vector<Fontx2Range> fontx2_sjis_rows() {
    std::vector<Fontx2Range> rows;
    // 47 lead bytes (0x81-0x9F, 0xE0-0xEF) with two JIS rows each.
    for (uint32_t lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead == 0xA0) lead = 0xE0;
        rows.push_back({(uint16_t)(lead << 8 | 0x40), (uint16_t)(lead << 8 | 0x7E)});
        rows.push_back({(uint16_t)(lead << 8 | 0x80), (uint16_t)(lead << 8 | 0xFC)});
    }
    return rows;
}
