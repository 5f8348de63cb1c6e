// Virtual runs per second on one core of this build's quorvex-sim against another build's (the
// baseline, e.g. one built from the main branch): a study of the default condition (500-2000 Hz
// in 10 Hz steps, 151 masker frequencies, one direction) with `study run --jobs 1`, the two
// programs taking turns so that both see the same load. Prints each one's median runs per second
// with its 5th-95th percentile over the repeats, and the ratio of the medians.
// Usage: bench_sim_speedup BASELINE-QUORVEX-SIM [runs per measurement, default 40] [repeats, default 5]
#include "Quantile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double RunsPerSecond(const std::filesystem::path& dir, const std::string& sim, int runs)
{
    std::filesystem::remove_all(dir / "study-tasks");
    const std::string command = "cd '" + dir.string() + "' && '" + sim + "' study run study.ini --jobs 1 >/dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_sim_speedup: '%s' failed\n", command.c_str());
        std::exit(1);
    }
    return runs / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Print(const char* name, const std::vector<double>& rates)
{
    std::printf("%-9s %6.2f runs/s (5-95 %%: %.2f-%.2f), %.3f s a run\n", name, Quantile(rates, 0.5),
                Quantile(rates, 0.05), Quantile(rates, 0.95), 1.0 / Quantile(rates, 0.5));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_sim_speedup BASELINE-QUORVEX-SIM [runs] [repeats]\n");
        return 2;
    }
    const std::string baseline = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-speedup";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "PTC.INI") << "[Tests]\nN_Cond=1\n[Cond1]\n";  // every default: 151 frequencies
    std::ofstream(dir / "study.ini") << "[Study]\nConditions=PTC.INI\nCondition=1\nSeed=1\nReplications=" << runs
                                     << "\nRunsPerTask=" << runs << "\n";
    std::vector<double> current, before;
    for (int i = 0; i < repeats; ++i) {
        before.push_back(RunsPerSecond(dir, baseline, runs));
        current.push_back(RunsPerSecond(dir, QUORVEX_SIM, runs));
    }
    std::printf("runs %d a measurement, %d repeats, --jobs 1\n", runs, repeats);
    Print("baseline", before);
    Print("this", current);
    std::printf("speed-up %.2f\n", Quantile(current, 0.5) / Quantile(before, 0.5));
    std::filesystem::remove_all(dir);
    return 0;
}
