// fontx2sheet make: a FONTX2 font (or a C array of one) from any font
// FreeType opens, or from a FONTX2 font, checked before it is kept.
#pragma once

#include "fontx2sheet/make_args.h"

namespace CLI {
class App;
}

// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_make_command(CLI::App &app, MakeArgs *args);
int run_make(const MakeArgs &args);
