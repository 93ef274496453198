// fontx2sheet text: a string drawn as a display library on the device draws
// it, with one font or a single-byte and a double-byte one.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

namespace CLI {
class App;
}

enum class TextWrap { CHAR, WORD, NONE };
struct TextArgs {
    std::vector<std::string> fonts; // one font, or a single-byte and a double-byte one
    std::string text;               // UTF-8 characters, or @FILE (@- standard input)
    std::string encoding;           // a code set iconv knows; empty: the fonts' own
    uint32_t width = 0;             // pixels; 0: as wide as the widest line
    uint32_t height = 0;            // pixels; 0: as tall as the lines
    uint32_t line_gap = 0;
    TextWrap wrap = TextWrap::CHAR; // with a width
    uint32_t scale = 1;
    uint32_t ink = 0xFFFFFF;
    uint32_t paper = 0x000000;
    std::string out;    // the PNG, unless ascii
    bool ascii = false; // print # and . at scale 1 instead
    bool strict = false;
};
// Adds the subcommand and its options, every value checked as it is parsed.
CLI::App *add_text_command(CLI::App &app, TextArgs *args);
int run_text(const TextArgs &args);
