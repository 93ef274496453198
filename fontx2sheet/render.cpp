// The render picture: the sheet drawn by the font library, plain or
// composited exactly as the plug-in does, then labelled and scaled.
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/sheet_cells.h"

#include "common/row_stride.h"
#include "compositor/composite_sheet.h"

#include <new>
#include <string.h>

bool picture_alloc(Picture *picture, uint32_t width, uint32_t height, uint32_t bits) {
    picture->width = width;
    picture->height = height;
    picture->bits = bits;
    picture->stride = row_stride(width, bits, 1);
    uint64_t size = picture->stride * height;
    if (size > (uint64_t)PTRDIFF_MAX) return false;
    try {
        picture->rows.assign((size_t)size, 0);
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void picture_put(Picture *picture, uint32_t x, uint32_t y, uint32_t value) {
    if (x >= picture->width || y >= picture->height) return;
    uint8_t *row = picture->rows.data() + y * picture->stride;
    if (picture->bits == 1) {
        uint8_t bit = (uint8_t)(0x80 >> (x & 7));
        row[x >> 3] = value ? (uint8_t)(row[x >> 3] | bit) : (uint8_t)(row[x >> 3] & ~bit);
    } else if (picture->bits == 2) {
        const uint32_t shift = 6 - 2 * (x & 3);
        row[x >> 2] = (uint8_t)((row[x >> 2] & ~(3u << shift)) | (value & 3) << shift);
    } else {
        uint8_t *p = row + 3 * (uint64_t)x;
        p[0] = (uint8_t)(value >> 16);
        p[1] = (uint8_t)(value >> 8);
        p[2] = (uint8_t)value;
    }
}

uint32_t picture_get(const Picture *picture, uint32_t x, uint32_t y) {
    const uint8_t *row = picture->rows.data() + y * picture->stride;
    if (picture->bits == 1) return row[x >> 3] >> (7 - (x & 7)) & 1;
    if (picture->bits == 2) return row[x >> 2] >> (6 - 2 * (x & 3)) & 3;
    const uint8_t *p = row + 3 * (uint64_t)x;
    return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
}

void tool_settings(SettingsRecord *settings) {
    settings_defaults(settings);
    settings->flags |= SETTINGS_ACTIVE; // what the tool forces on while it runs
}

void render_size(const Fontx2Font *font, const Fontx2Layout *layout, const RenderOptions &options,
                 uint64_t *width, uint64_t *height) {
    SheetGeometry geometry;
    sheet_geometry(font, layout, options.per_row, options.gap, &geometry);
    *width = geometry.width;
    *height = geometry.height;
    if (*width == 0 || *height == 0) return;
    if (options.labels) {
        Margins m = label_margins(geometry);
        *width += m.left;
        *height += m.top;
    }
    *width *= options.scale;
    *height *= options.scale;
}

namespace {

struct DrawContext {
    const Fontx2Font *font;
    const Fontx2Layout *layout;
};

bool draw_bands(const void *context, uint8_t *band, uint64_t band_size, uint64_t stride,
                SheetBandDone done, void *sink) {
    const DrawContext *c = (const DrawContext *)context;
    return fontx2_draw_bands(c->font, c->layout, band, band_size, stride, done, sink) == FONTX2_OK;
}

// The plug-in's picture while the settings tool runs: its two colours (paper
// black, ink white) composited into 24-bit DIB rows, turned top-down RGB.
bool composited_sheet(const Fontx2Font *font, const Fontx2Layout *layout,
                      const SettingsRecord &settings, Picture *picture) {
    const uint32_t w = layout->width, h = layout->height;
    uint64_t dib_stride = row_stride(w, 24, DIB_ROW_ALIGNMENT);
    std::vector<uint8_t> dib;
    uint32_t palette[256] = {0x00000000, 0xFFFFFFFF};
    DrawContext context = {font, layout};
    try {
        dib.resize((size_t)(dib_stride * h));
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (composite_sheet(&settings, w, h, font->glyph_height, draw_bands, &context, palette, 2,
                        dib.data()) != COMPOSITE_SHEET_OK ||
        !picture_alloc(picture, w, h, 24))
        return false;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t *from = dib.data() + (uint64_t)(h - 1 - y) * dib_stride;
        uint8_t *to = picture->rows.data() + y * picture->stride;
        for (uint32_t x = 0; x < w; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return true;
}

bool plain_sheet(const Fontx2Font *font, const Fontx2Layout *layout, Picture *picture) {
    if (!picture_alloc(picture, layout->width, layout->height, 1)) return false;
    return fontx2_draw(font, layout, picture->rows.data(), picture->rows.size(), picture->stride,
                       FONTX2_TOP_DOWN) == FONTX2_OK;
}

// Each pixel becomes a scale x scale square.
bool scaled(const Picture &from, uint32_t scale, Picture *to) {
    if (!picture_alloc(to, from.width * scale, from.height * scale, from.bits)) return false;
    for (uint32_t y = 0; y < from.height; ++y) {
        uint8_t *first = to->rows.data() + (uint64_t)y * scale * to->stride;
        for (uint32_t x = 0; x < from.width; ++x) {
            uint32_t value = picture_get(&from, x, y);
            for (uint32_t i = 0; i < scale; ++i) picture_put(to, x * scale + i, y * scale, value);
        }
        for (uint32_t i = 1; i < scale; ++i) memcpy(first + i * to->stride, first, to->stride);
    }
    return true;
}

} // namespace

// Gaps, marked cells or longer own-order rows: a sheet the plug-in never draws.
static bool own_cells(const Fontx2Layout *layout, const RenderOptions &options) {
    return options.gap || options.missing ||
           (per_row_applies(layout, options.per_row) && options.per_row != FONTX2_LINE_CODES);
}

bool render_picture(const Fontx2Font *font, const Fontx2Layout *layout,
                    const RenderOptions &options, Picture *picture) {
    SheetGeometry geometry;
    sheet_geometry(font, layout, options.per_row, options.gap, &geometry);
    bool ok = options.composite ? composited_sheet(font, layout, options.settings, picture)
              : own_cells(layout, options)
                  ? draw_cells(font, layout, geometry, options.missing, picture)
                  : plain_sheet(font, layout, picture);
    if (ok && options.labels) {
        Picture labelled;
        // Labels in the ink colour: index 1, or white when composited.
        ok = add_labels(geometry, *picture, options.composite ? 0xFFFFFF : 1, &labelled);
        *picture = std::move(labelled);
    }
    if (ok && options.scale > 1) {
        Picture big;
        ok = scaled(*picture, options.scale, &big);
        *picture = std::move(big);
    }
    return ok;
}
