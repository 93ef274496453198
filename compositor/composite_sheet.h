// A 1-bit glyph sheet composited into a 24-bit picture: the steps the
// plug-in's composite path takes and the command-line previewer repeats, so
// both deliver the same pixels.
#pragma once

#include "common/settings/settings.h"

#include <stdint.h>

enum {
    COMPOSITE_SHEET_OK = 0,
    COMPOSITE_SHEET_NO_MEMORY = 4, // a scratch block, or the sheet could not be drawn
    COMPOSITE_SHEET_INTERNAL = 8,  // an empty palette
};

// Receives a band of the sheet: rows [first_row, first_row + rows), top row
// first, rows stride bytes apart as drawn; false stops the drawing.
typedef bool (*SheetBandDone)(void *sink, const uint8_t *band, uint32_t first_row, uint32_t rows);

// Draws the sheet's rows top to bottom into band (band_size bytes, rows stride
// bytes apart), handing over each band as it is full; false when it cannot.
typedef bool (*SheetDrawer)(const void *context, uint8_t *band, uint64_t band_size, uint64_t stride,
                            SheetBandDone done, void *sink);

// Draws the width x height sheet at 1 bit per pixel, band by band (the drawer
// needs room for cell_rows rows at once), reads each band at 8 bits per pixel
// and composites it with its palette (colour_count entries) over the
// settings' background into output: 24-bit DIB rows, bottom-up, blue, green,
// red, padded to 4 bytes. Scratch memory (a few bands) lives within the call.
int composite_sheet(const SettingsRecord *settings, uint32_t width, uint32_t height,
                    uint32_t cell_rows, SheetDrawer draw, const void *context,
                    const uint32_t *palette, uint32_t colour_count, uint8_t *output);
