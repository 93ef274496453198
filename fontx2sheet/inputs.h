// Where fonts come from: files named on the command line, folders walked,
// standard input.
#pragma once

#include <string>
#include <vector>

// The fonts the arguments name: each argument as it is, except that with
// recursive a folder gives every regular file under it that begins with
// FONTX2, in byte order of path (links to folders are not followed, other
// files are skipped silently). Reports what cannot be walked and returns the
// status that applies: EXIT_NOT_A_FONT for a folder that cannot be read or
// holds no font, else EXIT_FINE.
int expand_inputs(const std::vector<std::string> &arguments, bool recursive,
                  std::vector<std::string> *fonts);
// The file name without its folder and its last extension ("a/B.FNT": "B").
std::string output_name(const std::string &path);
