// Code labels in a margin around the sheet, in a built-in 3 x 5 digit font.
#include "fontx2sheet/fontx2sheet.h"

#include <string.h>

namespace {

// Rows top to bottom, three bits each (bit 2 leftmost): 0-9, then A-F.
const uint8_t DIGITS[16][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6},
    {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4},
};
const uint32_t DIGIT_WIDTH = 3, DIGIT_HEIGHT = 5, DIGIT_ADVANCE = 4;

// How the rows are labelled: hex codes of so many digits, or JIS row numbers
// (decimal, from 1).
struct RowLabels {
    bool jis_rows;
    uint32_t digits;
};

RowLabels row_labels(const Fontx2Font *font, const Fontx2Layout *layout) {
    if (layout->order == FONTX2_ORDER_JIS && layout->shape == FONTX2_GRID) return {true, 2};
    return {false, font->double_byte ? 4u : 2u};
}

std::string number(uint32_t value, bool decimal, uint32_t digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    uint32_t base = decimal ? 10 : 16;
    do {
        text.insert(text.begin(), hex[value % base]);
        value /= base;
    } while (value > 0);
    if (!decimal)
        while (text.size() < digits) text.insert(text.begin(), '0');
    return text;
}

uint32_t text_width(const std::string &text, uint32_t scale) {
    return text.empty() ? 0 : ((uint32_t)text.size() * DIGIT_ADVANCE - 1) * scale;
}

void draw_text(Picture *picture, uint32_t x, uint32_t y, const std::string &text, uint32_t scale,
               uint32_t ink) {
    for (char c : text) {
        const uint8_t *glyph = DIGITS[c <= '9' ? c - '0' : c - 'A' + 10];
        for (uint32_t row = 0; row < DIGIT_HEIGHT * scale; ++row)
            for (uint32_t col = 0; col < DIGIT_WIDTH * scale; ++col)
                if (glyph[row / scale] >> (DIGIT_WIDTH - 1 - col / scale) & 1)
                    picture_put(picture, x + col, y + row, ink);
        x += DIGIT_ADVANCE * scale;
    }
}

// Where a label of height h goes in a cell span of size: centred, or at its
// start when it does not fit.
uint32_t centred(uint32_t start, uint32_t size, uint32_t h) {
    return size > h ? start + (size - h) / 2 : start;
}

void label_rows(const Fontx2Layout *layout, const RowLabels &kind, const Margins &m,
                uint32_t glyph_height, uint32_t ink, Picture *out) {
    uint32_t walk = 0, code = 0, row = 0;
    while (fontx2_next_row(layout, &walk, &code)) {
        std::string text = number(kind.jis_rows ? row + 1 : code, kind.jis_rows, kind.digits);
        uint32_t x = m.left - m.digit_scale - text_width(text, m.digit_scale);
        uint32_t y =
            centred(m.top + row * glyph_height, glyph_height, DIGIT_HEIGHT * m.digit_scale);
        draw_text(out, x, y, text, m.digit_scale, ink);
        ++row;
    }
}

// Hex digits 0-F over the 16 columns; JIS column numbers 1, 10, 20, ... 90.
void label_columns(const Fontx2Layout *layout, const Margins &m, uint32_t glyph_width, uint32_t ink,
                   Picture *out) {
    bool jis = layout->order == FONTX2_ORDER_JIS;
    for (uint32_t col = 0; col < layout->columns; ++col) {
        if (jis && col != 0 && (col + 1) % 10 != 0) continue;
        std::string text = number(jis ? col + 1 : col, jis, 1);
        uint32_t x =
            centred(m.left + col * glyph_width, glyph_width, text_width(text, m.digit_scale));
        draw_text(out, x, m.top - m.digit_scale - DIGIT_HEIGHT * m.digit_scale, text, m.digit_scale,
                  ink);
    }
}

} // namespace

const uint8_t *label_digit(uint32_t value) {
    return DIGITS[value & 15];
}

Margins label_margins(const Fontx2Font *font, const Fontx2Layout *layout) {
    Margins m;
    // Digits grow with the glyphs, up to four times.
    uint32_t scale = font->glyph_height / 16;
    m.digit_scale = scale < 1 ? 1 : scale > 4 ? 4 : scale;
    RowLabels kind = row_labels(font, layout);
    uint32_t text = (kind.digits * DIGIT_ADVANCE - 1 + 2) * m.digit_scale; // a space each side
    m.left = (text + 7) / 8 * 8;
    m.top = layout->shape == FONTX2_GRID ? (DIGIT_HEIGHT + 2) * m.digit_scale : 0;
    return m;
}

bool add_labels(const Fontx2Font *font, const Fontx2Layout *layout, const Picture &sheet,
                uint32_t ink, Picture *labelled) {
    Margins m = label_margins(font, layout);
    if (!picture_alloc(labelled, sheet.width + m.left, sheet.height + m.top, sheet.bits))
        return false;
    uint64_t skip = (uint64_t)m.left * sheet.bits / 8; // m.left is a multiple of 8
    for (uint32_t y = 0; y < sheet.height; ++y)
        memcpy(labelled->rows.data() + (y + m.top) * labelled->stride + skip,
               sheet.rows.data() + y * sheet.stride, (size_t)sheet.stride);
    label_rows(layout, row_labels(font, layout), m, font->glyph_height, ink, labelled);
    if (layout->shape == FONTX2_GRID) label_columns(layout, m, font->glyph_width, ink, labelled);
    return true;
}
