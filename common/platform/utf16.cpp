// UTF-16 helpers shared by both platform layers.
#include "common/platform/platform.h"

uint32_t utf16_length(const uint16_t *text) {
    uint32_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

uint32_t utf16_to_utf8(const uint16_t *text, uint32_t chars, char *out, uint32_t room) {
    uint32_t used = 0;
    auto put = [&](uint32_t byte) {
        if (out && used + 1 < room) out[used] = (char)byte;
        ++used;
    };
    for (uint32_t i = 0; i < chars; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < chars && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | c >> 6);
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | c >> 12);
            put(0x80 | (c >> 6 & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | c >> 18);
            put(0x80 | (c >> 12 & 0x3F));
            put(0x80 | (c >> 6 & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    if (out && room > 0) out[used < room ? used : room - 1] = 0;
    return used;
}
