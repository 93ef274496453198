// The raster record and its pixel codecs.
#include "raster/raster.h"

#include "common/platform/platform.h"
#include "common/row_stride.h"

#include <stddef.h>
#include <string.h>

const uint8_t RASTER_STORAGE_BITS[RASTER_DEPTH_MAX + 1] = {
    1,  1,  2,  4,  4,  8,  8,  8,  8, // 0 to 8
    16, 16, 16, 16, 16, 16, 16, 16,    // 9 to 16
    24, 24, 24, 24, 24, 24, 24, 24,    // 17 to 24
    32, 32, 32, 32, 32, 32, 32, 32,    // 25 to 32
};

const int8_t RASTER_DITHER_OFFSETS[3][4] = {
    {-7, +3, +7, -3},
    {-3, +1, +3, -1},
    {-1, +1, +2, 0},
};

uint32_t byte_swap32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
           (value << 24);
}

// ---- Initialisation ---------------------------------------------------------------

void raster_release(Raster *raster) {
    if (!(raster->raster_flags & RASTER_OWNS_MEMORY)) return;
    heap_free(raster->pixels);
    heap_free(raster->palette);
    raster->pixels = nullptr;
    raster->palette = nullptr;
    raster->raster_flags &= (uint8_t)~RASTER_OWNS_MEMORY;
}

bool raster_init(Raster *raster, uint8_t row_alignment, uint32_t width, uint32_t height,
                 uint8_t flags, void *source_pixels, uint32_t depth, uint32_t *source_palette,
                 int32_t palette_count) {
    raster_release(raster);
    memset(raster, 0, sizeof *raster);

    // Geometry that cannot be represented is refused before any field is set:
    // the alignment must be a power of two, the depth inside the table, the
    // stride within 32 bits, and caller memory within the address space (an
    // owned block of an impossible size is refused by the heap instead, like
    // any failed allocation).
    if (row_alignment == 0 || (row_alignment & (row_alignment - 1)) != 0) return false;
    if (depth > RASTER_DEPTH_MAX) return false;
    uint8_t bits = RASTER_STORAGE_BITS[depth];
    uint64_t stride = row_stride(width, bits, row_alignment);
    if (stride > UINT32_MAX) return false;
    uint64_t pixel_bytes = stride * height; // both below 2^32: no overflow
    if (!(flags & RASTER_OWNS_MEMORY) && pixel_bytes > (uint64_t)SIZE_MAX) return false;

    raster->width = width;
    raster->height = height;
    raster->storage_bits = bits;
    raster->row_alignment = row_alignment;
    raster->stride = (uint32_t)stride;
    if (palette_count < 0) palette_count = bits <= 8 ? 1 << bits : 0;
    raster->palette_count = (uint32_t)palette_count;
    raster->depth = (uint8_t)depth;
    raster->raster_flags = flags;

    if (!(flags & RASTER_OWNS_MEMORY)) {
        raster->pixels = (uint8_t *)source_pixels;
        raster->palette = source_palette;
        return true;
    }

    raster->pixels = (uint8_t *)heap_alloc(pixel_bytes);
    if (!raster->pixels) return false;
    if (pixel_bytes != 0) {
        if (source_pixels)
            memcpy(raster->pixels, source_pixels, (size_t)pixel_bytes);
        else
            memset(raster->pixels, 0, (size_t)pixel_bytes);
    }
    if (raster->palette_count == 0) return true;

    uint64_t entries = raster->palette_count < 256 ? 256 : raster->palette_count;
    raster->palette = (uint32_t *)heap_alloc(entries * 4);
    if (!raster->palette) {
        heap_free(raster->pixels);
        raster->pixels = nullptr;
        return false;
    }
    raster_set_palette(raster, source_palette, raster->palette_count);
    return true;
}

void raster_set_palette(Raster *raster, const uint32_t *source, uint32_t count) {
    uint32_t total = raster->palette_count;
    if (total == 0 || !raster->palette) return;
    if (count == 0 || count > total) count = total;
    for (uint32_t i = 0; i < total; ++i) raster->palette[i] = RASTER_OPAQUE_BLACK;
    if (source) memcpy(raster->palette, source, (size_t)count * 4);
}

// ---- 16-bit colour words -------------------------------------------------------------

namespace {

uint32_t widen4(uint32_t n) {
    return n * 0x11;
}
uint32_t widen5(uint32_t v) {
    return (v << 3) | (v >> 2);
}
uint32_t widen6(uint32_t v) {
    return (v << 2) | (v >> 4);
}

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t decode_word(uint32_t depth, uint32_t w) {
    switch (depth) {
    case RASTER_DEPTH_ARGB4444:
        return argb(widen4(w >> 12), widen4((w >> 8) & 15), widen4((w >> 4) & 15), widen4(w & 15));
    case RASTER_DEPTH_G6R5B5:
        return argb(0xFF, widen5((w >> 5) & 31), widen6(w >> 10), widen5(w & 31));
    case RASTER_DEPTH_B5R5G6:
        return argb(0xFF, widen5((w >> 6) & 31), widen6(w & 63), widen5(w >> 11));
    case RASTER_DEPTH_ARGB1555:
        return argb((w & 0x8000) ? 0xFF : 0x00, widen5((w >> 10) & 31), widen5((w >> 5) & 31),
                    widen5(w & 31));
    default: // 9, 10, 11, 16
        return argb(0xFF, widen5(w >> 11), widen6((w >> 5) & 63), widen5(w & 31));
    }
}

// Adds a dither offset to one channel, clamped to 0..255.
uint32_t dither(uint32_t channel, int offset) {
    int sum = (int)channel + offset;
    return sum < 0 ? 0 : sum > 255 ? 255 : (uint32_t)sum;
}

uint32_t encode_word(uint32_t depth, uint32_t colour, bool dithered, uint32_t x, uint32_t y) {
    uint32_t a = colour >> 24;
    uint32_t r = (colour >> 16) & 0xFF;
    uint32_t g = (colour >> 8) & 0xFF;
    uint32_t b = colour & 0xFF;
    if (dithered) {
        uint32_t cell = (x & 1) + 2 * (y & 1);
        int rb = depth == RASTER_DEPTH_ARGB4444 ? RASTER_DITHER_OFFSETS[0][cell]
                                                : RASTER_DITHER_OFFSETS[1][cell];
        int gg = depth == RASTER_DEPTH_ARGB4444   ? RASTER_DITHER_OFFSETS[0][cell]
                 : depth == RASTER_DEPTH_ARGB1555 ? RASTER_DITHER_OFFSETS[1][cell]
                                                  : RASTER_DITHER_OFFSETS[2][cell];
        r = dither(r, rb);
        g = dither(g, gg);
        b = dither(b, rb);
    }
    switch (depth) {
    case RASTER_DEPTH_ARGB4444: {
        uint32_t a4 = (a + 15) / 16;
        if (a4 > 15) a4 = 15;
        return (a4 << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4);
    }
    case RASTER_DEPTH_G6R5B5:
        return ((g >> 2) << 10) | ((r >> 3) << 5) | (b >> 3);
    case RASTER_DEPTH_B5R5G6:
        return ((b >> 3) << 11) | ((r >> 3) << 6) | (g >> 2);
    case RASTER_DEPTH_ARGB1555:
        return (a != 0 ? 0x8000u : 0u) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    default: // 9, 10, 11, 16
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    }
}

// Position of sub-byte pixel x within its byte: the shift of its lowest bit.
// Pixel number 0 sits in the high bits unless the order is swapped.
uint32_t sub_byte_shift(uint32_t bits, uint32_t x, bool swapped) {
    uint32_t per_byte = 8 / bits;
    uint32_t number = x % per_byte;
    return swapped ? number * bits : (per_byte - 1 - number) * bits;
}

} // namespace

// ---- Pixel access ---------------------------------------------------------------------

uint32_t raster_get_pixel(const Raster *raster, uint32_t x, uint32_t y) {
    if (x >= raster->width || y >= raster->height || !raster->pixels) return 0;
    const uint8_t *row = raster->pixels + (size_t)y * raster->stride;
    bool swapped = (raster->raster_flags & RASTER_READ_SWAPPED) != 0;
    uint32_t depth = raster->depth;
    if (depth <= RASTER_DEPTH_4) {
        uint32_t bits = depth <= RASTER_DEPTH_1 ? 1 : depth == RASTER_DEPTH_2 ? 2 : 4;
        uint32_t byte = row[x / (8 / bits)];
        return (byte >> sub_byte_shift(bits, x, swapped)) & ((1u << bits) - 1);
    }
    if (depth <= RASTER_DEPTH_8) return row[x];
    if (depth <= RASTER_DEPTH_RGB565) {
        const uint8_t *p = row + 2 * (size_t)x;
        uint32_t word = swapped ? (uint32_t)p[0] << 8 | p[1] : (uint32_t)p[1] << 8 | p[0];
        return decode_word(depth, word);
    }
    if (depth <= RASTER_DEPTH_24) {
        const uint8_t *p = row + 3 * (size_t)x;
        uint32_t r = swapped ? p[0] : p[2];
        uint32_t b = swapped ? p[2] : p[0];
        return argb(0xFF, r, p[1], b);
    }
    if (depth <= RASTER_DEPTH_32) {
        const uint8_t *p = row + 4 * (size_t)x;
        uint32_t word =
            (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        return swapped ? byte_swap32(word) : word;
    }
    return 0;
}

void raster_put_pixel(Raster *raster, uint32_t x, uint32_t y, uint32_t value) {
    if (x >= raster->width || y >= raster->height || !raster->pixels) return;
    uint8_t *row = raster->pixels + (size_t)y * raster->stride;
    bool swapped = (raster->raster_flags & RASTER_WRITE_SWAPPED) != 0;
    uint32_t depth = raster->depth;
    if (depth <= RASTER_DEPTH_1) {
        uint8_t *p = row + x / 8;
        uint8_t bit = (uint8_t)(1u << sub_byte_shift(1, x, swapped));
        *p = value != 0 ? (uint8_t)(*p | bit) : (uint8_t)(*p & ~bit);
    } else if (depth == RASTER_DEPTH_2) {
        uint8_t *p = row + x / 4;
        uint32_t shift = sub_byte_shift(2, x, swapped);
        *p = (uint8_t)((*p & ~(3u << shift)) | ((value & 3) << shift));
    } else if (depth <= RASTER_DEPTH_4) {
        uint8_t *p = row + x / 2;
        uint8_t nibble = (uint8_t)((value & 15) << sub_byte_shift(4, x, swapped));
        if (x % 2 == 0)
            *p = nibble; // the byte is not read back: the odd pixel follows
        else
            *p |= nibble;
    } else if (depth <= RASTER_DEPTH_8) {
        row[x] = (uint8_t)value;
    } else if (depth <= RASTER_DEPTH_RGB565) {
        bool dithered = (raster->raster_flags & RASTER_DITHER) != 0;
        uint32_t word = encode_word(depth, value, dithered, x, y);
        uint8_t *p = row + 2 * (size_t)x;
        p[0] = (uint8_t)(swapped ? word >> 8 : word);
        p[1] = (uint8_t)(swapped ? word : word >> 8);
    } else if (depth <= RASTER_DEPTH_24) {
        uint8_t *p = row + 3 * (size_t)x;
        uint8_t r = (uint8_t)(value >> 16), b = (uint8_t)value;
        p[0] = swapped ? r : b;
        p[1] = (uint8_t)(value >> 8);
        p[2] = swapped ? b : r;
    } else if (depth <= RASTER_DEPTH_32) {
        uint8_t *p = row + 4 * (size_t)x;
        uint32_t word = swapped ? byte_swap32(value) : value;
        p[0] = (uint8_t)word;
        p[1] = (uint8_t)(word >> 8);
        p[2] = (uint8_t)(word >> 16);
        p[3] = (uint8_t)(word >> 24);
    }
}
