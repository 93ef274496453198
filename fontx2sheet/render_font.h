// render of one font: its checks, its warnings about the sheet, the PNG.
#pragma once

#include "fontx2sheet/render.h"

#include <stdint.h>
#include <string>

// Many viewers (and ImageMagick's default policy) open no picture wider or
// taller than this.
const uint64_t VIEWER_SIDE_LIMIT = 16384;

// The font's sheet as a PNG at out_path ("-": standard output).
int render_font(const std::string &font_path, const std::string &out_path,
                const RenderOptions &options, bool strict);
// Warns of options the laid-out sheet ignores, and of a picture of
// width x height that many viewers refuse (suggesting --per-row where it helps).
void warn_sheet(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
                const RenderOptions &options, uint64_t width, uint64_t height);
