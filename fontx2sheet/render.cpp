// The render picture: the sheet drawn by the font library, plain or
// composited exactly as the plug-in does, then labelled and scaled.
#include "fontx2sheet/fontx2sheet.h"

#include "common/row_stride.h"
#include "compositor/composite_sheet.h"

#include <new>
#include <string.h>

void tool_settings(SettingsRecord *settings) {
    settings_defaults(settings);
    settings->flags |= SETTINGS_ACTIVE; // what the tool forces on while it runs
}

void render_size(const Fontx2Font *font, const Fontx2Layout *layout, const RenderOptions &options,
                 uint64_t *width, uint64_t *height) {
    *width = layout->width;
    *height = layout->height;
    if (*width == 0 || *height == 0) return;
    if (options.labels) {
        Margins m = label_margins(font, layout);
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

bool render_picture(const Fontx2Font *font, const Fontx2Layout *layout,
                    const RenderOptions &options, Picture *picture) {
    bool ok = options.composite ? composited_sheet(font, layout, options.settings, picture)
                                : plain_sheet(font, layout, picture);
    if (ok && options.labels) {
        Picture labelled;
        // Labels in the ink colour: index 1, or white when composited.
        ok = add_labels(font, layout, *picture, options.composite ? 0xFFFFFF : 1, &labelled);
        *picture = std::move(labelled);
    }
    if (ok && options.scale > 1) {
        Picture big;
        ok = scaled(*picture, options.scale, &big);
        *picture = std::move(big);
    }
    return ok;
}
