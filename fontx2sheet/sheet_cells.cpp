// Sheet geometry with any row length and gap, and the cells drawn one by one.
// The plug-in's own drawing stays the one for its pictures; this one is only
// for the sheets it never shows, so it favours plainness over speed.
#include "fontx2sheet/sheet_cells.h"

#include <new>

namespace {

// The rows of an own-code-order grid of per_row codes: each line of per_row
// codes holding a shown code, by its first code.
void own_order_rows(const Fontx2Layout *layout, uint32_t per_row, std::vector<uint32_t> *rows) {
    const uint32_t words = per_row / FONTX2_LINE_CODES; // coverage words a row spans
    for (uint32_t line = 0; line < FONTX2_CODE_LINES; line += words) {
        bool shown = false;
        for (uint32_t w = 0; w < words; ++w) shown = shown || layout->shown[line + w] != 0;
        if (shown) rows->push_back(line * FONTX2_LINE_CODES);
    }
}

// Every code's glyph index (FONTX2_NO_GLYPH when no block holds it).
bool glyph_indices(const Fontx2Font *font, std::vector<uint32_t> *index) {
    try {
        index->assign(FONTX2_CODES, FONTX2_NO_GLYPH); // single-byte fonts map 256
    } catch (const std::bad_alloc &) {
        return false;
    }
    fontx2_map_codes(font, index->data(), nullptr);
    return true;
}

struct Cell {
    const uint8_t *bitmap; // null: blank
    bool missing;          // no block holds the code, or its glyph is not wholly in the file
};

// What the plug-in shows for a code: in the own code order blank unless the
// layout shows the code; on the grids the glyph, or the first glyph for a
// code no block holds; blank where the bitmap is not at hand.
Cell cell_content(const Fontx2Font *font, const Fontx2Layout *layout,
                  const std::vector<uint32_t> &index, uint32_t code) {
    const uint32_t glyph = index[code];
    Cell cell = {nullptr, glyph == FONTX2_NO_GLYPH};
    if (layout->order == FONTX2_ORDER_CODE && !fontx2_layout_shows(layout, code)) {
        cell.missing = true;
        return cell;
    }
    Fontx2Glyph g;
    fontx2_place_glyph(font, font->glyph_offset, glyph == FONTX2_NO_GLYPH ? 0 : glyph, &g);
    cell.missing = cell.missing || !g.present;
    cell.bitmap = g.bitmap;
    return cell;
}

void put_glyph(Picture *picture, uint64_t x0, uint64_t y0, const Fontx2Font *font,
               const uint8_t *bitmap) {
    for (uint32_t y = 0; y < font->glyph_height; ++y)
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            if (fontx2_glyph_pixel(font, bitmap, x, y))
                picture_put(picture, (uint32_t)(x0 + x), (uint32_t)(y0 + y), 1);
}

void fill_cell(Picture *picture, uint64_t x0, uint64_t y0, const Fontx2Font *font, uint32_t value) {
    for (uint32_t y = 0; y < font->glyph_height; ++y)
        for (uint32_t x = 0; x < font->glyph_width; ++x)
            picture_put(picture, (uint32_t)(x0 + x), (uint32_t)(y0 + y), value);
}

} // namespace

bool per_row_applies(const Fontx2Layout *layout, uint32_t per_row) {
    return per_row != 0 && layout->order == FONTX2_ORDER_CODE && layout->shape == FONTX2_GRID;
}

void sheet_geometry(const Fontx2Font *font, const Fontx2Layout *layout, uint32_t per_row,
                    uint32_t gap, SheetGeometry *g) {
    g->order = layout->order;
    g->shape = layout->shape;
    g->glyph_width = font->glyph_width;
    g->glyph_height = font->glyph_height;
    g->gap = gap;
    g->row_codes.clear();
    if (per_row_applies(layout, per_row)) {
        g->columns = per_row;
        own_order_rows(layout, per_row, &g->row_codes);
    } else {
        g->columns = layout->columns;
        uint32_t walk = 0, code = 0;
        while (fontx2_next_row(layout, &walk, &code)) g->row_codes.push_back(code);
    }
    g->width = g->height = 0;
    // The layout is empty when a glyph dimension is 0 or no code is shown.
    if (layout->width == 0 || g->row_codes.empty()) return;
    const uint64_t rows = g->row_codes.size();
    g->width = (uint64_t)g->columns * g->glyph_width + (uint64_t)(g->columns - 1) * gap;
    g->height = rows * g->glyph_height + (rows - 1) * gap;
}

uint32_t sheet_cell_code(const SheetGeometry &g, uint32_t row, uint32_t column) {
    if (g.order == FONTX2_ORDER_JIS && g.shape == FONTX2_GRID)
        return fontx2_jis_to_sjis((uint16_t)((0x21 + row) << 8 | (0x21 + column)));
    return g.row_codes[row] + column;
}

uint64_t sheet_cell_x(const SheetGeometry &g, uint32_t column) {
    return (uint64_t)column * (g.glyph_width + g.gap);
}

uint64_t sheet_cell_y(const SheetGeometry &g, uint32_t row) {
    return (uint64_t)row * (g.glyph_height + g.gap);
}

bool draw_cells(const Fontx2Font *font, const Fontx2Layout *layout, const SheetGeometry &g,
                bool missing, Picture *picture) {
    std::vector<uint32_t> index;
    if (g.width > 0x7FFFFFFF || g.height > 0x7FFFFFFF || !glyph_indices(font, &index) ||
        !picture_alloc(picture, (uint32_t)g.width, (uint32_t)g.height, missing ? 2 : 1))
        return false;
    for (uint32_t row = 0; row < g.row_codes.size(); ++row) {
        for (uint32_t column = 0; column < g.columns; ++column) {
            const Cell cell = cell_content(font, layout, index, sheet_cell_code(g, row, column));
            const uint64_t x = sheet_cell_x(g, column), y = sheet_cell_y(g, row);
            if (missing && cell.missing)
                fill_cell(picture, x, y, font, MISSING_INDEX);
            else if (cell.bitmap)
                put_glyph(picture, x, y, font, cell.bitmap);
        }
    }
    return true;
}
