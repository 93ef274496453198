#include "bench/workloads.h"

#include "common/platform/platform.h"
#include "common/row_stride.h"
#include "common/settings/settings.h"
#include "compositor/compositor.h"
#include "tests/oracles/oracles.h"
#include "fontx2/fontx2.h"
#include "tests/support/synthetic_fonts.h"
#include "plugin/plugin_internal.h"
#include "raster/raster.h"
#include "tests/support/test_support.h"

#include <algorithm>
#include <memory>
#include <string.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The local heap hands out large blocks as fresh pages (first touch costs
// page faults on both sides). glibc would instead recycle a freed block that
// is still in cache, after raising its mmap threshold on the first free; a
// fixed threshold keeps large blocks fresh natively too.
void bench_fresh_large_blocks() {
#if defined(__GLIBC__)
    static const int done = mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    (void)done;
#endif
}

std::vector<uint8_t> bench_real_font(const char *name) {
    std::vector<uint8_t> bytes;
    std::string dir = test_fonts_dir();
    if (!dir.empty() && !test_read_file(dir + "/" + name, &bytes)) bytes.clear();
    return bytes;
}

SettingsRecord bench_settings(const BenchRun &run) {
    SettingsRecord s;
    settings_defaults(&s);
    s.flags = run.kind == BENCH_DEFAULT || run.kind == BENCH_HEAVY ? SETTINGS_ENABLED : 0;
    s.single_column = (uint8_t)run.single_column;
    if (run.kind == BENCH_HEAVY) {
        s.grid_lines = 1;
        s.transparent_mode = 2;
        s.transparent_index = 0;
        s.alpha_128 = 1;
        s.brightness = 1200;
    }
    return s;
}

struct BenchState {
    BenchRun run;
    SettingsRecord settings;
    uint64_t output_bytes = 0;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> copy;
};
BenchState &bench_state() {
    static BenchState state;
    return state;
}

bool bench_limit(const BenchState &st) {
    void *block = heap_alloc(st.output_bytes);
    if (!block) return false;
    memset(block, 0, (size_t)st.output_bytes);
    volatile uint8_t sink = ((uint8_t *)block)[st.output_bytes / 2];
    (void)sink;
    heap_free(block);
    const std::vector<uint8_t> &font = bench_font(st.run.font);
    uint8_t *copy = (uint8_t *)st.copy.data();
    memcpy(copy, font.data(), font.size());
    volatile uint8_t sink2 = copy[font.size() / 2];
    (void)sink2;
    return true;
}

bool bench_decode(const BenchState &st) {
    const std::vector<uint8_t> &font = bench_font(st.run.font);
    void *header = nullptr, *pixels = nullptr;
    int rc = GetPicture((const char *)font.data(), (intptr_t)font.size(), 1, &header, &pixels,
                        nullptr, 0);
    if (rc != 0) return false;
    volatile uint8_t sink = ((uint8_t *)pixels)[0];
    (void)sink;
    heap_free(header);
    heap_free(pixels);
    return true;
}

// The plain path as the per-pixel oracles draw it: one settings reading, the
// blocks, the bit-by-bit sheet.
bool bench_plain_reference(const BenchState &st) {
    const std::vector<uint8_t> &font = bench_font(st.run.font);
    SettingsRecord s;
    settings_read(&s);
    const int shape = s.single_column ? FONTX2_COLUMN : FONTX2_GRID;
    const uint32_t palette[2] = {0, 0xFFFFFFFFu};
    void *pixels = nullptr;
    void *header = make_picture_blocks(st.width, st.height, 1, palette, &pixels);
    if (!header) return false;
    std::vector<uint8_t> sheet = oracle_glyph_sheet(font, FONTX2_ORDER_AUTO, shape, 4, 1);
    bool ok = sheet.size() == row_stride(st.width, 1, 4) * st.height;
    if (ok && !sheet.empty()) memcpy(pixels, sheet.data(), sheet.size());
    heap_free(header);
    heap_free(pixels);
    return ok;
}

// The composite path's steps through the per-pixel oracles: bit-by-bit
// sheet, pixel-by-pixel conversion, working buffer with mix_pixel per pixel.
bool bench_composite_reference(const BenchState &st) {
    const std::vector<uint8_t> &font = bench_font(st.run.font);
    SettingsRecord s;
    settings_read(&s);
    const int shape = s.single_column ? FONTX2_COLUMN : FONTX2_GRID;
    const uint32_t w = st.width, h = st.height;
    uint32_t palette[256] = {0, 0xFFFFFFFFu};
    void *pixels = nullptr;
    void *header = make_picture_blocks(w, h, 24, nullptr, &pixels);
    uint64_t stride = row_stride(w, 8, 4);
    uint8_t *render = (uint8_t *)heap_alloc(stride * h);
    Raster bits = {};
    bool ok = header && render &&
              raster_init(&bits, 1, w, h, RASTER_OWNS_MEMORY, nullptr, 1, nullptr, -1);
    if (ok) {
        bits.palette[0] = 0;
        bits.palette[1] = 0xFFFFFFFFu;
        Raster target = {};
        std::vector<uint8_t> sheet = oracle_glyph_sheet(font, FONTX2_ORDER_AUTO, shape, 1, 1);
        if (!sheet.empty()) memcpy(bits.pixels, sheet.data(), sheet.size());
        ok = sheet.size() == (uint64_t)bits.stride * h &&
             raster_init(&target, 4, w, h, 0, render, 8, nullptr, 0) &&
             oracle_raster_expand(&bits, &target) &&
             oracle_composite_picture(&s, pixels, (int32_t)w, (int32_t)h, 24, palette, 2, render,
                                      (int32_t)stride, 8) == COMPOSITE_OK;
    }
    raster_release(&bits);
    heap_free(render);
    heap_free(header);
    heap_free(pixels);
    return ok;
}

} // namespace

const std::vector<uint8_t> &bench_font(int font) {
    static std::vector<uint8_t> fonts[BENCH_FONT_COUNT];
    static bool loaded[BENCH_FONT_COUNT] = {};
    if (font < 0 || font >= BENCH_FONT_COUNT) font = BENCH_FONT_ILGH24XB;
    if (!loaded[font]) {
        loaded[font] = true;
        switch (font) {
        case BENCH_FONT_ILGZ16XB:
            fonts[font] = bench_real_font("ILGZ16XB.FNT");
            break;
        case BENCH_FONT_DOUBLE32:
            fonts[font] = synthetic_font_double(32, 32);
            break;
        case BENCH_FONT_DOUBLE12X24:
            fonts[font] = synthetic_font_double(12, 24);
            break;
        case BENCH_FONT_UNICODE16:
            // Latin, Greek, Cyrillic, kana and the unified ideographs.
            fonts[font] = synthetic_font_blocks(16, 16,
                                                {{0x0020, 0x007E},
                                                 {0x0370, 0x03FF},
                                                 {0x0400, 0x04FF},
                                                 {0x3040, 0x30FF},
                                                 {0x4E00, 0x9FFF}});
            break;
        case BENCH_FONT_BLOCKS16:
        case BENCH_FONT_UNSORTED16: {
            std::vector<Fontx2Range> ranges = synthetic_many_ranges(6000, true);
            if (font == BENCH_FONT_UNSORTED16) std::reverse(ranges.begin(), ranges.end());
            fonts[font] = synthetic_font_blocks(16, 16, ranges);
            break;
        }
        default:
            fonts[font] = bench_real_font("ILGH24XB.FNT");
            break;
        }
    }
    return fonts[font];
}

std::vector<BenchRun> bench_runs() {
    struct Sheet {
        const char *name;
        int font;
        int single_column;
        bool reference;
    };
    const Sheet sheets[] = {
        {"ILGZ16XB", BENCH_FONT_ILGZ16XB, 0, true},
        {"double32x32", BENCH_FONT_DOUBLE32, 0, false},
        {"double12x24", BENCH_FONT_DOUBLE12X24, 0, false},
        {"unicode16x16", BENCH_FONT_UNICODE16, 0, false},
        {"blocks6000_16x16", BENCH_FONT_BLOCKS16, 0, false},
        {"blocks6000_unsorted_16x16", BENCH_FONT_UNSORTED16, 0, false},
        {"ILGZ16XB_column", BENCH_FONT_ILGZ16XB, 1, false},
        {"unicode16x16_column", BENCH_FONT_UNICODE16, 1, false},
        {"double32x32_column", BENCH_FONT_DOUBLE32, 1, false},
        {"ILGH24XB_small", BENCH_FONT_ILGH24XB, 0, false},
    };
    std::vector<BenchRun> runs;
    for (const Sheet &sh : sheets) {
        std::string plain = std::string("plain/") + sh.name;
        runs.push_back({plain, "limit", sh.font, sh.single_column, BENCH_LIMIT, 1});
        runs.push_back({plain, "decode", sh.font, sh.single_column, BENCH_PLAIN, 1});
        if (sh.reference)
            runs.push_back(
                {plain, "reference", sh.font, sh.single_column, BENCH_PLAIN_REFERENCE, 1});
    }
    for (const Sheet &sh : sheets) {
        std::string comp = std::string("composite/") + sh.name;
        runs.push_back({comp, "limit", sh.font, sh.single_column, BENCH_LIMIT, 24});
        runs.push_back({comp, "default", sh.font, sh.single_column, BENCH_DEFAULT, 24});
        runs.push_back({comp, "heavy", sh.font, sh.single_column, BENCH_HEAVY, 24});
        if (sh.reference)
            runs.push_back(
                {comp, "reference", sh.font, sh.single_column, BENCH_COMPOSITE_REFERENCE, 24});
    }
    return runs;
}

bool bench_prepare(const BenchRun &run) {
    bench_fresh_large_blocks();
    BenchState &st = bench_state();
    st.run = run;
    const std::vector<uint8_t> &font = bench_font(run.font);
    if (font.empty()) return false;
    st.settings = bench_settings(run);
    test_store_settings(st.settings);
    Fontx2Font f;
    std::unique_ptr<Fontx2Layout> layout(new Fontx2Layout);
    if (fontx2_read(&f, font.data(), font.size(), font.size()) != FONTX2_OK) return false;
    fontx2_lay_out(layout.get(), &f, FONTX2_ORDER_AUTO,
                   run.single_column ? FONTX2_COLUMN : FONTX2_GRID);
    st.width = layout->width;
    st.height = layout->height;
    st.output_bytes = row_stride(st.width, run.output_bits, 4) * st.height;
    st.copy.assign(font.size(), 0);
    return true;
}

bool bench_iterate(const BenchRun &run) {
    const BenchState &st = bench_state();
    switch (run.kind) {
    case BENCH_LIMIT:
        return bench_limit(st);
    case BENCH_PLAIN_REFERENCE:
        return bench_plain_reference(st);
    case BENCH_COMPOSITE_REFERENCE:
        return bench_composite_reference(st);
    default:
        return bench_decode(st);
    }
}

void bench_finish() {
    test_registry_clear();
}
