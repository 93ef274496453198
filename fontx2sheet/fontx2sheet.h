// fontx2sheet: draws, inspects, looks up, makes, fixes FONTX2 fonts and draws
// text with them, from the command line. What every subcommand shares: the
// exit statuses and how a message reaches the user.
#pragma once

#include <stdint.h>
#include <string>

// Exit statuses; over several files the highest that applies.
enum {
    EXIT_FINE = 0,
    EXIT_PROBLEM = 1,    // a font problem, a code without a glyph, nothing to draw
    EXIT_NOT_A_FONT = 2, // a font that is not one or cannot be read
    EXIT_NO_OUTPUT = 3,  // the output could not be made
    EXIT_USAGE = 64,     // a wrong option or value
    EXIT_NO_INPUT = 66,  // a text or --chars file that cannot be read
    EXIT_SOFTWARE = 70,  // a font made does not read back as meant: a bug
};

int fontx2sheet_main(int argc, char **argv);

// "fontx2sheet: WHERE: what" on standard error.
void report(const std::string &where, const std::string &what);
// A usage error: what is wrong and where the options are told; EXIT_USAGE.
int usage_error(const std::string &what);
// 1234567 -> "1,234,567".
std::string count_text(uint64_t n);
// "0x93FA" (four digits for double-byte fonts) or "0x41".
std::string code_text(uint32_t code, bool double_byte);
