// fontx2sheet render: one font's sheet as a PNG, or many into a folder.
#pragma once

#include "fontx2sheet/render.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}

struct RenderArgs {
    std::vector<std::string> fonts; // as given: files, folders, "-"
    std::string out;                // -o: one font's PNG
    std::string out_dir;            // --out-dir: DIR/NAME.png for each font
    bool recursive = false;
    bool strict = false;
    RenderOptions options;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_render_command(CLI::App &app, RenderArgs *args);
// Renders each font; usage errors (-o with several fonts, two fonts of one
// NAME, standard input without -o) are found before anything is written.
int run_render(const RenderArgs &args);
