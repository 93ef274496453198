// The page's C functions share the fonts it holds.
#pragma once

#include "fontx2sheet/files.h"

#include <string>

// The font of a handle web_open gave; null when there is none.
LoadedFont *web_font(int handle);
// Keeps text as the last string given (web_text_out) and returns it.
const char *web_give(const std::string &text);
// Where the font of a handle lies in the module's file system.
void web_remember_folder(int handle, const std::string &folder);
