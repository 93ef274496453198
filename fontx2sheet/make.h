// fontx2sheet make: a FONTX2 font (or a C array of one) from any font
// FreeType opens, or from a FONTX2 font, checked before it is kept.
#pragma once

#include "fontx2/fontx2_writer.h"
#include "fontx2sheet/fontx2sheet.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace CLI {
class App;
}

struct MakeOptions {
    std::string source, out;
    std::string codes;    // "single", "sjis", "unicode", or empty: by the source's charset
    std::string encoding; // iconv name, single-byte output only
    std::string chars;    // ranges "U+0020-007E,U+3040-30FF" or "@FILE"; empty: all
    std::string name;     // empty: from the family name
    bool name_given = false;
    std::string format = "fnt"; // or "c"
    std::string symbol;
    uint32_t width = 0, height = 0; // 0: from the source
    uint32_t size = 0;              // pixels; 0: the only strike
    uint32_t max_blocks = 255;
    bool json = false;
};

// Adds the subcommand and its options; returns it.
CLI::App *add_make(CLI::App &app, MakeOptions *options);
int run_make(const MakeOptions &options);

// ---- reading the source (make_source.cpp) ---------------------------------------
struct MadeGlyphs {
    Fontx2Glyphs glyphs;
    std::string codes;       // the code set written
    uint64_t pixels_cut = 0; // source pixels outside their cells
};
// Reads the source and maps its characters to the output's codes; reports
// and returns an exit status (EXIT_FINE with glyphs, perhaps none).
int make_glyphs(const MakeOptions &options, MadeGlyphs *made);

// ---- characters (make_chars.cpp) ----------------------------------
// The characters --chars keeps (bit per scalar); false with a reason.
bool parse_char_ranges(const std::string &ranges, std::vector<bool> *keep, std::string *why);
bool read_char_file(const std::string &path, std::vector<bool> *keep, std::string *why);
