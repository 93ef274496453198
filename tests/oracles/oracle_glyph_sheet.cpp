// The glyph sheet oracle: the independent reader's drawing, in the library's
// terms of order and shape.
#include "tests/oracles/oracles.h"
#include "tests/oracles/reference_sheet.h"

std::vector<uint8_t> oracle_glyph_sheet(const std::vector<uint8_t> &font, int order, int shape,
                                        uint32_t alignment, int bottom_up) {
    int reference_order = order == FONTX2_ORDER_JIS    ? reference::ORDER_JIS
                          : order == FONTX2_ORDER_CODE ? reference::ORDER_CODE
                                                       : reference::ORDER_AUTO;
    return reference::sheet_pixels(font.data(), font.size(), reference_order,
                                   shape == FONTX2_COLUMN, alignment, bottom_up != 0);
}
