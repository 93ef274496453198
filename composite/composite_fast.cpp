#include "composite/composite_fast.h"

#include "composite/compositor.h"

#include <stddef.h>
#include <string.h>

namespace {

const uint32_t FAST_ALPHA_MASK = 0xFF000000u;
const uint32_t FAST_RGB_MASK = 0x00FFFFFFu;

// The checkerboard and grid geometry.
struct Backdrop {
    int32_t cell_w; // 0: no checkerboard
    int32_t cell_h;
    bool grid;
    uint32_t grid_colour;
};

Backdrop fast_backdrop(const SettingsRecord *s, uint32_t mask) {
    Backdrop b;
    // Negative cell sizes count as 0, as in the reference.
    const int32_t cw = s->cell_width > 0 ? s->cell_width : 0;
    const int32_t ch = s->cell_height > 0 ? s->cell_height : 0;
    const bool checker = s->background_enabled && cw != 0 && ch != 0;
    b.cell_w = checker ? cw : 0;
    b.cell_h = checker ? ch : 0;
    b.grid = checker && s->grid_lines;
    b.grid_colour = s->grid_colour & mask;
    return b;
}

// Output row writer: 24-bit (three bytes per pixel, padding zeros) or 32-bit
// words. Colours reaching it are already masked for the packing.
struct RowOut {
    uint8_t *row;
    bool packed; // 24-bit
};

inline void fast_put(const RowOut &out, int64_t x, uint32_t colour) {
    if (out.packed) {
        uint8_t *p = out.row + 3 * x;
        p[0] = (uint8_t)colour;
        p[1] = (uint8_t)(colour >> 8);
        p[2] = (uint8_t)(colour >> 16);
    } else {
        memcpy(out.row + 4 * x, &colour, 4);
    }
}

// Eight 24-bit pixels as three 64-bit stores.
inline void fast_put8_packed(uint8_t *p, const uint32_t *c) {
    const uint64_t w0 = (uint64_t)c[0] | (uint64_t)c[1] << 24 | (uint64_t)c[2] << 48;
    const uint64_t w1 =
        (uint64_t)c[2] >> 16 | (uint64_t)c[3] << 8 | (uint64_t)c[4] << 32 | (uint64_t)c[5] << 56;
    const uint64_t w2 = (uint64_t)c[5] >> 8 | (uint64_t)c[6] << 16 | (uint64_t)c[7] << 40;
    memcpy(p, &w0, 8);
    memcpy(p + 8, &w1, 8);
    memcpy(p + 16, &w2, 8);
}

// Pixels [x, end) of an 8-bit source row through one colour table.
void fast_span_indexed(const RowOut &out, const uint8_t *src, const uint32_t *lut, int64_t x,
                       int64_t end) {
    if (out.packed) {
        for (; x + 8 <= end; x += 8) {
            uint32_t c[8];
            for (int i = 0; i < 8; ++i) c[i] = lut[src[x + i]];
            fast_put8_packed(out.row + 3 * x, c);
        }
    }
    for (; x < end; ++x) fast_put(out, x, lut[src[x]]);
}

// Pixels [x, end) of a 32-bit source row, mixed one by one.
void fast_span_direct(const RowOut &out, const uint32_t *src, const SettingsRecord *s,
                      uint32_t back, uint32_t mask, int64_t x, int64_t end) {
    const uint32_t key = s->transparent_colour & FAST_RGB_MASK;
    for (; x < end; ++x) {
        const uint32_t colour = src[x];
        const bool keyed = s->transparent_mode != 0 && (colour & FAST_RGB_MASK) == key;
        fast_put(out, x, (keyed ? back : mix_pixel(colour, s, back)) & mask);
    }
}

// The reference's palette work array: rotated by clut_offset (either way),
// unused entries 0, then the alpha preparation.
void fast_palette_table(const SettingsRecord *s, const uint32_t *palette, uint32_t colour_count,
                        uint32_t *table) {
    uint32_t all_bits = 0;
    for (uint32_t i = 0; i < colour_count; ++i) all_bits |= palette[i];
    for (uint32_t i = 0; i < 256; ++i) table[i] = 0;
    const uint32_t used = colour_count < 256 ? colour_count : 256;
    for (uint32_t i = 0; i < used; ++i) {
        int64_t position = ((int64_t)s->clut_offset + (int64_t)i) % (int64_t)colour_count;
        if (position < 0) position += colour_count;
        table[i] = palette[position];
    }
    if ((all_bits & FAST_ALPHA_MASK) == 0) {
        for (uint32_t i = 0; i < 256; ++i) table[i] |= FAST_ALPHA_MASK;
    } else if (s->alpha_invert & 1) {
        for (uint32_t i = 0; i < 256; ++i) table[i] ^= FAST_ALPHA_MASK;
    }
}

} // namespace

int composite_picture_fast(const SettingsRecord *settings, void *output, int32_t width,
                           int32_t height, int32_t output_depth, const uint32_t *palette,
                           uint32_t colour_count, void *source, int32_t source_stride,
                           int32_t source_depth) {
    if (width <= 0 || height <= 0) return COMPOSITE_OK;
    const bool indexed = source_depth == 8;
    if (indexed && colour_count == 0) return COMPOSITE_ERR_INTERNAL;

    const bool packed = output_depth == 24;
    // 24-bit packing drops the top byte, so it is cleared once here.
    const uint32_t mask = packed ? FAST_RGB_MASK : 0xFFFFFFFFu;
    const Backdrop back = fast_backdrop(settings, mask);

    // Indexed: the finished colour of every (index, background) pair.
    uint32_t lut[2][256];
    if (indexed) {
        uint32_t table[256];
        fast_palette_table(settings, palette, colour_count, table);
        const uint32_t key = settings->transparent_colour & FAST_RGB_MASK;
        const int classes = back.cell_w ? 2 : 1;
        for (int k = 0; k < classes; ++k) {
            // The unmasked background: mix_pixel ignores its top byte, and a
            // keyed pixel keeps it for the 32-bit output.
            const uint32_t under = !settings->background_enabled ? 0
                                   : (k == 0 && back.cell_w)     ? settings->bg_colour2
                                                                 : settings->bg_colour1;
            for (uint32_t i = 0; i < 256; ++i) {
                const bool keyed =
                    (settings->transparent_mode == 1 && (table[i] & FAST_RGB_MASK) == key) ||
                    (settings->transparent_mode == 2 && (int32_t)i == settings->transparent_index);
                lut[k][i] = (keyed ? under : mix_pixel(table[i], settings, under)) & mask;
            }
        }
        if (classes == 1) memcpy(lut[1], lut[0], sizeof lut[0]);
    } else {
        // The alpha preparation happens on the caller's words, as in the reference.
        uint32_t *words = (uint32_t *)source;
        const size_t count = (size_t)width * (size_t)height;
        uint32_t all_bits = 0;
        for (size_t i = 0; i < count; ++i) all_bits |= words[i];
        if ((all_bits & FAST_ALPHA_MASK) == 0) {
            for (size_t i = 0; i < count; ++i) words[i] |= FAST_ALPHA_MASK;
        } else if (settings->alpha_invert & 1) {
            for (size_t i = 0; i < count; ++i) words[i] ^= FAST_ALPHA_MASK;
        }
    }
    // The unmasked backgrounds for the 32-bit source's per-pixel mixing.
    uint32_t under[2] = {settings->background_enabled ? settings->bg_colour1 : 0,
                         settings->background_enabled ? settings->bg_colour1 : 0};
    if (back.cell_w) under[0] = settings->bg_colour2;

    const size_t row_bytes =
        packed ? (size_t)(((uint64_t)width * 3 + 3) & ~(uint64_t)3) : (size_t)width * 4;
    for (int32_t r = 0; r < height; ++r) {
        const int32_t y = height - 1 - r; // picture row: memory rows are bottom-up
        RowOut out = {(uint8_t *)output + (size_t)r * row_bytes, packed};
        if (back.grid && y % back.cell_h == 0) {
            for (int64_t x = 0; x < width; ++x) fast_put(out, x, back.grid_colour);
        } else {
            const int parity_y = back.cell_w ? (y / back.cell_h) & 1 : 0;
            const int64_t span = back.cell_w ? back.cell_w : width;
            for (int64_t x = 0; x < width; x += span) {
                const int64_t end = x + span < width ? x + span : width;
                // (x / w + y / h) odd is bg_colour1: parity [1].
                const int k = back.cell_w ? (int)((x / back.cell_w) & 1) ^ parity_y : 1;
                if (indexed) {
                    fast_span_indexed(out, (const uint8_t *)source + (ptrdiff_t)r * source_stride,
                                      lut[k], x, end);
                } else {
                    fast_span_direct(out, (const uint32_t *)source + (size_t)r * (size_t)width,
                                     settings, under[k], mask, x, end);
                }
                if (back.grid) fast_put(out, x, back.grid_colour); // the cell's left column
            }
        }
        if (packed) memset(out.row + (size_t)width * 3, 0, row_bytes - (size_t)width * 3);
    }
    return COMPOSITE_OK;
}
