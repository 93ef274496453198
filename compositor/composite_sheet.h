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

// Draws the sheet's rows (bottom-up, stride bytes apart) into bits_size bytes;
// false when it cannot.
typedef bool (*SheetDrawer)(const void *context, uint8_t *bits, uint64_t bits_size,
                            uint64_t stride);

// Draws the width x height sheet at 1 bit per pixel, reads it at 8 bits per
// pixel and composites it with its palette (colour_count entries) over the
// settings' background into output: 24-bit DIB rows, bottom-up, blue, green,
// red, padded to 4 bytes. Scratch memory lives within the call.
int composite_sheet(const SettingsRecord *settings, uint32_t width, uint32_t height,
                    SheetDrawer draw, const void *context, const uint32_t *palette,
                    uint32_t colour_count, uint8_t *output);
