// The example solver on convex QPs against cvxopt.solvers.qp (Debian's python3-cvxopt) in the
// same run, at n = 100, 1000 and 10000 variables.
//
// Each QP: minimize 1/2 x'Qx + c'x with Q = I/10 + L'L (L the first differences of x, so Q
// is sparse, tridiagonal and positive definite), n/2 rows with three entries per column in a
// band (<= rows: with equality rows cvxopt ends on a singular KKT matrix; random sparse
// rows would fill any factor), 0 <= x <= 10, and a right-hand side taken at an
// interior point, so that the QP is feasible and bounded. The file is written once (free
// MPS with QUADOBJ; not timed).
//
// BM_Qpsolve solves the file in-process (reading included, default options, so the sparse
// augmented system for these sizes). BM_Cvxopt runs tests/examples/lpsolve/cvxopt_qp.py as
// a child process and takes as its time the solve time the script measures around
// solvers.qp (its default KKT solver), so Python's start-up and the conversion of the data
// are not counted. The summary gives both times, their ratio and the objectives' agreement.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "examples/lpsolve/solver.hpp"

namespace {

struct Entry {
    double seconds = 0.0, objective = NAN;
};
std::map<long, Entry> g_ours, g_peer;

std::string dir() {
    static const std::string d = [] {
        const auto p = std::filesystem::temp_directory_path() / "qp_bench";
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return d;
}

// Writes the QP of size n as free MPS (for us) and in the script's input format (for cvxopt).
void writeProblem(long n, const std::string& mps, const std::string& peer) {
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const long m = n / 2;
    std::vector<double> x0(static_cast<std::size_t>(n)), c(x0.size()), activity(m, 0.0);
    std::vector<std::vector<std::pair<long, double>>> cols(x0.size());
    for (long j = 0; j < n; ++j) {
        x0[j] = 5.0 + 4.0 * u(rng), c[j] = u(rng);
        for (const long k : {0L, 1L, 3L}) {  // banded: a sparse factor for both solvers
            const long i = (j / 2 + k) % m;
            cols[j].emplace_back(i, u(rng));
            activity[i] += cols[j].back().second * x0[j];
        }
    }
    std::ofstream f(mps);
    f.precision(17);
    f << "NAME QPBENCH FREE\nROWS\n N OBJ\n";
    for (long i = 0; i < m; ++i) f << " L R" << i << '\n';
    f << "COLUMNS\n";
    for (long j = 0; j < n; ++j) {
        f << " X" << j << " OBJ " << c[j] << '\n';
        for (const auto& [i, v] : cols[j]) f << " X" << j << " R" << i << ' ' << v << '\n';
    }
    f << "RHS\n";
    for (long i = 0; i < m; ++i) f << " RHS R" << i << ' ' << activity[i] + 1.0 << '\n';
    f << "BOUNDS\n";
    for (long j = 0; j < n; ++j) f << " UP BND X" << j << " 10\n";
    f << "QUADOBJ\n";  // lower triangle of I/10 + L'L: diagonal 2.1 (1.1 at the ends), -1
    for (long j = 0; j < n; ++j) {
        f << " X" << j << " X" << j << ' ' << (j == 0 || j == n - 1 ? 1.1 : 2.1) << '\n';
        if (j + 1 < n) f << " X" << j + 1 << " X" << j << " -1\n";
    }
    f << "ENDATA\n";
    std::ofstream p(peer);
    p.precision(17);
    p << "1\n" << n << ' ' << m << " 0\n";
    for (long j = 0; j < n; ++j) p << c[j] << ' ';
    p << '\n';
    for (long j = 0; j < n; ++j) p << "0 ";
    p << '\n';
    for (long j = 0; j < n; ++j) p << "10 ";
    p << '\n';
    for (long i = 0; i < m; ++i) p << "-inf ";
    p << '\n';
    for (long i = 0; i < m; ++i) p << activity[i] + 1.0 << ' ';
    long nnz = 0;
    for (const auto& col : cols) nnz += static_cast<long>(col.size());
    p << '\n' << nnz << '\n';
    for (long j = 0; j < n; ++j)
        for (const auto& [i, v] : cols[j]) p << i << ' ' << j << ' ' << v << '\n';
    p << 3 * n - 2 << '\n';
    for (long j = 0; j < n; ++j) {
        p << j << ' ' << j << ' ' << (j == 0 || j == n - 1 ? 1.1 : 2.1) << '\n';
        if (j + 1 < n) p << j + 1 << ' ' << j << " -1\n" << j << ' ' << j + 1 << " -1\n";
    }
}

std::string mpsFile(long n) {
    const std::string mps = dir() + "/qp" + std::to_string(n) + ".mps";
    if (!std::filesystem::exists(mps)) writeProblem(n, mps, mps + ".peer");
    return mps;
}

void BM_Qpsolve(benchmark::State& state) {
    lpsolve::Options options;
    options.file = mpsFile(state.range(0));
    options.quiet = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const lpsolve::SolveOutcome out = lpsolve::solveFile(options);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        if (out.status != lpsolve::IpmStatus::Optimal) state.SkipWithError(out.message.c_str());
        g_ours[state.range(0)] = {s, out.objective};
    }
}

void BM_Cvxopt(benchmark::State& state) {
    const std::string command = std::string("/usr/bin/python3 ") + CVXOPT_SCRIPT + " " +
                                mpsFile(state.range(0)) + ".peer chol2";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        char line[256] = {};
        const bool got = pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr;
        if (pipe != nullptr) pclose(pipe);
        double objective = NAN, seconds = NAN;
        std::istringstream(got ? line : "nan nan") >> objective >> seconds;
        if (!std::isfinite(seconds)) {
            state.SkipWithError("cvxopt found no optimum");
            break;
        }
        state.SetIterationTime(seconds);
        g_peer[state.range(0)] = {seconds, objective};
    }
}

BENCHMARK(BM_Qpsolve)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Cvxopt)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%8s %12s %12s %8s %14s\n", "n", "ours (s)", "cvxopt (s)", "ratio",
                "objective diff");
    for (const auto& [n, ours] : g_ours) {
        const Entry peer = g_peer[n];
        std::printf(
            "%8ld %12.4f %12.4f %8.3f %14.2e\n", n, ours.seconds, peer.seconds,
            ours.seconds / peer.seconds,
            std::fabs(ours.objective - peer.objective) / std::max(1.0, std::fabs(peer.objective)));
    }
    if (std::getenv("QP_BENCH_KEEP") == nullptr) std::filesystem::remove_all(dir());
    return 0;
}
