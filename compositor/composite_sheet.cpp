#include "compositor/composite_sheet.h"

#include "common/platform/platform.h"
#include "common/row_stride.h"
#include "compositor/compositor.h"
#include "raster/raster.h"

// Draws the 1-bit sheet through a temporary raster and converts it into the
// render rows (8 bits a pixel, bottom-up like the output). False when it
// cannot.
static bool render_sheet(uint32_t width, uint32_t height, SheetDrawer draw, const void *context,
                         uint32_t render_depth, uint8_t *render) {
    Raster bits;
    bits.pixels = nullptr;
    bits.palette = nullptr;
    bits.raster_flags = 0;
    if (!raster_init(&bits, 1, width, height, RASTER_OWNS_MEMORY, nullptr, RASTER_DEPTH_1, nullptr,
                     -1)) {
        return false;
    }
    bool ok = draw(context, bits.pixels, (uint64_t)bits.stride * height, bits.stride) &&
              raster_convert_into(&bits, DIB_ROW_ALIGNMENT, render_depth, 0, render, nullptr, 0, 0);
    raster_release(&bits);
    return ok;
}

int composite_sheet(const SettingsRecord *settings, uint32_t width, uint32_t height,
                    SheetDrawer draw, const void *context, const uint32_t *palette,
                    uint32_t colour_count, uint8_t *output) {
    // The sheet is indexed: the compositor reads it at 8 bits a pixel.
    const uint32_t render_depth = 8;
    uint64_t stride = row_stride(width, render_depth, DIB_ROW_ALIGNMENT);
    uint8_t *render = (uint8_t *)heap_alloc(stride * height);
    if (!render) return COMPOSITE_SHEET_NO_MEMORY;
    // A sheet that could not be drawn is no picture: report it rather than
    // composite an undrawn raster.
    if (!render_sheet(width, height, draw, context, render_depth, render)) {
        heap_free(render);
        return COMPOSITE_SHEET_NO_MEMORY;
    }
    int rc = composite_picture(settings, output, (int32_t)width, (int32_t)height, 24, palette,
                               colour_count, render, (int32_t)stride, (int32_t)render_depth);
    heap_free(render);
    return rc == COMPOSITE_OK ? COMPOSITE_SHEET_OK : COMPOSITE_SHEET_INTERNAL;
}
