// A sheet's codes in a margin: row codes at the left, column digits above.
#pragma once

#include "fontx2sheet/picture.h"

#include <stdint.h>

struct SheetGeometry; // sheet_cells.h

struct Margins {
    uint32_t left; // a multiple of 8 pixels, so 1-bit rows move bytewise
    uint32_t top;
    uint32_t digit_scale;
};
Margins label_margins(const SheetGeometry &geometry);
// The sheet placed in a picture with margins, the codes drawn in them.
bool add_labels(const SheetGeometry &geometry, const Picture &sheet, uint32_t ink,
                Picture *labelled);
