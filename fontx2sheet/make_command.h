// fontx2sheet make: a FONTX2 font (or a C array of one) from any font
// FreeType opens, or from a FONTX2 font, checked before it is kept.
#pragma once

#include "fontx2sheet/code_set.h"

#include <stdint.h>
#include <string>

namespace CLI {
class App;
}

// The font itself, a C source defining it as an array, or a C header declaring it.
enum class MakeFormat { FNT, C, H };

struct MakeArgs {
    std::string source, out;
    CodeSet codes = CodeSet::UNICODE;
    bool codes_given = false; // else by the source's charset
    std::string encoding;     // iconv name, single-byte output only
    std::string chars;        // ranges "U+0020-007E,U+3040-30FF" or "@FILE"; empty: all
    std::string name;         // empty: from the family name
    bool name_given = false;
    MakeFormat format = MakeFormat::FNT;
    std::string symbol;
    std::string attribute;          // put after the C array's declarator
    uint32_t width = 0, height = 0; // 0: from the source
    uint32_t size = 0;              // pixels; 0: the only strike
    uint32_t max_blocks = 255;
    bool json = false;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_make_command(CLI::App &app, MakeArgs *args);
int run_make(const MakeArgs &args);
