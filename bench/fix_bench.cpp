// fontx2sheet fix of a 6,000-block font whose count byte wrapped, beside
// reading that font with the library and laying its sheet out (what every
// command does first), in the same run: rewriting it within 255 blocks and
// reading the rewrite back with both readers, code by code.
#include "bench/workloads.h"
#include "fontx2sheet/files.h"
#include "fontx2sheet/fix.h"
#include "fontx2sheet/fontx2sheet.h"

#include <benchmark/benchmark.h>

namespace {

bool read_font(const std::vector<uint8_t> &bytes, LoadedFont *loaded) {
    loaded->bytes = bytes;
    return parse_font(loaded) && loaded->font.block_count == 6000;
}

void fix_read(benchmark::State &state) {
    const std::vector<uint8_t> &bytes = bench_font(BENCH_FONT_BLOCKS16);
    for (auto _ : state) {
        LoadedFont loaded;
        if (!read_font(bytes, &loaded)) {
            state.SkipWithError("the 6,000-block font does not read as such");
            return;
        }
        benchmark::DoNotOptimize(loaded.layout->codes);
    }
}

void fix_rewrite(benchmark::State &state) {
    const std::vector<uint8_t> &bytes = bench_font(BENCH_FONT_BLOCKS16);
    for (auto _ : state) {
        LoadedFont loaded;
        FixResult result;
        if (!read_font(bytes, &loaded) || fix_font(&loaded.font, &result) != FIX_WRITTEN) {
            state.SkipWithError("the 6,000-block font was not fixed");
            return;
        }
        benchmark::DoNotOptimize(result.written.bytes.data());
    }
}

} // namespace

BENCHMARK(fix_read)->Name("fix_blocks6000/limit")->Unit(benchmark::kMillisecond);
BENCHMARK(fix_rewrite)->Name("fix_blocks6000/fix")->Unit(benchmark::kMillisecond);
