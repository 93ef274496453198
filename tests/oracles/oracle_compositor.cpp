// The compositor step by step through a working buffer of the whole
// picture: background, then every pixel mixed, then the grid, then packing.
// The fused compositor must give the same bytes.
#include "tests/oracles/oracles.h"

#include "common/platform/platform.h"

#include <stddef.h>
#include <string.h>

namespace {

// Cell sizes come from a registry anyone can write: a negative size means no
// cells, like 0, so every loop below advances and ends.
int32_t oracle_cell_size(int16_t size) {
    return size > 0 ? size : 0;
}

uint32_t *oracle_row(uint32_t *work, int32_t width, int64_t row) {
    return work + (size_t)row * (size_t)width;
}

void oracle_fill_background(const SettingsRecord *s, uint32_t *work, int32_t width,
                            int32_t height) {
    const size_t count = (size_t)width * (size_t)height;
    if (!s->background_enabled) {
        for (size_t i = 0; i < count; ++i) work[i] = 0;
        return;
    }
    const int32_t cell_w = oracle_cell_size(s->cell_width);
    const int32_t cell_h = oracle_cell_size(s->cell_height);
    if (cell_w == 0 || cell_h == 0) {
        for (size_t i = 0; i < count; ++i) work[i] = s->bg_colour1;
        return;
    }
    for (int32_t r = 0; r < height; ++r) {
        const int32_t y = height - 1 - r; // picture row: memory rows are bottom-up
        const int32_t cell_row = (y / cell_h) & 1;
        uint32_t *row = oracle_row(work, width, r);
        // (x / w + y / h) odd is bg_colour1; the parities avoid an overflowing sum.
        for (int32_t x = 0; x < width; ++x)
            row[x] = (((x / cell_w) & 1) ^ cell_row) ? s->bg_colour1 : s->bg_colour2;
    }
}

int oracle_mix_indexed(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height,
                       const uint32_t *palette, uint32_t colour_count, const uint8_t *source,
                       int32_t source_stride) {
    if (colour_count == 0) return COMPOSITE_ERR_INTERNAL;
    uint32_t table[256];
    composite_palette_table(s, palette, colour_count, table);

    const uint32_t key_colour = s->transparent_colour & COMPOSITE_RGB_MASK;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t *src = source + (ptrdiff_t)r * source_stride;
        uint32_t *row = oracle_row(work, width, r);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t index = src[x];
            const uint32_t colour = table[index];
            if (s->transparent_mode == SETTINGS_TRANSPARENT_BY_COLOUR &&
                (colour & COMPOSITE_RGB_MASK) == key_colour)
                continue;
            if (s->transparent_mode == SETTINGS_TRANSPARENT_BY_INDEX &&
                index == s->transparent_index)
                continue;
            row[x] = mix_pixel(colour, s, row[x]);
        }
    }
    return COMPOSITE_OK;
}

void oracle_mix_direct(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height,
                       uint32_t *source) {
    const size_t count = (size_t)width * (size_t)height;
    uint32_t all_bits = 0;
    for (size_t i = 0; i < count; ++i) all_bits |= source[i];
    composite_prepare_alpha(s, source, count, all_bits);

    // Direct colours have no index: every keying mode keys by colour.
    const uint32_t key_colour = s->transparent_colour & COMPOSITE_RGB_MASK;
    for (size_t i = 0; i < count; ++i) {
        if (s->transparent_mode != SETTINGS_TRANSPARENT_NONE &&
            (source[i] & COMPOSITE_RGB_MASK) == key_colour)
            continue;
        work[i] = mix_pixel(source[i], s, work[i]);
    }
}

// Drawn after mixing, so the lines cover picture pixels too.
void oracle_draw_grid(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height) {
    const int32_t cell_w = oracle_cell_size(s->cell_width);
    const int32_t cell_h = oracle_cell_size(s->cell_height);
    if (!s->background_enabled || !s->grid_lines || cell_w == 0 || cell_h == 0) return;
    // 64-bit positions: stepping past the last line must not overflow.
    for (int64_t y = 0; y < height; y += cell_h) {
        uint32_t *row = oracle_row(work, width, height - 1 - y);
        for (int32_t x = 0; x < width; ++x) row[x] = s->grid_colour;
    }
    for (int64_t x = 0; x < width; x += cell_w) {
        for (int32_t r = 0; r < height; ++r) oracle_row(work, width, r)[x] = s->grid_colour;
    }
}

void oracle_pack(const uint32_t *work, int32_t width, int32_t height, int32_t output_depth,
                 void *output) {
    if (output_depth != 24) {
        memcpy(output, work, (size_t)width * (size_t)height * 4);
        return;
    }
    const size_t row_bytes = (size_t)(((uint64_t)width * 3 + 3) & ~(uint64_t)3);
    const size_t padding = row_bytes - (size_t)width * 3;
    uint8_t *out = (uint8_t *)output;
    for (int32_t r = 0; r < height; ++r) {
        const uint32_t *row = work + (size_t)r * (size_t)width;
        uint8_t *dst = out + (size_t)r * row_bytes;
        for (int32_t x = 0; x < width; ++x) {
            *dst++ = (uint8_t)row[x];
            *dst++ = (uint8_t)(row[x] >> 8);
            *dst++ = (uint8_t)(row[x] >> 16);
        }
        for (size_t i = 0; i < padding; ++i) *dst++ = 0;
    }
}

} // namespace

int oracle_composite_picture(const SettingsRecord *settings, void *output, int32_t width,
                             int32_t height, int32_t output_depth, const uint32_t *palette,
                             uint32_t colour_count, void *source, int32_t source_stride,
                             int32_t source_depth) {
    if (width <= 0 || height <= 0) return COMPOSITE_OK; // nothing to draw, nothing to touch

    // 64-bit size: a 32-bit product could wrap to a small block.
    uint32_t *work = (uint32_t *)heap_alloc((uint64_t)width * (uint64_t)height * 4);
    if (!work) return ORACLE_ERR_NO_MEMORY;

    oracle_fill_background(settings, work, width, height);
    if (source_depth == 8) {
        const int result = oracle_mix_indexed(settings, work, width, height, palette, colour_count,
                                              (const uint8_t *)source, source_stride);
        if (result != COMPOSITE_OK) {
            heap_free(work);
            return result;
        }
    } else {
        oracle_mix_direct(settings, work, width, height, (uint32_t *)source);
    }
    oracle_draw_grid(settings, work, width, height);
    oracle_pack(work, width, height, output_depth, output);
    heap_free(work);
    return COMPOSITE_OK;
}
