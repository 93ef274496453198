// The font library's analysis in words: each finding as inspect reports it,
// and the one-line warnings the other commands give for problems.
#pragma once

#include "fontx2/fontx2.h"
#include "fontx2/fontx2_analysis.h"

#include <stdint.h>
#include <string>
#include <vector>

// One kind of finding in words.
struct Finding {
    std::string kind;
    std::string message;                // the whole kind: what it is and what follows from it
    bool problem;                       // else a note
    uint64_t count = 1;                 // what the kind counts (fontx2_kinds)
    std::vector<std::string> instances; // each instance as text; none for a whole-file one
};
// The analysis worded; the layout's order says what a cut does to the sheet.
std::vector<Finding> word_findings(const Fontx2Font *font, const Fontx2Layout *layout,
                                   const Fontx2Analysis &analysis);
// Analyses and words.
std::vector<Finding> find_findings(const Fontx2Font *font, const Fontx2Layout *layout);
bool any_problem(const std::vector<Finding> &findings);
// Warns of each problem kind on one line (notes are for inspect); with
// strict, returns EXIT_PROBLEM when there is one.
int warn_problems(const std::string &path, const std::vector<Finding> &findings, bool strict);
// "problem" or "note".
const char *severity_name(const Finding &finding);
