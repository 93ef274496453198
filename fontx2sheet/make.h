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
};
// Reads the source and maps its characters to the output's codes; reports
// and returns an exit status (EXIT_FINE with glyphs, perhaps none).
int make_glyphs(const MakeArgs &args, MadeGlyphs *made);

// ---- characters (make_chars.cpp) ----------------------------------
// The characters --chars keeps (bit per scalar); false with a reason.
bool parse_char_ranges(const std::string &ranges, std::vector<bool> *keep, std::string *why);
// The characters of a UTF-8 text file; EXIT_NO_INPUT when it cannot be read
// (*why the cause), EXIT_NOT_A_FONT when it is not UTF-8, else EXIT_FINE.
int read_char_file(const std::string &path, std::vector<bool> *keep, std::string *why);
