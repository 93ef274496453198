#include "compositor/compositor.h"

#include "common/row_stride.h"

#include <new>
#include <stddef.h>
#include <string.h>

namespace {

// brightness is a factor in thousandths: 1000 leaves a colour as it is.
const int32_t BRIGHTNESS_UNITY = 1000;

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

int32_t composite_mix_channel(uint8_t mode, int32_t value, int32_t background, int32_t weight) {
    switch (mode) {
    case SETTINGS_ALPHA_BLEND:
        return (value * weight + (255 - weight) * background) / 255;
    case SETTINGS_ALPHA_ADD:
        return background + value * weight / 255;
    default: // SETTINGS_ALPHA_SUBTRACT
        return background - value * weight / 255;
    }
}

// The checkerboard and grid geometry.
struct Backdrop {
    int32_t cell_w; // 0: no checkerboard
    int32_t cell_h;
    bool grid;
    uint32_t grid_colour;
};

Backdrop composite_backdrop(const SettingsRecord *s, uint32_t mask) {
    Backdrop b;
    // Cell sizes come from a registry anyone can write: a negative size means
    // no cells, like 0.
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

inline void composite_put(const RowOut &out, int64_t x, uint32_t colour) {
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
inline void composite_put8_packed(uint8_t *p, const uint32_t *c) {
    const uint64_t w0 = (uint64_t)c[0] | (uint64_t)c[1] << 24 | (uint64_t)c[2] << 48;
    const uint64_t w1 =
        (uint64_t)c[2] >> 16 | (uint64_t)c[3] << 8 | (uint64_t)c[4] << 32 | (uint64_t)c[5] << 56;
    const uint64_t w2 = (uint64_t)c[5] >> 8 | (uint64_t)c[6] << 16 | (uint64_t)c[7] << 40;
    memcpy(p, &w0, 8);
    memcpy(p + 8, &w1, 8);
    memcpy(p + 16, &w2, 8);
}

// Pixels [x, end) of an 8-bit source row through one colour table.
void composite_span_indexed(const RowOut &out, const uint8_t *src, const uint32_t *lut, int64_t x,
                            int64_t end) {
    if (out.packed) {
        for (; x + 8 <= end; x += 8) {
            uint32_t c[8];
            for (int i = 0; i < 8; ++i) c[i] = lut[src[x + i]];
            composite_put8_packed(out.row + 3 * x, c);
        }
    }
    for (; x < end; ++x) composite_put(out, x, lut[src[x]]);
}

// Pixels [x, end) of a 32-bit source row, mixed one by one.
void composite_span_direct(const RowOut &out, const uint32_t *src, const SettingsRecord *s,
                           uint32_t background, uint32_t mask, int64_t x, int64_t end) {
    const uint32_t key = s->transparent_colour & COMPOSITE_RGB_MASK;
    for (; x < end; ++x) {
        const uint32_t colour = src[x];
        // Direct colours have no index: every keying mode keys by colour.
        const bool keyed = s->transparent_mode != SETTINGS_TRANSPARENT_NONE &&
                           (colour & COMPOSITE_RGB_MASK) == key;
        composite_put(out, x, (keyed ? background : mix_pixel(colour, s, background)) & mask);
    }
}

// The unmasked background under a cell of one parity: on the checkerboard
// bg_colour1 where (x / w + y / h) is odd and bg_colour2 where it is even;
// bg_colour1 on a plain background, black without one. mix_pixel ignores its
// top byte, and a keyed pixel keeps it for the 32-bit output.
uint32_t composite_background(const SettingsRecord *s, const Backdrop &backdrop, int parity) {
    if (!s->background_enabled) return 0;
    return parity == 0 && backdrop.cell_w ? s->bg_colour2 : s->bg_colour1;
}

// The cell parity of pixel (x, y) in picture coordinates; 1 (bg_colour1)
// without a checkerboard.
inline int composite_cell_parity(const Backdrop &backdrop, int64_t x, int32_t y) {
    if (!backdrop.cell_w) return 1;
    return (int)(((x / backdrop.cell_w) ^ (y / backdrop.cell_h)) & 1);
}

// An 8-bit source's finished colour for every (background parity, index)
// pair: keyed indices show the background, the others are mixed over it.
void composite_build_lut(const SettingsRecord *s, const uint32_t *palette, uint32_t colour_count,
                         const uint32_t backgrounds[2], uint32_t mask, uint32_t lut[2][256]) {
    uint32_t colours[256];
    composite_palette_table(s, palette, colour_count, colours);
    const uint32_t key = s->transparent_colour & COMPOSITE_RGB_MASK;
    // Equal backgrounds (always so without a checkerboard) give equal tables.
    const int parities = backgrounds[0] != backgrounds[1] ? 2 : 1;
    for (int parity = 0; parity < parities; ++parity) {
        const uint32_t background = backgrounds[parity];
        for (uint32_t i = 0; i < 256; ++i) {
            const bool keyed = (s->transparent_mode == SETTINGS_TRANSPARENT_BY_COLOUR &&
                                (colours[i] & COMPOSITE_RGB_MASK) == key) ||
                               (s->transparent_mode == SETTINGS_TRANSPARENT_BY_INDEX &&
                                (int32_t)i == s->transparent_index);
            lut[parity][i] = (keyed ? background : mix_pixel(colours[i], s, background)) & mask;
        }
    }
    if (parities == 1) memcpy(lut[1], lut[0], sizeof lut[0]);
}

// What every row of one picture shares.
struct PictureJob {
    const SettingsRecord *settings;
    Backdrop backdrop;
    uint32_t mask; // what the output packing keeps of a colour
    bool packed;   // 24-bit output
    int32_t width, height;
    uint8_t *output;
    size_t output_row_bytes;
    bool indexed;               // the source: 8-bit indices, or 32-bit words
    const uint8_t *indices;     // 8-bit source
    int32_t source_stride;      // between rows of indices
    const uint32_t *words;      // 32-bit source
    const uint32_t (*lut)[256]; // indices: finished colour by [parity][index]
    uint32_t backgrounds[2];    // words: the background by cell parity
};

// Output row r from its source row; memory rows are bottom-up, so it shows
// picture row height - 1 - r. The backdrop is laid span by span: one
// checkerboard cell (or the whole row) at a time, grid lines over it.
void composite_row(const PictureJob &job, int32_t r, const void *source_row) {
    const Backdrop &backdrop = job.backdrop;
    const int32_t y = job.height - 1 - r;
    const RowOut out = {job.output + (size_t)r * job.output_row_bytes, job.packed};
    if (backdrop.grid && y % backdrop.cell_h == 0) {
        for (int64_t x = 0; x < job.width; ++x) composite_put(out, x, backdrop.grid_colour);
    } else {
        const int64_t span = backdrop.cell_w ? backdrop.cell_w : job.width;
        for (int64_t x = 0; x < job.width; x += span) {
            const int64_t end = x + span < job.width ? x + span : job.width;
            const int parity = composite_cell_parity(backdrop, x, y);
            if (job.indexed) {
                composite_span_indexed(out, (const uint8_t *)source_row, job.lut[parity], x, end);
            } else {
                composite_span_direct(out, (const uint32_t *)source_row, job.settings,
                                      job.backgrounds[parity], job.mask, x, end);
            }
            if (backdrop.grid)
                composite_put(out, x, backdrop.grid_colour); // the cell's left column
        }
    }
    if (job.packed) {
        const size_t pixel_bytes = (size_t)job.width * 3;
        memset(out.row + pixel_bytes, 0, job.output_row_bytes - pixel_bytes);
    }
}

// The bands' state: the shared row job and the colour tables it points to.
struct BandsState {
    PictureJob job;
    uint32_t lut[2][256];
};
static_assert(sizeof(BandsState) <= sizeof(CompositeBands::state), "the state fits");
static_assert(alignof(BandsState) <= 8, "the state's alignment");

// What every picture shares, whatever its source: the backdrop and the
// output rows.
PictureJob composite_job(const SettingsRecord *settings, void *output, int32_t width,
                         int32_t height, int32_t output_depth) {
    PictureJob job = {};
    job.settings = settings;
    job.packed = output_depth == 24;
    // 24-bit packing drops the top byte, so it is cleared once here.
    job.mask = job.packed ? COMPOSITE_RGB_MASK : 0xFFFFFFFFu;
    job.backdrop = composite_backdrop(settings, job.mask);
    job.width = width;
    job.height = height;
    job.output = (uint8_t *)output;
    // 32-bit words are always a multiple of the DIB alignment: no padding.
    job.output_row_bytes =
        (size_t)row_stride((uint64_t)width, job.packed ? 24 : 32, DIB_ROW_ALIGNMENT);
    for (int parity = 0; parity < 2; ++parity)
        job.backgrounds[parity] = composite_background(settings, job.backdrop, parity);
    return job;
}

} // namespace

uint32_t mix_pixel(uint32_t source, const SettingsRecord *settings, uint32_t background) {
    const int32_t brightness = settings->brightness;
    const int32_t red = (int32_t)((source >> 16) & 0xFF) * brightness / BRIGHTNESS_UNITY;
    const int32_t green = (int32_t)((source >> 8) & 0xFF) * brightness / BRIGHTNESS_UNITY;
    const int32_t blue = (int32_t)(source & 0xFF) * brightness / BRIGHTNESS_UNITY;

    const int32_t alpha = (int32_t)(source >> 24);
    // With alpha_128, 128 counts as opaque and higher values overshoot (to 508).
    const int32_t scaled = (settings->alpha_128 & 1) ? alpha * 255 / 128 : alpha;
    const int32_t weight = scaled * settings->alpha_scale / 255;

    const uint8_t mode = settings->alpha_mode;
    if ((settings->alpha_zero_opaque && alpha == 0) || mode < SETTINGS_ALPHA_BLEND ||
        mode > SETTINGS_ALPHA_SUBTRACT)
        return composite_pack_rgb(red, green, blue);

    const int32_t background_red = (int32_t)((background >> 16) & 0xFF);
    const int32_t background_green = (int32_t)((background >> 8) & 0xFF);
    const int32_t background_blue = (int32_t)(background & 0xFF);
    return composite_pack_rgb(composite_mix_channel(mode, red, background_red, weight),
                              composite_mix_channel(mode, green, background_green, weight),
                              composite_mix_channel(mode, blue, background_blue, weight));
}

void composite_prepare_alpha(const SettingsRecord *s, uint32_t *words, size_t count,
                             uint32_t all_bits) {
    if ((all_bits & COMPOSITE_ALPHA_MASK) == 0) {
        for (size_t i = 0; i < count; ++i) words[i] |= COMPOSITE_ALPHA_MASK;
    } else if (s->alpha_invert & 1) {
        for (size_t i = 0; i < count; ++i) words[i] ^= COMPOSITE_ALPHA_MASK;
    }
}

void composite_palette_table(const SettingsRecord *s, const uint32_t *palette,
                             uint32_t colour_count, uint32_t *table) {
    uint32_t all_bits = 0;
    for (uint32_t i = 0; i < colour_count; ++i) all_bits |= palette[i];
    for (uint32_t i = 0; i < 256; ++i) table[i] = 0;
    const uint32_t used = colour_count < 256 ? colour_count : 256;
    for (uint32_t i = 0; i < used; ++i) {
        // A negative offset rotates the other way.
        int64_t position = ((int64_t)s->clut_offset + (int64_t)i) % (int64_t)colour_count;
        if (position < 0) position += colour_count;
        table[i] = palette[position];
    }
    composite_prepare_alpha(s, table, 256, all_bits);
}

int composite_bands_start(CompositeBands *bands, const SettingsRecord *settings, void *output,
                          int32_t width, int32_t height, int32_t output_depth,
                          const uint32_t *palette, uint32_t colour_count) {
    BandsState *state = new (bands->state) BandsState;
    state->job = composite_job(settings, output, width, height, output_depth);
    if (width <= 0 || height <= 0) return COMPOSITE_OK;
    if (colour_count == 0) return COMPOSITE_ERR_INTERNAL;
    composite_build_lut(settings, palette, colour_count, state->job.backgrounds, state->job.mask,
                        state->lut);
    state->job.indexed = true;
    state->job.lut = state->lut;
    return COMPOSITE_OK;
}

void composite_band(const CompositeBands *bands, const uint8_t *source, ptrdiff_t source_stride,
                    int32_t first_row, int32_t rows) {
    const PictureJob &job = ((const BandsState *)bands->state)->job;
    for (int32_t i = 0; i < rows; ++i)
        composite_row(job, job.height - 1 - (first_row + i), source + i * source_stride);
}

int composite_picture(const SettingsRecord *settings, void *output, int32_t width, int32_t height,
                      int32_t output_depth, const uint32_t *palette, uint32_t colour_count,
                      void *source, int32_t source_stride, int32_t source_depth) {
    if (width <= 0 || height <= 0) return COMPOSITE_OK;
    if (source_depth == 8) {
        // Bottom-up rows: the picture's top row is the last in memory.
        CompositeBands bands;
        int rc = composite_bands_start(&bands, settings, output, width, height, output_depth,
                                       palette, colour_count);
        if (rc == COMPOSITE_OK)
            composite_band(&bands,
                           (const uint8_t *)source + (ptrdiff_t)(height - 1) * source_stride,
                           -(ptrdiff_t)source_stride, 0, height);
        return rc;
    }
    PictureJob job = composite_job(settings, output, width, height, output_depth);
    // The alpha preparation happens on the caller's words.
    uint32_t *words = (uint32_t *)source;
    const size_t count = (size_t)width * (size_t)height;
    uint32_t all_bits = 0;
    for (size_t i = 0; i < count; ++i) all_bits |= words[i];
    composite_prepare_alpha(settings, words, count, all_bits);
    for (int32_t r = 0; r < height; ++r) composite_row(job, r, words + (size_t)r * (size_t)width);
    return COMPOSITE_OK;
}
