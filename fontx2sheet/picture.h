// The command's pictures in memory: what the sheet is drawn into, labelled,
// scaled and encoded from. Callers of these primitives only; this file
// calls nothing of the command.
#pragma once

#include <stdint.h>
#include <vector>

// A picture top-down, rows packed: 1 or 2 bits a pixel (palette indices, 0
// paper, 1 ink, 2 a missing cell) or 24 bits (red, green, blue).
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 1;
    uint64_t stride = 0;
    std::vector<uint8_t> rows;
};
// A cleared picture; false when its size does not fit memory.
bool picture_alloc(Picture *picture, uint32_t width, uint32_t height, uint32_t bits);
// Sets a pixel (an index, or 0xRRGGBB); outside the picture nothing happens.
void picture_put(Picture *picture, uint32_t x, uint32_t y, uint32_t value);
uint32_t picture_get(const Picture *picture, uint32_t x, uint32_t y);
// Each pixel becomes a scale x scale square; false when memory fails.
bool picture_scale(const Picture &from, uint32_t scale, Picture *to);
// Rows [top, top + rows) as RGBA bytes (R, G, B, 255 a pixel) into out, each
// pixel through the palette (paper, ink, missing) or, at 24 bits, as its own
// RGB; false when they are not all in the picture or do not fit memory.
bool picture_rgba_rows(const Picture &picture, const uint32_t palette[3], uint32_t top,
                       uint32_t rows, std::vector<uint8_t> *out);

// Every unscaled sheet of a valid font, labelled: the most cells a sheet can
// have (65,536) of the largest glyph (255 x 255) is 4.3 billion pixels; the
// margins at most double that.
const uint64_t DEFAULT_MAX_PIXELS = 8589934592ull;
enum class PictureSize {
    FITS,
    EMPTY,      // a side of 0: nothing to draw
    OVER_LIMIT, // more pixels than allowed
    TOO_LARGE,  // a side past 31 bits, more than a PNG holds
};
// Whether a picture of width x height pixels may be made, before any is.
PictureSize picture_size_check(uint64_t width, uint64_t height, uint64_t max_pixels);
