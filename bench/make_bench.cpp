// fontx2sheet make of Debian's 12 x 13 Japanese X11 font (19,207 characters
// and the box at code 0), read back with the library in the same run.
#include "fontx2/fontx2.h"
#include "fontx2sheet/fontx2sheet.h"
#include "fontx2sheet/make.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

const char *const JA_FONT = "/usr/share/fonts/X11/misc/12x13ja.pcf.gz";

// Makes the font as make does (mapped, placed, written, checked by both
// readers), then reads every code's glyph with the library.
bool make_and_read(uint64_t *glyphs_read) {
    MakeArgs options;
    options.source = JA_FONT;
    MadeGlyphs made;
    Fontx2Written written;
    uint32_t bad = 0;
    if (make_glyphs(options, &made) != EXIT_FINE ||
        !fontx2_write_font(made.glyphs, options.max_blocks, &written) ||
        !fontx2_check_font(written.bytes, made.glyphs, &bad))
        return false;
    Fontx2Font font;
    if (fontx2_read(&font, written.bytes.data(), written.bytes.size(), written.bytes.size()))
        return false;
    *glyphs_read = 0;
    Fontx2Glyph glyph;
    for (uint32_t code : made.glyphs.codes) *glyphs_read += fontx2_lookup(&font, code, &glyph);
    return *glyphs_read == made.glyphs.codes.size();
}

void make_ja(benchmark::State &state) {
    uint64_t read = 0;
    if (access(JA_FONT, R_OK) != 0) {
        state.SkipWithError("12x13ja.pcf.gz is not installed (Debian's xfonts-base): skipped");
        return;
    }
    for (auto _ : state) {
        if (!make_and_read(&read)) {
            state.SkipWithError("making the font failed");
            return;
        }
    }
    state.counters["glyphs"] = (double)read;
}

} // namespace

BENCHMARK(make_ja)->Name("make_font/12x13ja_pcf_gz")->Unit(benchmark::kMillisecond);
