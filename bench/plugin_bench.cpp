// The decode workloads (workloads.h) as Google Benchmark runs: for each
// workload its limit, then every case, so main can print case / limit.
#include "bench/workloads.h"

#include <benchmark/benchmark.h>

namespace {

void bench_workload(benchmark::State &state, BenchRun run) {
    if (!bench_prepare(run)) {
        state.SkipWithError("font not available");
        return;
    }
    for (auto _ : state) {
        if (!bench_iterate(run)) {
            state.SkipWithError("decode failed");
            break;
        }
    }
    bench_finish();
}

// Registered before main runs, in bench_runs() order.
const int BENCH_REGISTERED = [] {
    for (const BenchRun &run : bench_runs()) {
        std::string name = run.workload + "/" + run.label;
        benchmark::RegisterBenchmark(name.c_str(), bench_workload, run)
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();

} // namespace
