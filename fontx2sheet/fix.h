// fontx2sheet fix: rewrites a font so that display libraries, which trust the
// count byte, read every glyph this project's reader finds in it.
#pragma once

#include "fontx2/fontx2.h"
#include "fontx2/fontx2_analysis.h"
#include "fontx2/fontx2_writer.h"

#include <stdint.h>
#include <string>
#include <vector>

// One kind of change: how many of what the kind counts, and what was done.
struct FixChange {
    std::string kind;
    uint64_t count;
    std::string message;
};

enum FixStatus {
    FIX_WRITTEN,      // result->written holds the font, checked
    FIX_NO_GLYPHS,    // no code has a whole glyph (or the glyphs are 0 pixels)
    FIX_CHECK_FAILED, // the rewrite reads back wrong at result->bad_code: a bug
    FIX_NOT_WRITTEN,  // the writer refused the glyphs: no font was made
};

struct FixResult {
    Fontx2Glyphs glyphs;            // every glyph the project's reader finds
    std::vector<FixChange> changes; // empty: the font needs no change
    Fontx2Written written;
    uint32_t runs = 0; // runs of consecutive codes among glyphs.codes
    uint32_t bad_code = 0;
};

// Rewrites a font read with its whole data at hand (a glyph beyond the bytes
// at hand counts as cut off): every code whose glyph
// fontx2_lookup finds gets the same glyph bytes for fontx2_device_lookup of
// the rewrite; the rewrite is checked with both readers before it is given.
int fix_font(const Fontx2Font *font, FixResult *result);
// The same from the font's analysis, already at hand.
int fix_font(const Fontx2Font *font, const Fontx2Analysis &analysis, FixResult *result);
