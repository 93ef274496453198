// The settings-driven route of GetPicture: publish the picture's description
// when asked, and with special processing on, deliver the glyph sheet
// composited over the configured background as a 24-bit DIB.
#include "plugin/plugin_internal.h"

#include "common/row_stride.h"
#include "common/settings/info.h"
#include "compositor/compositor.h"
#include "raster/raster.h"

#include <string.h>

static void publish(int depth, uint32_t width, uint32_t height, const uint32_t *palette,
                    const PictureRecord *record) {
    ImageInfoRecord info;
    memset(&info, 0, sizeof info);
    if (record->transparent_entry >= 0) {
        if (depth <= 8) {
            info.transparent_index_plus1 = (uint16_t)(record->transparent_entry + 1);
        } else {
            info.transparent_colour_plus1 = (uint32_t)record->transparent_entry + 1;
        }
    }
    info.offset_x = (uint32_t)record->offset_x;
    info.offset_y = (uint32_t)record->offset_y;
    info.density_x = record->density_x;
    info.density_y = record->density_y;
    info_publish(width, height, (uint32_t)depth, &info, palette, record->colour_count,
                 record->file_name);
}

// Draws the 1-bit sheet through a temporary raster and converts it into the
// render raster's rows (bottom-up, like the DIB). False when it cannot.
static bool draw_sheet(const FontSheet *sheet, uint32_t render_depth, uint8_t *render) {
    Raster bits;
    bits.pixels = nullptr;
    bits.palette = nullptr;
    bits.raster_flags = 0;
    if (!raster_init(&bits, PLAIN_DEPTH, sheet->width, sheet->height, RASTER_OWNS_MEMORY, nullptr,
                     1, nullptr, -1)) {
        return false;
    }
    if (bits.palette && bits.palette_count >= PLAIN_COLOURS) plain_palette(bits.palette);
    bool ok = font_sheet_draw(sheet, bits.pixels, (uint64_t)bits.stride * sheet->height,
                              bits.stride, 1) &&
              raster_convert_into(&bits, DIB_ROW_ALIGNMENT, render_depth, 0, render, nullptr, 0, 0);
    raster_release(&bits);
    return ok;
}

// After a failure the host must find nothing it could free twice.
static void release_output(void **header_slot, void **pixel_slot) {
    heap_free(*header_slot);
    heap_free(*pixel_slot);
    *header_slot = nullptr;
    *pixel_slot = nullptr;
}

int composite_path(const SettingsRecord *settings, const FontSheet *sheet, void **header_slot,
                   void **pixel_slot, uint8_t *owned_input, const uint32_t *palette,
                   const PictureRecord *record) {
    const uint32_t width = sheet->width, height = sheet->height;
    if (settings->flags & SETTINGS_PUBLISH_INFO) {
        publish(PLAIN_DEPTH, width, height, palette, record);
    }
    if (!(settings->flags & SETTINGS_ENABLED)) return COMPOSITE_DECLINED;

    void *pixels = nullptr;
    *header_slot = make_picture_blocks(width, height, 24, nullptr, &pixels);
    *pixel_slot = pixels;
    if (!*header_slot) {
        *pixel_slot = nullptr;
        heap_free(owned_input);
        return PLUGIN_ERR_NO_MEMORY;
    }

    // The sheet is indexed: the compositor reads it at 8 bits a pixel.
    const uint32_t render_depth = 8;
    uint64_t stride = row_stride(width, render_depth, DIB_ROW_ALIGNMENT);
    uint8_t *render = (uint8_t *)heap_alloc(stride * height);
    if (!render) {
        release_output(header_slot, pixel_slot);
        heap_free(owned_input);
        return PLUGIN_ERR_NO_MEMORY;
    }
    // A sheet that could not be drawn is no picture: report it rather than
    // composite an undrawn raster.
    bool drawn = draw_sheet(sheet, render_depth, render);
    heap_free(owned_input);
    if (!drawn) {
        heap_free(render);
        release_output(header_slot, pixel_slot);
        return PLUGIN_ERR_NO_MEMORY;
    }

    int rc = composite_picture(settings, *pixel_slot, (int32_t)width, (int32_t)height, 24, palette,
                               (uint32_t)record->colour_count, render, (int32_t)stride,
                               (int32_t)render_depth);
    heap_free(render);
    if (rc != COMPOSITE_OK) {
        release_output(header_slot, pixel_slot);
        return PLUGIN_ERR_INTERNAL; // an empty palette
    }
    return PLUGIN_OK;
}
