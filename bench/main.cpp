// The benchmark program's main: runs every benchmark, then prints for each
// workload the ratio of its time to its limit measured in the same run (the
// medians when --benchmark_repetitions asks for several).
// A workload's runs are named "WORKLOAD/limit" and "WORKLOAD/<case>". The
// table's lines (name, runs, microseconds, ratio) are what tools/bench reads.
#include <benchmark/benchmark.h>

#include <stdio.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

struct RatioReporter : benchmark::ConsoleReporter {
    // name -> wall time (ns) of every repetition, in first-seen order
    std::vector<std::pair<std::string, std::vector<double>>> runs;

    void ReportRuns(const std::vector<Run> &reported) override {
        ConsoleReporter::ReportRuns(reported);
        for (const Run &run : reported) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            std::string name = run.benchmark_name();
            auto it = std::find_if(runs.begin(), runs.end(),
                                   [&](const auto &r) { return r.first == name; });
            if (it == runs.end()) it = runs.insert(runs.end(), {name, {}});
            it->second.push_back(run.real_accumulated_time * 1e9 / (double)run.iterations);
        }
    }

    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    // Each case beside its workload's limit, medians of the repetitions.
    void print_ratios() const {
        std::map<std::string, double> limits; // workload -> ns
        for (const auto &r : runs) {
            size_t slash = r.first.rfind('/');
            if (slash != std::string::npos &&
                r.first.compare(slash + 1, std::string::npos, "limit") == 0)
                limits[r.first.substr(0, slash)] = median(r.second);
        }
        bool header = false;
        for (const auto &r : runs) {
            size_t slash = r.first.rfind('/');
            if (slash == std::string::npos) continue;
            auto limit = limits.find(r.first.substr(0, slash));
            if (limit == limits.end() || limit->second <= 0 ||
                r.first.compare(slash + 1, std::string::npos, "limit") == 0)
                continue;
            if (!header)
                printf("\n%-44s %5s %12s %8s\n", "workload / case (median)", "runs", "us",
                       "x limit");
            header = true;
            printf("%-44s %5zu %12.1f %8.2f\n", r.first.c_str(), r.second.size(),
                   median(r.second) / 1000, median(r.second) / limit->second);
        }
    }
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratios();
    benchmark::Shutdown();
    return 0;
}
