// Conversion between rasters and exact reduction of colour pixels to a palette.
#include "raster/raster.h"

#include "common/little_endian.h"

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

bool has_palette(const Raster *raster) {
    return raster->palette != nullptr && raster->palette_count != 0;
}

// The colour an index of an indexed raster stands for. Without an entry for
// it (no palette, or an index at or beyond palette_count) the colour is
// opaque black, the colour a fresh palette entry has.
uint32_t palette_colour(const Raster *raster, uint32_t index) {
    if (!has_palette(raster) || index >= raster->palette_count) return RASTER_OPAQUE_BLACK;
    return raster->palette[index];
}

// The colour of source pixel (x, y): indexed pixels through the palette.
uint32_t read_colour(const Raster *source, uint32_t x, uint32_t y) {
    uint32_t value = raster_get_pixel(source, x, y);
    return source->storage_bits <= 8 ? palette_colour(source, value) : value;
}

// Binary search of the sorted colour set: true with *at the position of the
// colour when found, else false with *at its insertion point.
bool colour_set_find(const uint32_t *set, uint32_t count, uint32_t colour, uint32_t *at) {
    uint32_t lo = 0, hi = count;
    while (lo < hi) {
        uint32_t mid = (lo + hi - 1) / 2;
        if (colour < set[mid]) {
            hi = mid;
        } else if (colour == set[mid]) {
            *at = mid;
            return true;
        } else {
            lo = mid + 1;
        }
    }
    *at = lo;
    return false;
}

// A 1-bit indexed source (depth code 0 or 1) into an 8-bit indexed
// destination (codes 5 to 8) without offsets: eight pixels per source byte
// through a 256-entry table. False, touching nothing, for any other pair.
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

} // namespace

void colour_set_insert(uint32_t *set, uint32_t *count, uint32_t colour) {
    uint32_t at;
    if (colour_set_find(set, *count, colour, &at)) return;
    memmove(set + at + 1, set + at, (size_t)(*count - at) * 4);
    set[at] = colour;
    ++*count;
}

bool raster_reduce_to_palette(Raster *destination, const Raster *source, int32_t x, int32_t y) {
    if (!has_palette(destination) || destination->storage_bits > 8) return false;
    uint32_t limit = destination->palette_count < 256 ? destination->palette_count : 256;
    uint32_t ox = (uint32_t)x, oy = (uint32_t)y; // negative offsets wrap to outside

    uint32_t set[RASTER_COLOUR_SET_SIZE];
    uint32_t n = 0;
    for (uint32_t row = 0; row < destination->height; ++row) {
        for (uint32_t col = 0; col < destination->width; ++col) {
            colour_set_insert(set, &n, read_colour(source, ox + col, oy + row));
            if (n > limit) return false;
        }
    }

    raster_set_palette(destination, n != 0 ? set : nullptr, n);

    for (uint32_t row = 0; row < destination->height; ++row) {
        for (uint32_t col = 0; col < destination->width; ++col) {
            uint32_t at;
            if (!colour_set_find(set, n, read_colour(source, ox + col, oy + row), &at)) at = n;
            raster_put_pixel(destination, col, row, at);
        }
    }
    return true;
}

bool raster_convert(const Raster *source, Raster *destination, int32_t x, int32_t y) {
    if (x == 0 && y == 0 && raster_expand_bits(source, destination)) return true;
    if (destination->storage_bits <= 8 && has_palette(source))
        raster_set_palette(destination, source->palette, source->palette_count);

    if (source->depth == destination->depth && x == 0 && y == 0) {
        uint32_t rows = source->height < destination->height ? source->height : destination->height;
        uint32_t bytes =
            source->stride < destination->stride ? source->stride : destination->stride;
        if (!source->pixels || !destination->pixels || bytes == 0) return true;
        for (uint32_t r = 0; r < rows; ++r)
            memmove(destination->pixels + (size_t)r * destination->stride,
                    source->pixels + (size_t)r * source->stride, bytes);
        return true;
    }

    bool source_colour = source->depth > 8;
    bool destination_colour = destination->depth > 8;
    if (source_colour && !destination_colour)
        return raster_reduce_to_palette(destination, source, x, y);

    uint32_t ox = (uint32_t)x, oy = (uint32_t)y;
    for (uint32_t row = 0; row < destination->height; ++row) {
        for (uint32_t col = 0; col < destination->width; ++col) {
            uint32_t value = raster_get_pixel(source, ox + col, oy + row);
            if (!source_colour && destination_colour) value = palette_colour(source, value);
            raster_put_pixel(destination, col, row, value);
        }
    }
    return true;
}

bool raster_convert_into(const Raster *source, uint8_t row_alignment, uint32_t depth,
                         int32_t palette_count, void *pixels, uint32_t *palette, int32_t x,
                         int32_t y) {
    if (depth == 0) depth = source->depth;
    if (row_alignment == 0) row_alignment = source->row_alignment;
    Raster target = {};
    if (!raster_init(&target, row_alignment, source->width, source->height, 0, pixels, depth,
                     palette, palette_count))
        return false;
    target.raster_flags = source->raster_flags & RASTER_WRITE_SWAPPED;
    return raster_convert(source, &target, x, y);
}
