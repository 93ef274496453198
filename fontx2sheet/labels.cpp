// Code labels in a margin around the sheet, in a built-in 3 x 5 digit font.
#include "fontx2sheet/labels.h"

#include "fontx2sheet/label_digits.h"
#include "fontx2sheet/sheet_cells.h"

#include <string.h>

namespace {

bool jis_grid(const SheetGeometry &g) {
    return g.order == FONTX2_ORDER_JIS && g.shape == FONTX2_GRID;
}

std::string number(uint32_t value, bool decimal, uint32_t digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    uint32_t base = decimal ? 10 : 16;
    do {
        text.insert(text.begin(), hex[value % base]);
        value /= base;
    } while (value > 0);
    while (text.size() < digits) text.insert(text.begin(), '0');
    return text;
}

// A row's label: its first code in hex; on the JIS grid the row number, then
// the Shift-JIS code of its first cell, the code a font maker looks up.
std::string row_label(const SheetGeometry &g, uint32_t row) {
    if (jis_grid(g)) return number(row + 1, true, 1) + " " + number(g.row_codes[row], false, 4);
    return number(g.row_codes[row], false, g.order == FONTX2_ORDER_SINGLE ? 2 : 4);
}

// The widest row label, in characters.
uint32_t row_label_chars(const SheetGeometry &g) {
    return jis_grid(g) ? 7 : g.order == FONTX2_ORDER_SINGLE ? 2 : 4;
}

// Where a label of height h goes in a cell span of size: centred, or at its
// start when it does not fit.
uint32_t centred(uint64_t start, uint32_t size, uint32_t h) {
    return (uint32_t)(size > h ? start + (size - h) / 2 : start);
}

// Two digit spaces before the glyphs, so a label never reads as one number
// with digit-like glyphs beside it; a label that would run into the one above
// it (cells lower than the digits) is left out.
void label_rows(const SheetGeometry &g, const Margins &m, uint32_t ink, Picture *out) {
    const uint32_t height = LABEL_DIGIT_HEIGHT * m.digit_scale;
    uint64_t free_from = 0; // the first row after the last label and a space
    for (uint32_t row = 0; row < g.row_codes.size(); ++row) {
        std::string text = row_label(g, row);
        uint32_t x = m.left - 2 * m.digit_scale - label_text_width(text, m.digit_scale);
        uint32_t y = centred(m.top + sheet_cell_y(g, row), g.glyph_height, height);
        if (y < free_from) continue;
        draw_label(out, x, y, text, m.digit_scale, ink);
        free_from = (uint64_t)y + height + m.digit_scale;
    }
}

// Hex column numbers; JIS column numbers 1, 10, 20, ... 90. A label that
// would run into the one before it is left out.
void label_columns(const SheetGeometry &g, const Margins &m, uint32_t ink, Picture *out) {
    const bool jis = jis_grid(g);
    uint64_t free_from = 0; // the first pixel after the last label and a space
    for (uint32_t col = 0; col < g.columns; ++col) {
        if (jis && col != 0 && (col + 1) % 10 != 0) continue;
        std::string text = number(jis ? col + 1 : col, jis, 1);
        const uint32_t width = label_text_width(text, m.digit_scale);
        uint32_t x = centred(m.left + sheet_cell_x(g, col), g.glyph_width, width);
        if (x < free_from) continue;
        draw_label(out, x, m.top - m.digit_scale - LABEL_DIGIT_HEIGHT * m.digit_scale, text,
                   m.digit_scale, ink);
        free_from = (uint64_t)x + width + m.digit_scale;
    }
}

} // namespace

Margins label_margins(const SheetGeometry &g) {
    Margins m;
    // Digits grow with the glyphs, up to four times.
    uint32_t scale = g.glyph_height / 16;
    m.digit_scale = scale < 1 ? 1 : scale > 4 ? 4 : scale;
    uint32_t text = (row_label_chars(g) * LABEL_DIGIT_ADVANCE - 1 + 3) *
                    m.digit_scale; // a space before, two after
    m.left = (text + 7) / 8 * 8;
    m.top = g.shape == FONTX2_GRID ? (LABEL_DIGIT_HEIGHT + 2) * m.digit_scale : 0;
    return m;
}

bool add_labels(const SheetGeometry &g, const Picture &sheet, uint32_t ink, Picture *labelled) {
    Margins m = label_margins(g);
    if (!picture_alloc(labelled, sheet.width + m.left, sheet.height + m.top, sheet.bits))
        return false;
    uint64_t skip = (uint64_t)m.left * sheet.bits / 8; // m.left is a multiple of 8
    for (uint32_t y = 0; y < sheet.height; ++y)
        memcpy(labelled->rows.data() + (y + m.top) * labelled->stride + skip,
               sheet.rows.data() + y * sheet.stride, (size_t)sheet.stride);
    label_rows(g, m, ink, labelled);
    if (g.shape == FONTX2_GRID) label_columns(g, m, ink, labelled);
    return true;
}
