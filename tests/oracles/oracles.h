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
#include <vector>

// The glyph sheet as the independent reader of reference_sheet.h draws it,
// bit by bit, in a layout's order (FONTX2_ORDER_*) and shape: rows padded to
// alignment bytes, bottom-up or top-down.
std::vector<uint8_t> oracle_glyph_sheet(const std::vector<uint8_t> &font, int order, int shape,
                                        uint32_t alignment, int bottom_up);

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
