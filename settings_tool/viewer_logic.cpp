#include "settings_tool/viewer_logic.h"

#include <stdio.h>
#include <string.h>

// The swatch grid: 16 x 16 swatches of 12 pixels, 2 pixels apart, inside a
// 5-pixel margin, which fills the image exactly.
enum {
    SWATCH_COLUMNS = 16, // and as many rows: the first 256 entries
    SWATCH_SIZE = 12,
    SWATCH_PITCH = 14, // a swatch and the gap to the next
    SWATCH_MARGIN = 5,
    // With alpha strips: the colour on top, a one-pixel gap, the alpha below.
    SWATCH_COLOUR_HEIGHT = 8,
    SWATCH_STRIP_TOP = 9,
    SWATCH_STRIP_HEIGHT = 3,
};
static_assert(2 * SWATCH_MARGIN + SWATCH_COLUMNS * SWATCH_PITCH - (SWATCH_PITCH - SWATCH_SIZE) ==
                  VIEWER_IMAGE_SIZE,
              "the swatches fill the image");
static_assert(SWATCH_STRIP_TOP + SWATCH_STRIP_HEIGHT == SWATCH_SIZE,
              "a strip ends with its swatch");

bool clip_rect(const ViewerCanvas *canvas, int32_t *x, int32_t *y, int32_t *width,
               int32_t *height) {
    if (!canvas->top_row) return false;
    // 64-bit edges: a rectangle near the int32 limits must not wrap into view.
    int64_t left = *x, top = *y, right = left + *width, bottom = top + *height;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > canvas->width) right = canvas->width;
    if (bottom > canvas->height) bottom = canvas->height;
    if (right - left < 1 || bottom - top < 1) return false;
    *x = (int32_t)left;
    *y = (int32_t)top;
    *width = (int32_t)(right - left);
    *height = (int32_t)(bottom - top);
    return true;
}

void fill_rect(const ViewerCanvas *canvas, int32_t x, int32_t y, int32_t width, int32_t height,
               uint32_t colour) {
    if (!clip_rect(canvas, &x, &y, &width, &height)) return;
    for (int32_t row = y; row < y + height; ++row) {
        uint32_t *pixel = (uint32_t *)(canvas->top_row + (int64_t)row * canvas->row_step) + x;
        for (int32_t column = 0; column < width; ++column) pixel[column] = colour;
    }
}

void clear_canvas(const ViewerCanvas *canvas, uint32_t value) {
    fill_rect(canvas, 0, 0, canvas->width, canvas->height, value);
}

bool palette_shows_alpha(const uint32_t *palette) {
    int transparent = 0, opaque = 0;
    for (int i = 0; i < 256; ++i) {
        uint32_t alpha = palette[i] >> 24;
        transparent += alpha == 0;
        opaque += alpha == 255;
    }
    return transparent != 256 && opaque != 256;
}

void draw_palette(const ViewerCanvas *canvas, const ImageInfoRecord *info,
                  const uint32_t *palette) {
    clear_canvas(canvas, 0);
    bool strips = palette_shows_alpha(palette);
    if ((int16_t)info->bit_depth > 8) return; // no palette to show
    for (int i = 0; i < SWATCH_COLUMNS * SWATCH_COLUMNS; ++i) {
        int32_t x = SWATCH_PITCH * (i % SWATCH_COLUMNS) + SWATCH_MARGIN;
        int32_t y = SWATCH_PITCH * (i / SWATCH_COLUMNS) + SWATCH_MARGIN;
        uint32_t colour = palette[i] & 0xFFFFFF;
        if (!strips) {
            fill_rect(canvas, x, y, SWATCH_SIZE, SWATCH_SIZE, colour);
            continue;
        }
        fill_rect(canvas, x, y, SWATCH_SIZE, SWATCH_COLOUR_HEIGHT, colour);
        // The alpha as a grey: the byte in every channel.
        fill_rect(canvas, x, y + SWATCH_STRIP_TOP, SWATCH_SIZE, SWATCH_STRIP_HEIGHT,
                  (palette[i] >> 24) * 0x010101u);
    }
}

bool viewer_sjis_lead_byte(uint8_t byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

const char *file_name_part(const char *text, ViewerLeadByte lead_byte) {
    if (!text) return "";
    const char *part = text;
    for (const char *p = text; *p; ++p) {
        if (*p == ':' || *p == '/' || *p == '\\')
            part = p + 1;
        else if (lead_byte((uint8_t)*p) && p[1])
            ++p; // the trail byte may equal a separator
    }
    return part;
}

// Shift-JIS: 色 is 90 46, 透明 is 93 A7 96 BE.
#define COLOUR_SJIS "\x90\x46"
#define TRANSPARENT_SJIS "\x93\xA7\x96\xBE"

void viewer_status_text(const ImageInfoRecord *info, const char *name, ViewerLeadByte lead_byte,
                        char *text) {
    // Room for every field at its widest (well under 160 bytes) and a whole
    // name: composed in full, then cut once.
    enum { FIELDS_ROOM = 160 };
    char full[FIELDS_ROOM + VIEWER_NAME_BYTES];
    int used = snprintf(full, sizeof full, "%3dbit" COLOUR_SJIS " %4d*%-4d ",
                        (int)(int16_t)info->bit_depth, (int)(int32_t)info->picture_width,
                        (int)(int32_t)info->picture_height);
    if (info->offset_x || info->offset_y)
        used += snprintf(full + used, sizeof full - used, "ofs(%d,%d) ",
                         (int)(int32_t)info->offset_x, (int)(int32_t)info->offset_y);
    int32_t index = (int16_t)info->transparent_index_plus1;
    int32_t colour = (int32_t)info->transparent_colour_plus1;
    if (index >= 1 && index <= 256)
        used += snprintf(full + used, sizeof full - used, "(" TRANSPARENT_SJIS "=%d) ",
                         (int)(index - 1));
    else if (colour >= 1 && colour <= 0x1000000)
        used += snprintf(full + used, sizeof full - used, "(" TRANSPARENT_SJIS "=%06x) ",
                         (unsigned)(colour - 1));
    snprintf(full + used, sizeof full - used, "%s", file_name_part(name, lead_byte));

    // Whole characters only: a lead byte whose trail would not fit stays out.
    size_t kept = 0;
    while (full[kept]) {
        size_t step = lead_byte((uint8_t)full[kept]) && full[kept + 1] ? 2 : 1;
        if (kept + step > VIEWER_STATUS_BYTES - 1) break;
        kept += step;
    }
    memcpy(text, full, kept);
    text[kept] = 0;
}
