// A font read and laid out once per call, whatever its file format: the
// picture's size, and a way to draw its 1-bit glyph sheet.
#pragma once

#include "common/sheet_band.h"

#include <stdint.h>

// Room for a format's parsed font and layout, so one block holds a call's
// whole sheet (about 20 KB: the plug-in takes it from the heap, never a
// host's stack); each format checks that its state fits.
enum { FONT_SHEET_STATE_BYTES = 20 * 1024 };

struct SheetFormat;

struct FontSheet {
    uint32_t width; // pixels; 0 x 0 for an empty sheet
    uint32_t height;
    uint32_t cell_height; // pixel rows of one cell: bands are drawn whole cells at a time
    const SheetFormat *format;
    alignas(8) uint8_t state[FONT_SHEET_STATE_BYTES];
};

// What a font format supplies. The format table (sheet_formats.cpp) lists them.
struct SheetFormat {
    // Bytes from the start that size the picture (picture information reads
    // no more), unless head_needed asks for more.
    uint32_t head_bytes;
    // Bytes from the start that size the picture, judged from size bytes at
    // hand (head_bytes, or all there is) of whole_size: more than head_bytes
    // when the font's table runs on past them.
    uint64_t (*head_needed)(const uint8_t *data, uint64_t size, uint64_t whole_size);
    bool (*recognises)(const uint8_t *data, uint64_t size);
    // Reads and lays the font out from size bytes at hand; whole_size is the
    // data's whole length. False when the data is not of this format.
    bool (*open)(FontSheet *sheet, const uint8_t *data, uint64_t size, uint64_t whole_size,
                 bool single_column);
    // Draws every row (rows stride bytes apart, bottom-up when asked) into
    // bits_size bytes; false when they do not fit.
    bool (*draw)(const FontSheet *sheet, uint8_t *bits, uint64_t bits_size, uint64_t stride,
                 bool bottom_up);
    // Draws the rows top to bottom, as many whole cells as band_size bytes
    // hold at a time, handing each band to done; false when a cell does not
    // fit or done says stop.
    bool (*draw_bands)(const FontSheet *sheet, uint8_t *band, uint64_t band_size, uint64_t stride,
                       SheetBandDone done, void *sink);
};

// True when some format recognises the data.
bool font_sheet_recognised(const uint8_t *data, uint64_t size);
// The most head bytes any format needs to size its picture.
uint32_t font_sheet_head_bytes();
// The head bytes the format of the data needs at hand to size its picture,
// judged from size bytes at hand of whole_size; 0 when no format recognises
// the data.
uint64_t font_sheet_head_needed(const uint8_t *data, uint64_t size, uint64_t whole_size);
// Opens the data with the format that recognises it; false when none does.
bool font_sheet_open(FontSheet *sheet, const uint8_t *data, uint64_t size, uint64_t whole_size,
                     bool single_column);
bool font_sheet_draw(const FontSheet *sheet, uint8_t *bits, uint64_t bits_size, uint64_t stride,
                     bool bottom_up);
bool font_sheet_draw_bands(const FontSheet *sheet, uint8_t *band, uint64_t band_size,
                           uint64_t stride, SheetBandDone done, void *sink);
