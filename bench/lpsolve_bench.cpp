// lpsolve against `clp FILE -barrier` on the integer-free sample LPs, in the same run.
// Each benchmark solves one problem; the summary at the end adds up the times of the
// problems both solvers solved and prints the ratio and the iteration counts.
//
// The peer runs as a child process (that is how `clp FILE -barrier` is measured), so its
// time includes process start-up and reading the file; lpsolve's time includes reading
// the file too, in-process. `clp -quit` is timed as well, and the summary also gives the
// ratio with that start-up cost taken off the peer.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "examples/lpsolve/solver.hpp"

namespace {

const char* const kProblems[] = {"afiro", "brandy", "e226", "finnis", "hello", "atm_5_10_1"};

std::string samplePath(const std::string& name) {
    return "/usr/share/coin/Data/Sample/" + name + ".mps";
}

struct Totals {
    double seconds = 0.0;
    long iterations = 0;
};
std::map<std::string, std::map<std::string, Totals>> g_results;  // solver -> problem -> totals
double g_startupSeconds = 0.0;  // clp started and stopped without a problem

// Number of barrier iterations in Clp's log: the last "<k> Primal ... Complementarity" line.
long clpBarrierIterations(const std::string& log) {
    static const std::regex line(R"((^|\n)(\d+) Primal [^\n]*Complementarity)");
    long last = -1;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it) {
        last = std::stol((*it)[2]);
    }
    return last + 1;
}

void BM_Lpsolve(benchmark::State& state, const std::string& name) {
    lpsolve::Options options;
    options.file = samplePath(name);
    options.quiet = true;
    lpsolve::SolveOutcome out;
    for (auto _ : state) {
        out = lpsolve::solveFile(options);
        benchmark::DoNotOptimize(out.objective);
    }
    if (out.status != lpsolve::IpmStatus::Optimal) state.SkipWithError("lpsolve did not solve it");
    state.counters["iterations"] = static_cast<double>(out.iterations);
    g_results["lpsolve"][name].iterations = static_cast<long>(out.iterations);
}

// Runs `command` once per benchmark iteration and keeps the last output in `log`.
bool runCommand(benchmark::State& state, const std::string& command, std::string& log) {
    for (auto _ : state) {
        log.clear();
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            state.SkipWithError("cannot run clp");
            return false;
        }
        std::array<char, 4096> buffer{};
        while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) log += buffer.data();
        if (pclose(pipe) != 0) {
            state.SkipWithError("clp failed");
            return false;
        }
    }
    return true;
}

// The peer's fixed cost: starting clp and stopping it without a problem.
void BM_ClpStartup(benchmark::State& state) {
    std::string log;
    runCommand(state, "clp -quit 2>&1", log);
}

void BM_ClpBarrier(benchmark::State& state, const std::string& name) {
    const std::string command = "clp " + samplePath(name) + " -barrier 2>&1";
    std::string log;
    if (!runCommand(state, command, log)) return;
    const long iterations = clpBarrierIterations(log);
    state.counters["iterations"] = static_cast<double>(iterations);
    g_results["clp -barrier"][name].iterations = iterations;
}

// Collects the mean real time per problem so that main can print the totals.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const std::string full = run.benchmark_name();
            const auto slash = full.find('/');
            if (full.rfind("BM_ClpStartup", 0) == 0) {
                g_startupSeconds = run.real_accumulated_time / static_cast<double>(run.iterations);
                continue;
            }
            const std::string solver = full.rfind("BM_Lpsolve", 0) == 0 ? "lpsolve" : "clp -barrier";
            const std::string problem = full.substr(slash + 1, full.find('/', slash + 1) - slash - 1);
            g_results[solver][problem].seconds =
                run.real_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_ClpStartup", BM_ClpStartup)->Unit(benchmark::kMillisecond)->MinTime(0.5);
    for (const char* p : kProblems) {
        benchmark::RegisterBenchmark((std::string("BM_Lpsolve/") + p).c_str(), BM_Lpsolve, std::string(p))
            ->Unit(benchmark::kMillisecond)->MinTime(0.5);
        benchmark::RegisterBenchmark((std::string("BM_ClpBarrier/") + p).c_str(), BM_ClpBarrier, std::string(p))
            ->Unit(benchmark::kMillisecond)->MinTime(0.5);
    }
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    Totals ours, peer;
    int count = 0;
    std::printf("\n%-12s %12s %8s %14s %8s\n", "problem", "lpsolve ms", "iters", "clp -barrier ms", "iters");
    for (const char* p : kProblems) {
        const auto& a = g_results["lpsolve"][p];
        const auto& b = g_results["clp -barrier"][p];
        if (a.seconds == 0.0 || b.seconds == 0.0) continue;  // filtered out or failed
        std::printf("%-12s %12.2f %8ld %14.2f %8ld\n", p, 1e3 * a.seconds, a.iterations, 1e3 * b.seconds,
                    b.iterations);
        ++count;
        ours.seconds += a.seconds, ours.iterations += a.iterations;
        peer.seconds += b.seconds, peer.iterations += b.iterations;
    }
    if (peer.seconds > 0.0) {
        std::printf("%-12s %12.2f %8ld %14.2f %8ld\n", "total", 1e3 * ours.seconds, ours.iterations,
                    1e3 * peer.seconds, peer.iterations);
        std::printf("ratio lpsolve / clp -barrier (time): %.2f\n", ours.seconds / peer.seconds);
        const double peerWork = peer.seconds - static_cast<double>(count) * g_startupSeconds;
        std::printf("clp start-up %.2f ms per run", 1e3 * g_startupSeconds);
        if (peerWork > 0.0) std::printf("; without it the ratio is %.2f", ours.seconds / peerWork);
        std::printf("\n");
    }
    return 0;
}
