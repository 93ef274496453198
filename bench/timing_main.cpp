// The benchmark for builds without Google Benchmark (the Windows build): the
// same workloads, timed in rounds that alternate each workload's limit and
// cases, so both see the same machine; medians of the rounds, then every
// case / limit ratio.
//
// Usage: gridglyph_bench_timing [rounds] [substring filter]
#include "bench/workloads.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace {

typedef std::chrono::steady_clock BenchClock;

// Seconds per iteration over a batch long enough for the clock (>= 20 ms).
double bench_time_batch(const BenchRun &run, uint32_t *iterations) {
    for (;;) {
        BenchClock::time_point start = BenchClock::now();
        for (uint32_t i = 0; i < *iterations; ++i)
            if (!bench_iterate(run)) return -1;
        double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
        if (seconds >= 0.02 || *iterations >= (1u << 24)) return seconds / *iterations;
        *iterations *= seconds > 0.002 ? (uint32_t)(0.03 / seconds) + 1 : 16;
    }
}

double bench_median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    const int rounds = argc > 1 ? atoi(argv[1]) : 7;
    const char *filter = argc > 2 ? argv[2] : "";
    std::vector<BenchRun> runs = bench_runs();
    std::map<std::string, std::vector<size_t>> workloads; // in first-seen order below
    std::vector<std::string> order;
    for (size_t i = 0; i < runs.size(); ++i) {
        std::string name = runs[i].workload + "/" + runs[i].label;
        if (!strstr(name.c_str(), filter) && !strstr(runs[i].workload.c_str(), filter)) continue;
        if (!workloads.count(runs[i].workload)) order.push_back(runs[i].workload);
        workloads[runs[i].workload].push_back(i);
    }
    printf("%-44s %12s %8s\n", "workload / case (median)", "us", "x limit");
    for (const std::string &workload : order) {
        const std::vector<size_t> &members = workloads[workload];
        std::vector<std::vector<double>> times(members.size());
        std::vector<uint32_t> iterations(members.size(), 1);
        bool ok = true;
        for (int round = 0; round < rounds && ok; ++round) {
            for (size_t m = 0; m < members.size() && ok; ++m) {
                const BenchRun &run = runs[members[m]];
                ok = bench_prepare(run) && bench_iterate(run); // warm, and check once
                double t = ok ? bench_time_batch(run, &iterations[m]) : -1;
                ok = ok && t >= 0;
                times[m].push_back(t);
            }
        }
        bench_finish();
        if (!ok) {
            printf("%-44s %12s\n", workload.c_str(), "skipped (font missing or decode failed)");
            continue;
        }
        double limit = 0;
        for (size_t m = 0; m < members.size(); ++m)
            if (runs[members[m]].kind == BENCH_LIMIT) limit = bench_median(times[m]);
        for (size_t m = 0; m < members.size(); ++m) {
            const BenchRun &run = runs[members[m]];
            double t = bench_median(times[m]);
            std::string name = workload + "/" + run.label;
            if (run.kind == BENCH_LIMIT || limit <= 0) {
                printf("%-44s %12.1f\n", name.c_str(), t * 1e6);
            } else {
                printf("%-44s %12.1f %8.2f\n", name.c_str(), t * 1e6, t / limit);
            }
        }
        fflush(stdout);
    }
    return 0;
}
