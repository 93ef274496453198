// fontx2sheet fix: rewrites a font so that display libraries, which trust the
// count byte, read every glyph this project's reader finds in it.
#pragma once

#include <string>

namespace CLI {
class App;
}

struct FixArgs {
    std::string font, out;
    bool force = false, json = false;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_fix_command(CLI::App &app, FixArgs *args);
int run_fix(const FixArgs &args);
