// Table-driven conversions for the pairs of packings the plug-in converts in
// bulk. raster_convert takes them when they apply; the per-pixel conversion
// stays as the reference they must match byte for byte.
#pragma once

#include "raster/raster.h"

#include <stdint.h>

// raster_convert through raster_get_pixel and raster_put_pixel only.
bool raster_convert_reference(const Raster *source, Raster *destination, int32_t x, int32_t y);

// A 1-bit indexed source (depth code 0 or 1) into an 8-bit indexed
// destination (codes 5 to 8) without offsets: eight pixels per source byte
// through a 256-entry table. Does what raster_convert does for that pair,
// palette transfer included, and returns true; false, touching nothing, for
// any other pair.
bool raster_expand_bits(const Raster *source, Raster *destination);
