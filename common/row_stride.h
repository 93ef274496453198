// Bytes from one row of a packed picture to the next, the one formula every
// picture of the system uses (DIB rows, rasters, glyph sheets).
#pragma once

#include <stdint.h>

// width pixels of bits_per_pixel each, padded to a multiple of alignment
// bytes (a power of two; 0 or anything else counts as 1). 64-bit: the
// largest pictures do not fit 32 bits at some depths.
inline uint64_t row_stride(uint64_t width, uint32_t bits_per_pixel, uint32_t alignment) {
    if (alignment == 0 || (alignment & (alignment - 1))) alignment = 1;
    uint64_t row_bytes = (width * bits_per_pixel + 7) / 8;
    return (row_bytes + alignment - 1) & ~(uint64_t)(alignment - 1);
}

// DIB rows: padded to 4 bytes.
enum { DIB_ROW_ALIGNMENT = 4 };
