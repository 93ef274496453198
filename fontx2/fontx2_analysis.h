// What is wrong with a FONTX2 font, and what is worth knowing, as data: one
// pass over the header, the block table and the glyph data, judged by what a
// display library that trusts the count byte shows (fontx2_device_lookup).
// The words are the caller's; repairs are planned from the same result.
//
//     Fontx2Analysis a;
//     fontx2_analyse(&font, &a);
//     for (const Fontx2Finding &f : a.findings)
//         printf("%s %s (%llu)\n", fontx2_kinds[f.kind].name,
//                fontx2_kinds[f.kind].severity == FONTX2_PROBLEM ? "problem" : "note",
//                (unsigned long long)f.count);
//
// A glyph is present when it lies wholly within the file (whole_bytes).
#pragma once

#include "fontx2/fontx2.h"

#include <stdint.h>
#include <vector>

// In report order.
enum Fontx2Kind {
    FONTX2_HEADER_CUT,
    FONTX2_ZERO_SIZE,
    FONTX2_CODE_TYPE_INVALID,
    FONTX2_TABLE_CUT,
    FONTX2_COUNT_WRAPPED,
    FONTX2_GLYPHS_CUT,
    FONTX2_BLOCK_INVERTED,
    FONTX2_NO_GLYPHS,
    FONTX2_PADDING_BLOCKS,
    FONTX2_BLOCKS_OVERLAP,
    FONTX2_TABLE_UNSORTED,
    FONTX2_TRAILING_BYTES,
    FONTX2_GLYPHS_UNREACHED,
    FONTX2_BLANK_RANGE,
    FONTX2_LOW_CODES,
    FONTX2_KINDS
};

// A problem: a count-trusting reader shows wrong or no glyphs, or the file is
// not whole. A note: nothing is shown wrong.
enum Fontx2Severity { FONTX2_NOTE, FONTX2_PROBLEM };

struct Fontx2KindInfo {
    const char *name; // as reports and JSON name the kind
    Fontx2Severity severity;
    bool fixable;       // a rewrite of the font's own glyphs removes it
    bool listed;        // instances name the places; else one finding for the file
    const char *counts; // what Fontx2Finding::count counts
};
extern const Fontx2KindInfo fontx2_kinds[FONTX2_KINDS];

// One place a finding applies to; which fields mean something depends on the
// kind (see fontx2_analysis.cpp's table).
struct Fontx2Instance {
    uint32_t block;       // table position (inverted, padding, overlap's earlier block)
    uint32_t other_block; // overlap: the later block, whose codes are lost
    uint32_t first_code;  // the codes concerned, inclusive
    uint32_t last_code;
};

struct Fontx2Finding {
    Fontx2Kind kind;
    uint64_t count;  // per fontx2_kinds[kind].counts
    uint64_t codes;  // codes concerned: lost to earlier blocks, or held with a cut glyph
    uint32_t code;   // glyphs-cut: the first code whose glyph is cut (FONTX2_NO_CODE: none)
    uint64_t offset; // byte offset where it begins: the cut, the trailing bytes, the header end
    std::vector<Fontx2Instance> instances; // listed kinds only, in table or code order
};

enum : uint32_t { FONTX2_NO_CODE = 0xFFFFFFFFu };

// A run of consecutive codes of one block, in table order: the block holds
// them first (holder == block), or an earlier block, holder, does.
struct Fontx2Run {
    uint32_t first_code, last_code; // inclusive
    uint32_t block, holder;         // table positions
    uint32_t first_glyph;           // the block's glyph index of first_code
};
struct Fontx2Analysis {
    std::vector<Fontx2Finding> findings; // in Fontx2Kind order, at most one per kind
    // Where the project's reader finds each code's glyph: fontx2_code_runs.
    std::vector<Fontx2Run> runs;
};

// Every code held by the blocks at hand, as runs in table order: each
// block's codes in code order, split where the holder changes (a
// single-byte font: one run of 256 codes). Costs time by the runs, not by
// the codes, so large overlapping blocks stay cheap.
void fontx2_code_runs(const Fontx2Font *font, std::vector<Fontx2Run> *runs);

// Analyses a font read with fontx2_read; the layout's order decides nothing
// here. Throws std::bad_alloc when memory fails.
void fontx2_analyse(const Fontx2Font *font, Fontx2Analysis *analysis);
// The finding of a kind, or null.
const Fontx2Finding *fontx2_finding(const Fontx2Analysis &analysis, Fontx2Kind kind);
bool fontx2_any_problem(const Fontx2Analysis &analysis);
