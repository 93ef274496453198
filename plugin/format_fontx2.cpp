// The plug-in's FONTX2 format: a font read once and laid out once by the
// font library, then drawn whole or band by band.
#include "plugin/font_sheet.h"

#include "fontx2/fontx2.h"

#include <new>

namespace {

struct Fontx2SheetState {
    Fontx2Font font;
    Fontx2Layout layout;
};
static_assert(sizeof(Fontx2SheetState) <= FONT_SHEET_STATE_BYTES, "the state fits the sheet");

bool recognises(const uint8_t *data, uint64_t size) {
    return fontx2_has_signature(data, size);
}

uint64_t head_needed(const uint8_t *data, uint64_t size, uint64_t whole_size) {
    Fontx2Font font;
    if (fontx2_read(&font, data, size, whole_size) != FONTX2_OK) return 0;
    // A count byte that may have wrapped: the table may run far past the head.
    const uint64_t head = FONTX2_HEADER_BYTES;
    return font.head_needed > head ? font.head_needed : head;
}

bool open(FontSheet *sheet, const uint8_t *data, uint64_t size, uint64_t whole_size,
          bool single_column) {
    Fontx2SheetState *state = new (sheet->state) Fontx2SheetState;
    if (fontx2_read(&state->font, data, size, whole_size) != FONTX2_OK) return false;
    fontx2_lay_out(&state->layout, &state->font, FONTX2_ORDER_AUTO,
                   single_column ? FONTX2_COLUMN : FONTX2_GRID);
    sheet->width = state->layout.width;
    sheet->height = state->layout.height;
    sheet->cell_height = state->font.glyph_height;
    return true;
}

bool draw(const FontSheet *sheet, uint8_t *bits, uint64_t bits_size, uint64_t stride,
          bool bottom_up) {
    const Fontx2SheetState *state = (const Fontx2SheetState *)sheet->state;
    return fontx2_draw(&state->font, &state->layout, bits, bits_size, stride,
                       bottom_up ? FONTX2_BOTTOM_UP : FONTX2_TOP_DOWN) == FONTX2_OK;
}

bool draw_bands(const FontSheet *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
                SheetBandDone done, void *sink) {
    const Fontx2SheetState *state = (const Fontx2SheetState *)sheet->state;
    const Fontx2Sheet laid_out = {&state->font, &state->layout};
    return fontx2_sheet_bands(&laid_out, band, band_size, stride, done, sink);
}

} // namespace

extern const SheetFormat fontx2_sheet_format = {
    FONTX2_HEADER_BYTES, head_needed, recognises, open, draw, draw_bands};
