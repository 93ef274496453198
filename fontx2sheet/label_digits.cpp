// Label digits shaped so that none passes for another at scale 1: a round 0
// against a lower-case d, a waisted 8 against a lower-case b, a 1 with a foot
// against a 7 with a bar. Any two differ in at least three pixels.
#include "fontx2sheet/label_digits.h"

namespace {

const uint8_t DIGITS[16][LABEL_DIGIT_HEIGHT] = {
    {2, 5, 5, 5, 2}, {2, 6, 2, 2, 7}, {6, 1, 2, 4, 7}, {6, 1, 2, 1, 6},
    {5, 5, 7, 1, 1}, {7, 4, 6, 1, 6}, {3, 4, 6, 5, 2}, {7, 1, 1, 2, 2},
    {2, 5, 2, 5, 2}, {2, 5, 3, 1, 6}, {2, 5, 7, 5, 5}, {4, 4, 6, 5, 6},
    {3, 4, 4, 4, 3}, {1, 1, 3, 5, 3}, {7, 4, 7, 4, 7}, {7, 4, 6, 4, 4},
};

// The bitmap of a text character; null for a space (or anything else).
const uint8_t *char_digit(char c) {
    if (c >= '0' && c <= '9') return DIGITS[c - '0'];
    if (c >= 'A' && c <= 'F') return DIGITS[c - 'A' + 10];
    return nullptr;
}

} // namespace

const uint8_t *label_digit(uint32_t value) {
    return DIGITS[value & 15];
}

uint32_t label_text_width(const std::string &text, uint32_t scale) {
    return text.empty() ? 0 : ((uint32_t)text.size() * LABEL_DIGIT_ADVANCE - 1) * scale;
}

void draw_label(Picture *picture, uint32_t x, uint32_t y, const std::string &text, uint32_t scale,
                uint32_t ink) {
    for (char c : text) {
        const uint8_t *glyph = char_digit(c);
        for (uint32_t row = 0; glyph && row < LABEL_DIGIT_HEIGHT * scale; ++row)
            for (uint32_t col = 0; col < LABEL_DIGIT_WIDTH * scale; ++col)
                if (glyph[row / scale] >> (LABEL_DIGIT_WIDTH - 1 - col / scale) & 1)
                    picture_put(picture, x + col, y + row, ink);
        x += LABEL_DIGIT_ADVANCE * scale;
    }
}
