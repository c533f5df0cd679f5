// Start-up as a user waits for it: from starting a program to its first frame drawn by the window
// system, for the editor (its real main) and for two floors, a bare main window with the editor's menu
// bar and the same window with one label in each of the layout's fonts. The three are started in turn,
// round after round, so that a drift of the machine's speed reaches all of them alike; Google
// Benchmark then reports each one's measured starts.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratios.h"

extern char** environ;

namespace {

constexpr int kRounds = 31;
constexpr int kWarmUpRounds = 2;

struct Program {
    const char* benchmark;
    const char* executable;
    std::vector<double> seconds;  // spawn to first frame, one per round
    long peakKiB = 0;             // the largest peak resident size of its starts
    std::size_t replayed = 0;     // starts handed to Google Benchmark so far
};

// Starts the program, waits for its first frame and then for its end; -1 on failure.
double startOnce(const std::filesystem::path& path, long& peakKiB)
{
    int frame[2];
    if (::pipe(frame) != 0)
        return -1;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back("QUORVANE_FIRST_FRAME_FD=" + std::to_string(frame[1]));
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = path.string();
    char* argv[] = {program.data(), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp.data());
    ::close(frame[1]);
    char byte = 0;
    const bool painted = spawned == 0 && ::read(frame[0], &byte, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    ::close(frame[0]);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    peakKiB = std::max(peakKiB, usage.ru_maxrss);
    if (!painted || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(end - start).count();
}

// One repetition, one measured start, in the order they were measured.
void replay(benchmark::State& state, Program* program)
{
    for (auto _ : state)
        state.SetIterationTime(program->seconds.at(program->replayed++ % program->seconds.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path here = std::filesystem::canonical("/proc/self/exe").parent_path();
    std::vector<Program> programs = {{"BM_StartBareWindow", "startup-bare", {}},
                                     {"BM_StartFontFloor", "startup-fonts", {}},
                                     {"BM_StartEditor", "startup-editor", {}}};
    for (int round = 0; round < kWarmUpRounds + kRounds; ++round) {
        // Each round in another order, so that no program always follows the same one.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            Program& p = programs[(k + std::size_t(round)) % programs.size()];
            long peak = 0;
            const double s = startOnce(here / p.executable, peak);
            if (s < 0) {
                std::fprintf(stderr, "%s did not show its first frame\n", p.executable);
                return 1;
            }
            if (round >= kWarmUpRounds) {
                p.seconds.push_back(s);
                p.peakKiB = std::max(p.peakKiB, peak);
            }
        }
    }
    for (Program& p : programs)
        benchmark::RegisterBenchmark(p.benchmark, replay, &p)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(kRounds)
            ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);

    const int rc = bench::runWithRatios(argc, argv,
                                        {{"BM_StartEditor", "BM_StartFontFloor", 1.1},
                                         {"BM_StartEditor", "BM_StartBareWindow", 0},
                                         {"BM_StartFontFloor", "BM_StartBareWindow", 0}});
    const double r = double(programs[2].peakKiB) / double(programs[0].peakKiB);
    std::printf("RATIO %-28s %-34s %9ld KiB %9ld KiB %7.2f %7.2f %s\n", "peak RSS, editor start",
                "peak RSS, bare window start", programs[2].peakKiB, programs[0].peakKiB, r, 1.3,
                r <= 1.3 ? "met" : "MISSED");
    return rc;
}
