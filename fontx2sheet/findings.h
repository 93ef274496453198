// What is wrong with a font, judged by what a display library that trusts
// the count byte would show (fontx2_device_lookup).
#pragma once

#include "fontx2/fontx2.h"

#include <stdint.h>
#include <string>
#include <vector>

// One kind of finding in a font.
struct Finding {
    std::string kind;
    std::string message; // the whole kind: what it is and what follows from it
    bool problem;        // such a reader shows wrong or no glyphs, or the file is not
                         // whole; else a note: nothing is shown wrong
    uint64_t count = 1;  // what the kind counts (1 for a whole-file finding)
    std::vector<std::string> instances; // each instance as text; none for a whole-file one
};
std::vector<Finding> find_findings(const Fontx2Font *font, const Fontx2Layout *layout);
bool any_problem(const std::vector<Finding> &findings);
// Warns of each problem kind on one line (notes are for inspect); with
// strict, returns EXIT_PROBLEM when there is one.
int warn_problems(const std::string &path, const std::vector<Finding> &findings, bool strict);
// "problem" or "note".
const char *severity_name(const Finding &finding);
