// Compositing a full double-byte glyph sheet with the default settings, the
// per-pixel oracle and the shipped fused route, beside the cost of merely clearing
// the 24-bit output it writes (all in cache: no fresh blocks here).
#include "common/row_stride.h"
#include "compositor/compositor.h"
#include "tests/oracles/oracles.h"

#include <benchmark/benchmark.h>
#include <string.h>
#include <vector>

namespace {

const int32_t SHEET_SIDE = 1504; // 94 cells of 16 pixels
const size_t ROW_BYTES = (size_t)row_stride(SHEET_SIDE, 24, DIB_ROW_ALIGNMENT);

// A glyph-like two-colour source: a few strokes in every 16 x 16 cell.
std::vector<uint8_t> make_sheet() {
    std::vector<uint8_t> sheet((size_t)SHEET_SIDE * SHEET_SIDE);
    for (int32_t y = 0; y < SHEET_SIDE; ++y)
        for (int32_t x = 0; x < SHEET_SIDE; ++x) {
            const int32_t cx = x % 16, cy = y % 16;
            sheet[(size_t)y * SHEET_SIDE + x] =
                (cx == 3 || cy == 7 || cx == cy) && cx > 1 && cy > 1;
        }
    return sheet;
}

typedef int (*CompositeFn)(const SettingsRecord *, void *, int32_t, int32_t, int32_t,
                           const uint32_t *, uint32_t, void *, int32_t, int32_t);

void run_composite(benchmark::State &state, CompositeFn composite) {
    SettingsRecord settings;
    settings_defaults(&settings);
    const uint32_t palette[2] = {0x00000000u, 0xFFFFFFFFu};
    std::vector<uint8_t> sheet = make_sheet();
    std::vector<uint8_t> output(ROW_BYTES * SHEET_SIDE);
    for (auto _ : state) {
        int result = composite(&settings, output.data(), SHEET_SIDE, SHEET_SIDE, 24, palette, 2,
                               sheet.data(), SHEET_SIDE, 8);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
        if (result != COMPOSITE_OK) state.SkipWithError("compositing failed");
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)output.size());
}

void bench_oracle_composite_picture(benchmark::State &state) {
    run_composite(state, oracle_composite_picture);
}
BENCHMARK(bench_oracle_composite_picture)
    ->Name("composite_picture_1504/oracle_default_settings")
    ->Unit(benchmark::kMillisecond);

void bench_composite_picture(benchmark::State &state) {
    run_composite(state, composite_picture);
}
BENCHMARK(bench_composite_picture)
    ->Name("composite_picture_1504/fused_default_settings")
    ->Unit(benchmark::kMillisecond);

// The floor: writing the same 24-bit output once (reported as the limit).
void bench_composite_memset_output(benchmark::State &state) {
    std::vector<uint8_t> output(ROW_BYTES * SHEET_SIDE);
    for (auto _ : state) {
        memset(output.data(), 0, output.size());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)output.size());
}
BENCHMARK(bench_composite_memset_output)
    ->Name("composite_picture_1504/limit")
    ->Unit(benchmark::kMillisecond);

} // namespace
