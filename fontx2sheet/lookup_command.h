// fontx2sheet lookup: where codes' glyphs lie, and the glyphs.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

struct LookupArgs {
    std::string font;
    std::vector<std::string> codes; // code arguments, each checked
    std::string text;               // UTF-8 characters
    std::string encoding;           // a code set iconv knows; empty: the font's own
    bool strict = false;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_lookup_command(CLI::App &app, LookupArgs *args);
int run_lookup(const LookupArgs &args);
