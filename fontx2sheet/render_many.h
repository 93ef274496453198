// render over many fonts, and what it says of a sheet before drawing it.
#pragma once

#include "fontx2sheet/fontx2sheet.h"

#include <string>
#include <vector>

// Many viewers (and ImageMagick's default policy) open no picture wider or
// taller than this.
const uint64_t VIEWER_SIDE_LIMIT = 16384;

struct RenderTargets {
    std::vector<std::string> fonts; // as given: files, folders, "-"
    std::string out;                // -o: one font's PNG
    std::string out_dir;            // --out-dir: DIR/NAME.png for each font
    bool recursive = false;
};
// Renders each font; usage errors (-o with several fonts, two fonts of one
// NAME, standard input without -o) are found before anything is written.
int run_render_many(const RenderTargets &targets, const RenderOptions &options, bool strict);
// Warns of options the laid-out sheet ignores, and of a picture of
// width x height that many viewers refuse (suggesting --per-row where it helps).
void warn_sheet(const std::string &path, const Fontx2Font *font, const Fontx2Layout *layout,
                const RenderOptions &options, uint64_t width, uint64_t height);
