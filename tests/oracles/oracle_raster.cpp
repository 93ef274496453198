// A 1-bit raster into an 8-bit one pixel by pixel through the codecs: the
// table-driven expansion of raster_convert must give the same bytes.
#include "tests/oracles/oracles.h"

bool oracle_raster_expand(const Raster *source, Raster *destination) {
    if (source->palette && source->palette_count != 0)
        raster_set_palette(destination, source->palette, source->palette_count);
    for (uint32_t row = 0; row < destination->height; ++row)
        for (uint32_t col = 0; col < destination->width; ++col)
            raster_put_pixel(destination, col, row, raster_get_pixel(source, col, row));
    return true;
}
