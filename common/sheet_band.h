// A glyph sheet handed over a band of rows at a time: the one callback type
// the font library draws into, the plug-in's formats pass on and the
// compositor consumes.
#pragma once

#include <stdint.h>

// Receives rows [first_row, first_row + rows) of a band, top row first, rows
// as many bytes apart as the drawer was told; false stops the drawing.
typedef bool (*SheetBandDone)(void *sink, const uint8_t *band, uint32_t first_row, uint32_t rows);

// Draws a sheet's rows top to bottom into band (band_size bytes, rows stride
// bytes apart), whole cells at a time, handing each band to done; false when
// a cell does not fit or done says stop.
typedef bool (*SheetDrawer)(const void *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
                            SheetBandDone done, void *sink);
