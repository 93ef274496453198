#include "composite/compositor.h"

#include "common/platform/platform.h"

#include <stddef.h>
#include <string.h>

namespace {

const uint32_t ALPHA_MASK = 0xFF000000u;
const uint32_t RGB_MASK = 0x00FFFFFFu;

// Every channel leaves here inside 0..255: a brightness above 1000 must not
// wrap a bright colour to a dark one, and negative factors end at black.
int32_t composite_clamp_channel(int32_t value) {
    if (value < 0) return 0;
    if (value > 255) return 255;
    return value;
}

uint32_t composite_pack_rgb(int32_t red, int32_t green, int32_t blue) {
    return (uint32_t)composite_clamp_channel(red) << 16 |
           (uint32_t)composite_clamp_channel(green) << 8 | (uint32_t)composite_clamp_channel(blue);
}

int32_t composite_mix_channel(uint8_t mode, int32_t value, int32_t back, int32_t weight) {
    switch (mode) {
    case 1:
        return (value * weight + (255 - weight) * back) / 255;
    case 2:
        return back + value * weight / 255;
    default:
        return back - value * weight / 255; // 3
    }
}

// Cell sizes come from a registry anyone can write: a negative size means no
// cells, like 0, so every loop below advances and ends.
int32_t composite_cell_size(int16_t size) {
    return size > 0 ? size : 0;
}

uint32_t *composite_row(uint32_t *work, int32_t width, int64_t row) {
    return work + (size_t)row * (size_t)width;
}

void composite_fill_background(const SettingsRecord *s, uint32_t *work, int32_t width,
                               int32_t height) {
    const size_t count = (size_t)width * (size_t)height;
    if (!s->background_enabled) {
        for (size_t i = 0; i < count; ++i) work[i] = 0;
        return;
    }
    const int32_t cell_w = composite_cell_size(s->cell_width);
    const int32_t cell_h = composite_cell_size(s->cell_height);
    if (cell_w == 0 || cell_h == 0) {
        for (size_t i = 0; i < count; ++i) work[i] = s->bg_colour1;
        return;
    }
    for (int32_t r = 0; r < height; ++r) {
        const int32_t y = height - 1 - r; // picture row: memory rows are bottom-up
        const int32_t cell_row = (y / cell_h) & 1;
        uint32_t *row = composite_row(work, width, r);
        // (x / w + y / h) odd is bg_colour1; the parities avoid an overflowing sum.
        for (int32_t x = 0; x < width; ++x)
            row[x] = (((x / cell_w) & 1) ^ cell_row) ? s->bg_colour1 : s->bg_colour2;
    }
}

// Without any alpha in the source every colour is opaque; otherwise the
// alpha may be inverted on request.
void composite_prepare_alpha(const SettingsRecord *s, uint32_t *words, size_t count,
                             uint32_t all_bits) {
    if ((all_bits & ALPHA_MASK) == 0) {
        for (size_t i = 0; i < count; ++i) words[i] |= ALPHA_MASK;
    } else if (s->alpha_invert & 1) {
        for (size_t i = 0; i < count; ++i) words[i] ^= ALPHA_MASK;
    }
}

int composite_mix_indexed(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height,
                          const uint32_t *palette, uint32_t colour_count, const uint8_t *source,
                          int32_t source_stride) {
    if (colour_count == 0) return COMPOSITE_ERR_INTERNAL;
    uint32_t all_bits = 0;
    for (uint32_t i = 0; i < colour_count; ++i) all_bits |= palette[i];

    uint32_t table[256];
    for (uint32_t &entry : table) entry = 0;
    const uint32_t used = colour_count < 256 ? colour_count : 256;
    for (uint32_t i = 0; i < used; ++i) {
        // A negative offset rotates the other way; the position always lands
        // inside the palette.
        int64_t position = ((int64_t)s->clut_offset + (int64_t)i) % (int64_t)colour_count;
        if (position < 0) position += colour_count;
        table[i] = palette[position];
    }
    composite_prepare_alpha(s, table, 256, all_bits);

    const uint32_t key_colour = s->transparent_colour & RGB_MASK;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t *src = source + (ptrdiff_t)r * source_stride;
        uint32_t *row = composite_row(work, width, r);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t index = src[x];
            const uint32_t colour = table[index];
            if (s->transparent_mode == 1 && (colour & RGB_MASK) == key_colour) continue;
            if (s->transparent_mode == 2 && index == s->transparent_index) continue;
            row[x] = mix_pixel(colour, s, row[x]);
        }
    }
    return COMPOSITE_OK;
}

void composite_mix_direct(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height,
                          uint32_t *source) {
    const size_t count = (size_t)width * (size_t)height;
    uint32_t all_bits = 0;
    for (size_t i = 0; i < count; ++i) all_bits |= source[i];
    composite_prepare_alpha(s, source, count, all_bits);

    // Direct colours have no index: every keying mode keys by colour.
    const uint32_t key_colour = s->transparent_colour & RGB_MASK;
    for (size_t i = 0; i < count; ++i) {
        if (s->transparent_mode != 0 && (source[i] & RGB_MASK) == key_colour) continue;
        work[i] = mix_pixel(source[i], s, work[i]);
    }
}

// Drawn after mixing, so the lines cover picture pixels too.
void composite_draw_grid(const SettingsRecord *s, uint32_t *work, int32_t width, int32_t height) {
    const int32_t cell_w = composite_cell_size(s->cell_width);
    const int32_t cell_h = composite_cell_size(s->cell_height);
    if (!s->background_enabled || !s->grid_lines || cell_w == 0 || cell_h == 0) return;
    // 64-bit positions: stepping past the last line must not overflow.
    for (int64_t y = 0; y < height; y += cell_h) {
        uint32_t *row = composite_row(work, width, height - 1 - y);
        for (int32_t x = 0; x < width; ++x) row[x] = s->grid_colour;
    }
    for (int64_t x = 0; x < width; x += cell_w) {
        for (int32_t r = 0; r < height; ++r) composite_row(work, width, r)[x] = s->grid_colour;
    }
}

void composite_pack(const uint32_t *work, int32_t width, int32_t height, int32_t output_depth,
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

uint32_t mix_pixel(uint32_t source, const SettingsRecord *settings, uint32_t background) {
    const int32_t brightness = settings->brightness;
    const int32_t red = (int32_t)((source >> 16) & 0xFF) * brightness / 1000;
    const int32_t green = (int32_t)((source >> 8) & 0xFF) * brightness / 1000;
    const int32_t blue = (int32_t)(source & 0xFF) * brightness / 1000;

    const int32_t alpha = (int32_t)(source >> 24);
    // With alpha_128, 128 counts as opaque and higher values overshoot (to 508).
    const int32_t scaled = (settings->alpha_128 & 1) ? alpha * 255 / 128 : alpha;
    const int32_t weight = scaled * settings->alpha_scale / 255;

    const uint8_t mode = settings->alpha_mode;
    if ((settings->alpha_zero_opaque && alpha == 0) || mode < 1 || mode > 3)
        return composite_pack_rgb(red, green, blue);

    const int32_t back_red = (int32_t)((background >> 16) & 0xFF);
    const int32_t back_green = (int32_t)((background >> 8) & 0xFF);
    const int32_t back_blue = (int32_t)(background & 0xFF);
    return composite_pack_rgb(composite_mix_channel(mode, red, back_red, weight),
                              composite_mix_channel(mode, green, back_green, weight),
                              composite_mix_channel(mode, blue, back_blue, weight));
}

int composite_picture(const SettingsRecord *settings, void *output, int32_t width, int32_t height,
                      int32_t output_depth, const uint32_t *palette, uint32_t colour_count,
                      void *source, int32_t source_stride, int32_t source_depth) {
    if (width <= 0 || height <= 0) return COMPOSITE_OK; // nothing to draw, nothing to touch

    // 64-bit size: a 32-bit product could wrap to a small block.
    uint32_t *work = (uint32_t *)heap_alloc((uint64_t)width * (uint64_t)height * 4);
    if (!work) return COMPOSITE_ERR_NO_MEMORY;

    composite_fill_background(settings, work, width, height);
    if (source_depth == 8) {
        const int result =
            composite_mix_indexed(settings, work, width, height, palette, colour_count,
                                  (const uint8_t *)source, source_stride);
        if (result != COMPOSITE_OK) {
            heap_free(work);
            return result;
        }
    } else {
        composite_mix_direct(settings, work, width, height, (uint32_t *)source);
    }
    composite_draw_grid(settings, work, width, height);
    composite_pack(work, width, height, output_depth, output);
    heap_free(work);
    return COMPOSITE_OK;
}
