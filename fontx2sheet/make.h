// make's reading of its source: characters mapped to the output's codes,
// bitmaps placed in cells, and the characters --chars keeps.
#pragma once

#include "fontx2/fontx2_writer.h"
#include "fontx2sheet/code_set.h"
#include "fontx2sheet/make_args.h"

#include <stdint.h>
#include <string>
#include <vector>

// ---- reading the source (make_source.cpp) ---------------------------------------
struct MadeGlyphs {
    Fontx2Glyphs glyphs;
    CodeSet codes = CodeSet::UNICODE; // the code set written
    uint64_t pixels_cut = 0;          // source pixels outside their cells
    uint64_t unencoded = 0;           // source glyphs without an encoding, left out
    uint64_t past_end = 0;            // glyphs of a cut FONTX2 source, left out
    std::string encoding;             // the code set of double (and single) codes
    std::vector<std::string> notes;   // what a font maker should know, one line each
};
// Reads the source and maps its characters to the output's codes; reports
// and returns an exit status (EXIT_FINE with glyphs, perhaps none).
int make_glyphs(const MakeArgs &args, MadeGlyphs *made);

// ---- C output (make_c.cpp) -------------------------------------------------
// A C identifier that is no C or C++ keyword.
bool c_symbol_ok(const std::string &text);
// Text that can stand as a storage attribute after the array's declarator:
// printable, no statement, initialiser, comment or preprocessor characters.
bool c_attribute_ok(const std::string &text);
// The array's name from the output's file name: without its extension,
// characters outside C identifiers as '_', a keyword with "_font" after it.
std::string c_symbol_for(const std::string &out);
struct COutput {
    bool header = false; // declarations only, else the source defining the array
    std::string symbol, attribute, source, summary;
};
std::vector<uint8_t> c_output(const COutput &c, const std::vector<uint8_t> &font);

// ---- characters (make_chars.cpp) ----------------------------------
// The characters the ranges of --chars keep (bit per scalar), its @FILE
// parts left for read_char_file; false with a reason.
bool parse_char_ranges(const std::string &ranges, std::vector<bool> *keep, std::string *why);
// The files --chars names (its @FILE parts), in order.
std::vector<std::string> char_files(const std::string &chars);
// Adds the characters of a UTF-8 text file to *keep; EXIT_NO_INPUT when it
// cannot be read (*why the cause), EXIT_NOT_A_FONT when it is not UTF-8,
// else EXIT_FINE.
int read_char_file(const std::string &path, std::vector<bool> *keep, std::string *why);
