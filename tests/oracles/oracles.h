// Slow, per-pixel versions of the operations the product ships in a fast
// form: the equivalence tests, the fuzz targets and the benchmarks compare
// the shipped routines with these. Test-only: nothing here is linked into
// the plug-in or the tool.
#pragma once

#include "common/settings/settings.h"
#include "compositor/compositor.h"
#include "fontx2/fontx2.h"
#include "raster/raster.h"

#include <stdint.h>

// glyph_sheet_render bit by bit, one OR per ink pixel; the same contract
// (clears the destination first).
bool oracle_glyph_sheet_render(GlyphSheet *sheet, uint32_t row_alignment, uint8_t *destination,
                               int bottom_up);

// raster_convert of a 1-bit source into an 8-bit destination without
// offsets, through raster_get_pixel and raster_put_pixel.
bool oracle_raster_expand(const Raster *source, Raster *destination);

// composite_picture through a working buffer of width * height words;
// ORACLE_ERR_NO_MEMORY when that cannot be allocated.
enum { ORACLE_ERR_NO_MEMORY = 4 };
int oracle_composite_picture(const SettingsRecord *settings, void *output, int32_t width,
                             int32_t height, int32_t output_depth, const uint32_t *palette,
                             uint32_t colour_count, void *source, int32_t source_stride,
                             int32_t source_depth);
