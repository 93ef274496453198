// A 1-bit glyph sheet composited into a 24-bit picture: the one helper the
// plug-in's composite path and the command's render --composite both call,
// so both deliver the same pixels.
#pragma once

#include "common/settings/settings.h"
#include "common/sheet_band.h"

#include <stdint.h>

// Results. The memory and internal codes are the host interface's, so the
// plug-in passes them on unchanged.
enum {
    COMPOSITE_SHEET_OK = 0,
    COMPOSITE_SHEET_NOT_DRAWN = 1, // the drawer failed: no picture, though memory was there
    COMPOSITE_SHEET_NO_MEMORY = 4, // the bands' scratch block
    COMPOSITE_SHEET_INTERNAL = 8,  // the compositor refused the sheet's palette
};

// The sheet's two colours, 0xAARRGGBB: index 0 paper (black), 1 ink (white).
enum { SHEET_COLOURS = 2 };
extern const uint32_t SHEET_PALETTE[SHEET_COLOURS];

// A sheet to composite: its size, and how to draw it band by band.
struct SheetSource {
    uint32_t width; // pixels
    uint32_t height;
    uint32_t cell_height; // pixel rows of one cell: a band holds at least this many
    SheetDrawer draw;
    const void *sheet; // handed to draw
};

// Draws the sheet at 1 bit per pixel band by band, reads each band at 8 bits
// per pixel and composites it in SHEET_PALETTE's colours over the settings'
// background into output: 24-bit DIB rows, bottom-up, blue, green, red,
// padded to 4 bytes. Scratch memory (a few bands) lives within the call.
int composite_sheet(const SettingsRecord *settings, const SheetSource *source, uint8_t *output);
// What a result means, for a person: "" for COMPOSITE_SHEET_OK.
const char *composite_sheet_message(int result);
