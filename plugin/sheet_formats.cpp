// The font formats the plug-in shows: another format is one more module and
// one more line in this table.
#include "plugin/font_sheet.h"

extern const SheetFormat fontx2_sheet_format;

static const SheetFormat *const sheet_formats[] = {
    &fontx2_sheet_format,
};

static const SheetFormat *format_of(const uint8_t *data, uint64_t size) {
    for (const SheetFormat *format : sheet_formats)
        if (format->recognises(data, size)) return format;
    return nullptr;
}

bool font_sheet_recognised(const uint8_t *data, uint64_t size) {
    return format_of(data, size) != nullptr;
}

uint32_t font_sheet_head_bytes() {
    uint32_t most = 0;
    for (const SheetFormat *format : sheet_formats)
        if (format->head_bytes > most) most = format->head_bytes;
    return most;
}

uint64_t font_sheet_head_needed(const uint8_t *data, uint64_t size, uint64_t whole_size) {
    const SheetFormat *format = format_of(data, size);
    return format ? format->head_needed(data, size, whole_size) : 0;
}

bool font_sheet_open(FontSheet *sheet, const uint8_t *data, uint64_t size, uint64_t whole_size,
                     bool single_column) {
    sheet->width = sheet->height = sheet->cell_height = 0;
    sheet->format = format_of(data, size);
    return sheet->format && sheet->format->open(sheet, data, size, whole_size, single_column);
}

bool font_sheet_draw(const FontSheet *sheet, uint8_t *bits, uint64_t bits_size, uint64_t stride,
                     bool bottom_up) {
    return sheet->format && sheet->format->draw(sheet, bits, bits_size, stride, bottom_up);
}

bool font_sheet_draw_bands(const FontSheet *sheet, uint8_t *band, uint64_t band_size,
                           uint64_t stride, SheetBandDone done, void *sink) {
    return sheet->format && sheet->format->draw_bands(sheet, band, band_size, stride, done, sink);
}
