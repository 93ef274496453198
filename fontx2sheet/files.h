// Files: the bytes of an input (a path or "-"), fonts read from them, and
// outputs written whole or not at all.
#pragma once

#include "fontx2/fontx2.h"

#include <memory>
#include <stdint.h>
#include <string>
#include <vector>

// The whole file, or standard input for "-"; false with the cause (strerror
// of the call that failed, or what else stood in the way) in *error.
bool read_input(const std::string &path, std::vector<uint8_t> *bytes, std::string *error);

// Whether the file begins with the FONTX2 signature; *error holds the cause
// when it cannot be opened or read (a folder reads as an error too).
bool begins_fontx2(const std::string &path, std::string *error);

struct LoadedFont {
    std::string path;
    std::vector<uint8_t> bytes;
    Fontx2Font font;
    std::unique_ptr<Fontx2Layout> layout; // AUTO order, grid
    std::string error;                    // why it could not be had
};
// Reads and parses the file ("-": standard input): EXIT_NOT_A_FONT, with the
// reason in error, when it cannot be read or is not FONTX2, else EXIT_FINE.
int load_font(const std::string &path, LoadedFont *loaded);
// As load_font, reporting the reason when it fails.
int load_font_or_report(const std::string &path, LoadedFont *loaded);
// The font read from bytes already at hand; false without the signature.
bool parse_font(LoadedFont *loaded);

// EXIT_USAGE, reported, when out is "-" and standard output is a terminal
// (what is written is binary); else EXIT_FINE.
int refuse_terminal(const std::string &out);
// EXIT_USAGE, reported, when out is the same file as one of inputs (by
// device and inode, whatever the path; "-" is standard input); else
// EXIT_FINE.
int refuse_output_over_input(const std::string &out, const std::vector<std::string> &inputs);
// EXIT_USAGE, reported, when --json and the output "-" would both take
// standard output; else EXIT_FINE.
int refuse_json_with_standard_output(bool json, const std::string &out);
// Writes bytes to path, or to standard output for "-". Symbolic links are
// followed to their final target. A regular file or a new name gets a
// temporary file in its folder, renamed over it only when complete (keeping
// the replaced file's permission bits); a FIFO or device is written in place
// and stays. Whether the user may write is open(2)'s judgement. Reports and
// returns EXIT_NO_OUTPUT when it cannot, leaving the target as it was.
int write_output(const std::string &path, const std::vector<uint8_t> &bytes);
