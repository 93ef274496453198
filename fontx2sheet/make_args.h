// What make is asked for: its options' values, checked as they are parsed.
#pragma once

#include "fontx2sheet/code_set.h"

#include <stdint.h>
#include <string>

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
