// lpsolve against `clp FILE -barrier` in the same run, on two sets of LPs:
//
// - the integer-free sample LPs of CoinUtils (BM_Lpsolve, BM_ClpBarrier): lpsolve runs
//   in-process and the peer as a child process, so the peer's time includes process
//   start-up and reading the file; lpsolve's time includes reading the file too. `clp
//   -quit` is timed as well, and the summary also gives the ratio with that start-up
//   cost taken off the peer;
// - the generated families of examples/lpsolve/tools (BM_GenLpsolve, BM_GenClp):
//   transportation, assignment, TSP relaxation and grid min-cost flow at two or three
//   sizes. Both solvers run once per problem as child processes (the lpsolve program,
//   `clp FILE -barrier`), so both times are whole-process wall times and the peak memory
//   of each is its own (ru_maxrss of the child from wait4). The files are written to a
//   temporary directory first (not timed) and removed at the end. LPSOLVE_BENCH_BINARY
//   names another lpsolve program to time instead of this build's (to compare builds);
//   LPSOLVE_BENCH_OPTIONS adds options to its command line (e.g. "--kkt augmented").
//
// The summaries at the end give, per problem, time and iterations of both solvers (and
// for the generated set peak memory, the time ratio and the objectives' agreement), and
// the totals or the geometric mean of the ratios.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "examples/lpsolve/solver.hpp"
#include "examples/lpsolve/tools/lp_families.hpp"

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
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator();
         ++it) {
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
        while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr)
            log += buffer.data();
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

// ---- generated families, both solvers as child processes -----------------------------

struct ChildRun {
    bool ok = false;
    double seconds = 0.0;
    double peakMB = 0.0;  ///< the child's ru_maxrss
    std::string output;   ///< stdout and stderr
};

// Runs argv[0] (looked up in PATH) with its output captured; the wall time runs from
// before the fork to the child's end, its peak memory comes from wait4.
ChildRun runChild(const std::vector<std::string>& args) {
    ChildRun run;
    int fds[2];
    if (pipe(fds) != 0) return run;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return run;
    }
    std::array<char, 4096> buffer{};
    for (ssize_t got; (got = read(fds[0], buffer.data(), buffer.size())) != 0;) {
        if (got > 0)
            run.output.append(buffer.data(), static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The number after `label` on the first line that starts with it; NaN when there is none.
double valueAfter(const std::string& output, const std::string& label) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(label, 0) != 0) continue;
        std::istringstream rest(line.substr(label.size()));
        double v = NAN;
        if (rest >> v) return v;
    }
    return NAN;
}

struct GeneratedRun {
    double seconds = 0.0, peakMB = 0.0, objective = NAN;
    long iterations = -1;
    bool ran = false;  ///< the child was started
    bool ok = false;   ///< ... and solved the problem
};
struct GeneratedProblem {
    std::size_t rows = 0, cols = 0;
    std::string file;
    GeneratedRun ours, peer;
};
std::filesystem::path g_generatedDir;
std::map<std::string, GeneratedProblem> g_generated;

// Writes the problem's file the first time it is asked for.
const std::string& generatedFile(const lpgen::NamedLp& lp) {
    GeneratedProblem& p = g_generated[lp.name];
    if (p.file.empty()) {
        const lpsolve::LpModel model = lp.make();
        p.rows = model.numRows(), p.cols = model.numCols();
        const std::string path = (g_generatedDir / (lp.name + ".mps")).string();
        if (lpgen::writeMps(model, path)) p.file = path;
    }
    return p.file;
}

std::string lpsolveProgram() {
    const char* other = std::getenv("LPSOLVE_BENCH_BINARY");
    return other != nullptr && *other != '\0' ? other : LPSOLVE_BINARY;
}

void recordChild(benchmark::State& state, const ChildRun& run, GeneratedRun& into) {
    into.seconds = run.seconds;
    into.peakMB = run.peakMB;
    into.ran = true;
    into.ok = run.ok;
    state.SetIterationTime(run.seconds);
    state.counters["iterations"] = static_cast<double>(into.iterations);
    state.counters["peak_MB"] = run.peakMB;
    if (!run.ok) state.SkipWithError(("failed:\n" + run.output).c_str());
}

void BM_GenLpsolve(benchmark::State& state, const lpgen::NamedLp& lp) {
    const std::string& file = generatedFile(lp);
    if (file.empty()) return state.SkipWithError("cannot write the MPS file");
    GeneratedRun& r = g_generated[lp.name].ours;
    ChildRun run;
    std::vector<std::string> command{lpsolveProgram(), "--quiet"};
    if (const char* extra = std::getenv("LPSOLVE_BENCH_OPTIONS")) {
        std::istringstream words(extra);
        for (std::string w; words >> w;) command.push_back(w);
    }
    command.push_back(file);
    for (auto _ : state) run = runChild(command);
    r.iterations = static_cast<long>(valueAfter(run.output, "Iterations:"));
    r.objective = valueAfter(run.output, "Objective:");
    recordChild(state, run, r);
}

void BM_GenClp(benchmark::State& state, const lpgen::NamedLp& lp) {
    const std::string& file = generatedFile(lp);
    if (file.empty()) return state.SkipWithError("cannot write the MPS file");
    GeneratedRun& r = g_generated[lp.name].peer;
    ChildRun run;
    for (auto _ : state) run = runChild({"clp", file, "-barrier"});
    r.iterations = clpBarrierIterations(run.output);
    r.objective = valueAfter(run.output, "Optimal objective");
    // Clp exits with 0 on an infeasible problem too: only an optimum counts.
    if (std::isnan(r.objective)) run.ok = false;
    recordChild(state, run, r);
}

// One solver's columns of the summary: time, iterations, peak memory; or why not.
std::string sideColumns(const GeneratedRun& r) {
    char text[64];
    if (r.ok) {
        std::snprintf(text, sizeof text, "%9.2f %5ld %8.1f", r.seconds, r.iterations, r.peakMB);
    } else {
        std::snprintf(text, sizeof text, "%24s", r.ran ? "failed" : "not run");
    }
    return text;
}

void printGeneratedSummary(const std::vector<lpgen::NamedLp>& set) {
    if (g_generated.empty()) return;
    std::printf("\n%-18s %17s | %9s %5s %8s | %9s %5s %8s | %6s %6s %8s\n", "problem",
                "rows x cols", "lpsolve s", "iter", "MB", "clp s", "iter", "MB", "time", "memory",
                "rel obj");
    double logSum = 0.0, worst = 0.0;
    int count = 0;
    for (const auto& lp : set) {
        const auto found = g_generated.find(lp.name);
        if (found == g_generated.end()) continue;
        const GeneratedProblem& p = found->second;
        std::printf("%-18s %7zu x %-7zu | %s | %s", lp.name.c_str(), p.rows, p.cols,
                    sideColumns(p.ours).c_str(), sideColumns(p.peer).c_str());
        if (p.ours.ok && p.peer.ok) {
            const double ratio = p.ours.seconds / p.peer.seconds;
            const double relObj = std::fabs(p.ours.objective - p.peer.objective) /
                                  std::max(1.0, std::fabs(p.peer.objective));
            std::printf(" | %6.2f %6.2f %8.1e", ratio, p.ours.peakMB / p.peer.peakMB, relObj);
            logSum += std::log(ratio), worst = std::max(worst, ratio), ++count;
        }
        std::printf("\n");
    }
    if (count > 0) {
        std::printf(
            "time lpsolve / clp -barrier: geometric mean %.2f, largest %.2f (%d problems)\n",
            std::exp(logSum / count), worst, count);
    }
}

// Collects the mean real time per problem so that main can print the totals.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0) continue;
            const std::string full = run.benchmark_name();
            const auto slash = full.find('/');
            if (full.rfind("BM_Gen", 0) == 0) continue;  // recorded by the benchmarks
            if (full.rfind("BM_ClpStartup", 0) == 0) {
                g_startupSeconds = run.real_accumulated_time / static_cast<double>(run.iterations);
                continue;
            }
            const std::string solver =
                full.rfind("BM_Lpsolve", 0) == 0 ? "lpsolve" : "clp -barrier";
            const std::string problem =
                full.substr(slash + 1, full.find('/', slash + 1) - slash - 1);
            g_results[solver][problem].seconds =
                run.real_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_ClpStartup", BM_ClpStartup)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    for (const char* p : kProblems) {
        benchmark::RegisterBenchmark((std::string("BM_Lpsolve/") + p).c_str(), BM_Lpsolve,
                                     std::string(p))
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5);
        benchmark::RegisterBenchmark((std::string("BM_ClpBarrier/") + p).c_str(), BM_ClpBarrier,
                                     std::string(p))
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5);
    }
    const std::vector<lpgen::NamedLp> generated = lpgen::benchmarkSet();
    for (const auto& lp : generated) {
        using Fn = void (*)(benchmark::State&, const lpgen::NamedLp&);
        for (const auto& [prefix, fn] :
             {std::pair<std::string, Fn>{"BM_GenLpsolve/", BM_GenLpsolve},
              {"BM_GenClp/", BM_GenClp}}) {
            benchmark::RegisterBenchmark((prefix + lp.name).c_str(), fn, lp)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->UseManualTime();
        }
    }
    std::string dir = (std::filesystem::temp_directory_path() / "lpsolve_bench_XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("lpsolve_bench: temporary directory");
        return 1;
    }
    g_generatedDir = dir;
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(g_generatedDir, ignored);
    printGeneratedSummary(generated);

    if (g_results.empty()) return 0;  // the sample LPs were filtered out
    Totals ours, peer;
    int count = 0;
    std::printf("\n%-12s %12s %8s %14s %8s\n", "problem", "lpsolve ms", "iters", "clp -barrier ms",
                "iters");
    for (const char* p : kProblems) {
        const auto& a = g_results["lpsolve"][p];
        const auto& b = g_results["clp -barrier"][p];
        if (a.seconds == 0.0 || b.seconds == 0.0) continue;  // filtered out or failed
        std::printf("%-12s %12.2f %8ld %14.2f %8ld\n", p, 1e3 * a.seconds, a.iterations,
                    1e3 * b.seconds, b.iterations);
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
