// The render picture: the sheet drawn by the font library, plain or
// composited exactly as the plug-in does, then labelled and scaled.
#include "fontx2sheet/render.h"

#include "fontx2sheet/labels.h"
#include "fontx2sheet/sheet_cells.h"

#include "common/row_stride.h"
#include "compositor/composite_sheet.h"

#include <new>

void tool_settings(SettingsRecord *settings) {
    settings_defaults(settings);
    settings->flags |= SETTINGS_ACTIVE; // what the tool forces on while it runs
}

std::string draw_message(int result) {
    return std::string("the sheet could not be drawn: ") + fontx2_result_message(result);
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

// The plug-in's picture while the settings tool runs, composited by the
// same helper into 24-bit DIB rows, then turned top-down RGB.
bool composited_sheet(const Fontx2Font *font, const Fontx2Layout *layout,
                      const SettingsRecord &settings, Picture *picture, std::string *error) {
    const uint32_t w = layout->width, h = layout->height;
    uint64_t dib_stride = row_stride(w, 24, DIB_ROW_ALIGNMENT);
    std::vector<uint8_t> dib;
    try {
        dib.resize((size_t)(dib_stride * h));
    } catch (const std::bad_alloc &) {
        *error = "not enough memory for the picture";
        return false;
    }
    const Fontx2Sheet sheet = {font, layout};
    const SheetSource source = {w, h, font->glyph_height, fontx2_sheet_bands, &sheet};
    int rc = composite_sheet(&settings, &source, dib.data());
    if (rc != COMPOSITE_SHEET_OK) {
        *error = composite_sheet_message(rc);
        return false;
    }
    if (!picture_alloc(picture, w, h, 24)) {
        *error = "not enough memory for the picture";
        return false;
    }
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

bool plain_sheet(const Fontx2Font *font, const Fontx2Layout *layout, Picture *picture,
                 std::string *error) {
    if (!picture_alloc(picture, layout->width, layout->height, 1)) {
        *error = "not enough memory for the picture";
        return false;
    }
    int result = fontx2_draw(font, layout, picture->rows.data(), picture->rows.size(),
                             picture->stride, FONTX2_TOP_DOWN);
    if (result != FONTX2_OK) {
        *error = draw_message(result);
        return false;
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
                    const RenderOptions &options, Picture *picture, std::string *error) {
    SheetGeometry geometry;
    sheet_geometry(font, layout, options.per_row, options.gap, &geometry);
    std::string why;
    bool ok = options.composite ? composited_sheet(font, layout, options.settings, picture, &why)
              : own_cells(layout, options)
                  ? draw_cells(font, layout, geometry, options.missing, picture)
                  : plain_sheet(font, layout, picture, &why);
    if (ok && options.labels) {
        Picture labelled;
        // Labels in the ink colour: index 1, or white when composited.
        ok = add_labels(geometry, *picture, options.composite ? 0xFFFFFF : 1, &labelled);
        *picture = std::move(labelled);
    }
    if (ok && options.scale > 1) {
        Picture big;
        ok = picture_scale(*picture, options.scale, &big);
        *picture = std::move(big);
    }
    if (!ok && why.empty()) why = "not enough memory for the picture";
    if (error) *error = why;
    return ok;
}
