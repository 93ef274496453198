// Pictures as PNG files, through libspng.
#pragma once

#include "fontx2sheet/picture.h"

#include <stdint.h>
#include <string>
#include <vector>

// Encodes the picture (palette: paper, ink for 1-bit pictures); false, png
// empty and libspng's reason in *error when asked, on failure.
bool png_encode(const Picture &picture, uint32_t paper, uint32_t ink, std::vector<uint8_t> *png,
                std::string *error = nullptr);
// An indexed picture with a palette of so many colours (at most 1 << bits);
// as png_encode otherwise.
bool png_encode_palette(const Picture &picture, const uint32_t *palette, uint32_t colours,
                        std::vector<uint8_t> *png, std::string *error = nullptr);
