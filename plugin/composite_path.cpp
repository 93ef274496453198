// The settings-driven route of GetPicture: publish the picture's description
// when asked, and with special processing on, deliver the glyph sheet
// composited over the configured background as a 24-bit DIB.
#include "plugin/plugin_internal.h"

#include "common/settings/info.h"
#include "compositor/composite_sheet.h"

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

// The sheet's rows, a band at a time.
static bool draw_sheet(const void *context, uint8_t *band, uint64_t band_size, uint64_t stride,
                       SheetBandDone done, void *sink) {
    return font_sheet_draw_bands((const FontSheet *)context, band, band_size, stride, done, sink);
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

    const SheetSource source = {width, height, sheet->cell_height, draw_sheet, sheet};
    int rc = composite_sheet(settings, &source, (uint8_t *)*pixel_slot);
    heap_free(owned_input);
    if (rc == COMPOSITE_SHEET_OK) return PLUGIN_OK;
    release_output(header_slot, pixel_slot);
    // A sheet that opened but could not be drawn is the plug-in's own fault.
    return rc == COMPOSITE_SHEET_NO_MEMORY ? PLUGIN_ERR_NO_MEMORY : PLUGIN_ERR_INTERNAL;
}
