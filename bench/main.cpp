// The benchmark program's main: runs every benchmark, then prints for each
// workload the ratio of its time to its limit measured in the same run.
// A workload's runs are named "WORKLOAD/limit" and "WORKLOAD/<case>".
#include <benchmark/benchmark.h>

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct RatioReporter : benchmark::ConsoleReporter {
    std::map<std::string, double> limits;              // workload -> ns
    std::vector<std::pair<std::string, double>> cases; // name -> ns

    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            std::string name = run.benchmark_name();
            size_t slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            double ns = run.GetAdjustedRealTime();
            if (name.compare(slash + 1, std::string::npos, "limit") == 0) {
                limits[name.substr(0, slash)] = ns;
            } else {
                cases.push_back({name, ns});
            }
        }
    }

    void print_ratios() const {
        bool header = false;
        for (const auto &c : cases) {
            std::string workload = c.first.substr(0, c.first.rfind('/'));
            auto limit = limits.find(workload);
            if (limit == limits.end() || limit->second <= 0) continue;
            if (!header) printf("\n%-56s %8s\n", "workload / case", "x limit");
            header = true;
            printf("%-56s %8.2f\n", c.first.c_str(), c.second / limit->second);
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
