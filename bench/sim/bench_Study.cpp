// Virtual runs per second of a study of the default condition (500-2000 Hz in 10 Hz steps, 151
// masker frequencies, one direction), with quorvex-sim study run --jobs 1 and --jobs 2, and the
// speed-up from one to two worker processes. Wall time of the whole command, median of `repeats`.
// Usage: bench_study [runs per measurement, default 16] [repeats, default 3]
#include "Quantile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Seconds(const std::filesystem::path& dir, int jobs)
{
    std::filesystem::remove_all(dir / "study-tasks");
    const std::string command = "cd '" + dir.string() + "' && '" + QUORVEX_SIM + "' study run study.ini --jobs "
                                + std::to_string(jobs);
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_study: '%s' failed\n", command.c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 16;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-study";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "PTC.INI") << "[Tests]\nN_Cond=1\n[Cond1]\n";  // every default: 151 frequencies
    // Four tasks, so that two workers have an even share.
    std::ofstream(dir / "study.ini") << "[Study]\nConditions=PTC.INI\nCondition=1\nSeed=1\nReplications=" << runs
                                     << "\nRunsPerTask=" << std::max(1, runs / 4) << "\n";
    std::vector<double> one, two;
    for (int i = 0; i < repeats; ++i) {
        one.push_back(Seconds(dir, 1));
        two.push_back(Seconds(dir, 2));
    }
    const double t1 = Quantile(one, 0.5);
    const double t2 = Quantile(two, 0.5);
    std::printf("runs %d, median of %d: --jobs 1 %.2f runs/s (%.3f s a run), --jobs 2 %.2f runs/s, speed-up %.2f\n",
                runs, repeats, runs / t1, t1 / runs, runs / t2, t1 / t2);
    std::filesystem::remove_all(dir);
    return 0;
}
