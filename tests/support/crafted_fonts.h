// Fonts crafted to hold one fault each, with the findings the analysis must
// give for them: the analysis test checks those, the fix test repairs every
// one of them.
#pragma once

#include "fontx2/fontx2_analysis.h"

#include <stdint.h>
#include <string>
#include <utility>
#include <vector>

struct CraftedFinding {
    CraftedFinding(Fontx2Kind kind, uint64_t count, uint64_t codes = 0,
                   uint32_t code = FONTX2_NO_CODE, std::vector<Fontx2Instance> instances = {})
        : kind(kind), count(count), codes(codes), code(code), instances(std::move(instances)) {}
    Fontx2Kind kind;
    uint64_t count;
    uint64_t codes;                        // Fontx2Finding::codes
    uint32_t code;                         // Fontx2Finding::code
    std::vector<Fontx2Instance> instances; // checked when not empty
};

struct CraftedFont {
    std::string name;
    std::vector<uint8_t> bytes;
    std::vector<CraftedFinding> findings; // all of them, in report order
};

std::vector<CraftedFont> crafted_fonts();
// The crafted font of a name (the test fails without it).
const CraftedFont &crafted_font(const std::vector<CraftedFont> &all, const std::string &name);
