// Where each cell of a sheet lies and which code it shows, and a drawing of
// the cells one by one for the sheets the plug-in never shows: own-code-order
// rows of more than 16 codes, paper between the cells, missing cells marked.
#pragma once

#include "fontx2/fontx2.h"
#include "fontx2sheet/picture.h"

#include <stdint.h>

#include <vector>

const uint32_t PER_ROW_MIN = 16, PER_ROW_MAX = 256; // a multiple of 16
const uint32_t GAP_MAX = 16;
// Palette index of a missing cell in a sheet drawn with them marked.
const uint32_t MISSING_INDEX = 2;

struct SheetGeometry {
    Fontx2Order order; // as the layout's
    Fontx2Shape shape;
    uint32_t columns;                // cells across
    std::vector<uint32_t> row_codes; // the code of each row's first cell
    uint32_t glyph_width;
    uint32_t glyph_height;
    uint32_t gap;   // paper pixels between neighbouring cells
    uint64_t width; // pixels, before labels and scale; 0 x 0 with nothing to draw
    uint64_t height;
};

// Whether an own-code-order grid takes per_row codes a row (the layout's 16
// otherwise): --per-row applies to nothing else.
bool per_row_applies(const Fontx2Layout *layout, uint32_t per_row);
// The laid-out sheet with per_row codes a row (0: as laid out) and gap pixels
// between cells. In the own code order a row is a line of per_row codes
// (code / per_row) that holds a code the layout shows.
void sheet_geometry(const Fontx2Font *font, const Fontx2Layout *layout, uint32_t per_row,
                    uint32_t gap, SheetGeometry *geometry);
// The code of a cell (JIS grid cells through their Shift-JIS codes).
uint32_t sheet_cell_code(const SheetGeometry &geometry, uint32_t row, uint32_t column);
// A cell's top-left pixel.
uint64_t sheet_cell_x(const SheetGeometry &geometry, uint32_t column);
uint64_t sheet_cell_y(const SheetGeometry &geometry, uint32_t row);
// Draws every cell as the plug-in would show its code, at 1 bit a pixel; with
// missing, at 2 bits, a cell whose code no block holds or whose glyph is not
// wholly in the file filled with MISSING_INDEX. False when memory fails.
bool draw_cells(const Fontx2Font *font, const Fontx2Layout *layout, const SheetGeometry &geometry,
                bool missing, Picture *picture);
