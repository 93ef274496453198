// The preview compositor: lays a rendered source picture (8-bit indices with a
// palette, or 32-bit 0xAARRGGBB words) over a plain or checkerboard
// background with optional grid lines, colour keying, brightness and alpha
// mixing, and writes the result as 24-bit DIB rows or 32-bit words.
//
// Rows are bottom-up everywhere (the first row in memory is the bottom of the
// picture); the checkerboard and the grid are anchored at the picture's
// top-left corner.
#pragma once

#include "common/settings/settings.h"

#include <stddef.h>
#include <stdint.h>

// Results, 0 for success; callers say what a failure means to them
// (composite_sheet turns it into its own result).
enum {
    COMPOSITE_OK = 0,
    COMPOSITE_ERR_INTERNAL = 8, // an 8-bit source came with an empty palette
};

enum {
    COMPOSITE_ALPHA_MASK = 0xFF000000u,
    COMPOSITE_RGB_MASK = 0x00FFFFFFu,
};

// Composites a width x height source into output. Background, keying,
// mixing, grid lines and packing are fused: each output pixel is computed once
// and stored straight into the output rows, with no working buffer, so
// nothing is allocated. With an 8-bit source mix_pixel runs once per
// (palette entry, background colour) pair rather than once per pixel.
//
// output_depth 24: height rows of ((3 * width + 3) & ~3) bytes, blue, green,
// red, zero padding. Any other depth: width * height 32-bit words.
// source_depth 8: one palette index per byte, rows source_stride bytes apart,
// with colour_count palette entries. Any other depth: 32-bit words, rows
// width * 4 bytes apart (source_stride unused); the source is modified in
// place by the alpha preparation.
//
// A picture with no pixels (width or height 0 or less) succeeds without
// touching output or source. With an empty palette the output is untouched.
int composite_picture(const SettingsRecord *settings, void *output, int32_t width, int32_t height,
                      int32_t output_depth, const uint32_t *palette, uint32_t colour_count,
                      void *source, int32_t source_stride, int32_t source_depth);

// An 8-bit source composited a band of rows at a time, so the source never
// needs to exist whole: composite_bands_start builds the colour tables once
// (results as composite_picture's), then composite_band writes picture rows
// [first_row, first_row + rows) from source rows, the top one first,
// source_stride bytes apart (negative for bottom-up rows).
enum { COMPOSITE_BANDS_STATE_BYTES = 2304 };
struct CompositeBands {
    alignas(8) uint8_t state[COMPOSITE_BANDS_STATE_BYTES];
};
int composite_bands_start(CompositeBands *bands, const SettingsRecord *settings, void *output,
                          int32_t width, int32_t height, int32_t output_depth,
                          const uint32_t *palette, uint32_t colour_count);
void composite_band(const CompositeBands *bands, const uint8_t *source, ptrdiff_t source_stride,
                    int32_t first_row, int32_t rows);

// Mixes one source colour 0xAARRGGBB over a background colour by the
// settings' brightness and alpha mode. The result is 0x00RRGGBB with every
// channel clamped to 0..255.
uint32_t mix_pixel(uint32_t source, const SettingsRecord *settings, uint32_t background);

// The colours an 8-bit source's indices stand for: 256 entries, the palette
// rotated by clut_offset (either way, always inside the palette), entries
// from colour_count on 0, then prepared as composite_prepare_alpha does.
void composite_palette_table(const SettingsRecord *settings, const uint32_t *palette,
                             uint32_t colour_count, uint32_t *table);

// Without any alpha among all_bits (the OR of the source's colours) every
// colour becomes opaque; otherwise the alpha is inverted on request.
void composite_prepare_alpha(const SettingsRecord *settings, uint32_t *words, size_t count,
                             uint32_t all_bits);
