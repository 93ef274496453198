// render's picture of a font: the sheet drawn by the font library, plain or
// composited exactly as the plug-in does, with cells drawn one by one where
// the plug-in never draws such a sheet, then labelled and scaled.
#pragma once

#include "common/settings/settings.h"
#include "fontx2/fontx2.h"
#include "fontx2sheet/picture.h"

#include <stdint.h>
#include <string>

struct RenderOptions {
    Fontx2Order order = FONTX2_ORDER_AUTO;
    bool column = false;
    bool labels = false;
    uint32_t scale = 1;
    uint32_t ink = 0xFFFFFF; // 0xRRGGBB
    uint32_t paper = 0x000000;
    uint32_t per_row = 0; // own-code-order codes a row; 0: as the plug-in, 16
    uint32_t gap = 0;     // paper pixels between cells, before the scale
    bool missing = false; // mark cells without a glyph
    uint32_t missing_colour = 0x808080;
    bool composite = false;
    SettingsRecord settings; // with composite
    uint64_t max_pixels = DEFAULT_MAX_PIXELS;
};

// The final picture's size (after labels and scale) before anything is drawn.
void render_size(const Fontx2Font *font, const Fontx2Layout *layout, const RenderOptions &options,
                 uint64_t *width, uint64_t *height);
// The sheet of a laid-out font as the options ask; false, with the reason in
// *error when asked, when memory fails or the sheet does not draw.
bool render_picture(const Fontx2Font *font, const Fontx2Layout *layout,
                    const RenderOptions &options, Picture *picture, std::string *error = nullptr);
// The settings tool's record when it runs: its defaults, compositing on.
void tool_settings(SettingsRecord *settings);
// What the font library's draw result means, for the user.
std::string draw_message(int result);
