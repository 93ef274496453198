#include "raster/raster_fast.h"

#include <string.h>

namespace {

// Entry b: the eight index bytes of source byte b, pixel 0 (bit 7) first in
// memory (little-endian word).
struct ExpandTable {
    uint64_t bytes[256];
    constexpr ExpandTable() : bytes() {
        for (uint32_t b = 0; b < 256; ++b) {
            uint64_t word = 0;
            for (uint32_t i = 0; i < 8; ++i) word |= (uint64_t)((b >> (7 - i)) & 1) << (8 * i);
            bytes[b] = word;
        }
    }
};
constexpr ExpandTable RASTER_EXPAND_TABLE;

uint8_t raster_reverse_bits(uint8_t b) {
    b = (uint8_t)((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = (uint8_t)((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return (uint8_t)((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

} // namespace

bool raster_expand_bits(const Raster *source, Raster *destination) {
    if (source->depth > 1 || destination->depth < 5 || destination->depth > 8) return false;
    if (source->palette && source->palette_count != 0)
        raster_set_palette(destination, source->palette, source->palette_count);
    if (!destination->pixels) return true;

    // Source pixels outside the source read as index 0.
    const uint32_t width = destination->width;
    const uint32_t height = destination->height;
    const uint32_t inside_w = source->pixels ? (source->width < width ? source->width : width) : 0;
    const uint32_t inside_h = source->pixels ? source->height : 0;
    const bool swapped = (source->raster_flags & RASTER_READ_SWAPPED) != 0;
    for (uint32_t row = 0; row < height; ++row) {
        uint8_t *out = destination->pixels + (size_t)row * destination->stride;
        uint32_t col = 0;
        if (row < inside_h) {
            const uint8_t *in = source->pixels + (size_t)row * source->stride;
            for (; col + 8 <= inside_w; col += 8) {
                uint8_t b = in[col / 8];
                memcpy(out + col, &RASTER_EXPAND_TABLE.bytes[swapped ? raster_reverse_bits(b) : b],
                       8);
            }
            for (; col < inside_w; ++col) {
                uint32_t shift = swapped ? col % 8 : 7 - col % 8;
                out[col] = (uint8_t)((in[col / 8] >> shift) & 1);
            }
        }
        memset(out + col, 0, width - col);
    }
    return true;
}
