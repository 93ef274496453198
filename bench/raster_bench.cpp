// Raster conversion of a 1-bit glyph sheet to 8 bits per pixel (the composite
// path's render raster: 4-byte rows, no palette), through the table and per
// pixel, beside a memset of the same 8-bit output, its memory-bandwidth limit.
#include "common/row_stride.h"
#include "raster/raster.h"
#include "tests/oracles/oracles.h"
#include "tests/support/test_support.h"

#include <benchmark/benchmark.h>
#include <stdint.h>
#include <string.h>
#include <vector>

namespace {

const uint32_t SHEET_SIZE = 1504; // 94 cells of 16 pixels

struct SheetFixture {
    Raster sheet = {};
    std::vector<uint8_t> out;
    uint32_t out_stride = 0;

    SheetFixture() {
        if (!raster_init(&sheet, 4, SHEET_SIZE, SHEET_SIZE, RASTER_OWNS_MEMORY, nullptr, 1, nullptr,
                         -1))
            return;
        // A deterministic mix of set and clear bits, like glyph strokes.
        TestRandom random(12345);
        for (uint64_t i = 0; i < (uint64_t)sheet.stride * sheet.height; ++i)
            sheet.pixels[i] = (uint8_t)random.next();
        out_stride = (uint32_t)row_stride(SHEET_SIZE, 8, DIB_ROW_ALIGNMENT);
        out.assign((size_t)out_stride * SHEET_SIZE, 0);
    }
    ~SheetFixture() { raster_release(&sheet); }
    bool ready() const { return sheet.pixels != nullptr && !out.empty(); }
};

void raster_convert_1bit_to_8bit_1504(benchmark::State &state) {
    SheetFixture f;
    if (!f.ready()) {
        state.SkipWithError("allocation failed");
        return;
    }
    for (auto _ : state) {
        bool ok = raster_convert_into(&f.sheet, 4, 8, 0, f.out.data(), nullptr, 0, 0);
        benchmark::DoNotOptimize(ok);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)f.out.size());
    state.counters["pixels"] = (double)SHEET_SIZE * SHEET_SIZE;
}

void raster_convert_reference_1504(benchmark::State &state) {
    SheetFixture f;
    Raster target = {};
    if (!f.ready() ||
        !raster_init(&target, 4, SHEET_SIZE, SHEET_SIZE, 0, f.out.data(), 8, nullptr, 0)) {
        state.SkipWithError("allocation failed");
        return;
    }
    for (auto _ : state) {
        bool ok = oracle_raster_expand(&f.sheet, &target);
        benchmark::DoNotOptimize(ok);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)f.out.size());
}

void raster_memset_8bit_1504(benchmark::State &state) {
    SheetFixture f;
    if (!f.ready()) {
        state.SkipWithError("allocation failed");
        return;
    }
    uint8_t value = 0;
    for (auto _ : state) {
        memset(f.out.data(), value++, f.out.size());
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)f.out.size());
    state.counters["pixels"] = (double)SHEET_SIZE * SHEET_SIZE;
}

} // namespace

BENCHMARK(raster_convert_1bit_to_8bit_1504)
    ->Name("raster_1bit_to_8bit_1504/table")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(raster_convert_reference_1504)
    ->Name("raster_1bit_to_8bit_1504/reference")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(raster_memset_8bit_1504)
    ->Name("raster_1bit_to_8bit_1504/limit")
    ->Unit(benchmark::kMicrosecond);
