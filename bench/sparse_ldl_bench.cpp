// EqnSolverSparseLDL over the stand-in factor against MUMPS called directly with the same
// settings (bench/mumps_peer.cpp), on KKT matrices [H Aᵀ; A 0] whose Hessian H is a 2D
// 5-point Laplacian on a g×g grid and whose A has g²/9 rows with two entries each.
//
//   FactorSolveOverhead/g : numfactor + solve, ours and the peer in each iteration
//                           (in alternating order); counter `ratio` = median(ours) / median(peer).
//   Scaling/rows          : analysis, factorization and solve times of ours, the
//                           process's peak resident memory during the run (matrix
//                           arrays included), entries in L.
// After the runs, the growth exponent of the factorization time (least-squares slope of
// log time against log rows) is printed.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "bench/mumps_peer.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace {

using Clock = std::chrono::steady_clock;

struct Kkt {
    long n = 0;
    std::vector<long> jc, ir;  // lower triangle, 0-based compressed columns
    std::vector<double> pr;
    std::vector<int> irn, jcn;  // the same entries, 1-based coordinates (the peer's input)
    std::vector<double> a;
};

Kkt laplacianKkt(long g) {
    const long nx = g * g, nc = nx / 9;
    Kkt k;
    k.n = nx + nc;
    std::vector<std::vector<std::pair<long, double>>> cols(static_cast<std::size_t>(k.n));
    for (long y = 0; y < g; ++y)
        for (long x = 0; x < g; ++x) {
            const long c = y * g + x;
            auto& col = cols[static_cast<std::size_t>(c)];
            col.push_back({c, 4.0});
            if (x + 1 < g) col.push_back({c + 1, -1.0});
            if (y + 1 < g) col.push_back({c + g, -1.0});
        }
    for (long r = 0; r < nc; ++r) {  // constraint r touches two grid points
        const long p1 = (r * 9) % nx, p2 = (r * 9 + 4 * g + 5) % nx;
        cols[static_cast<std::size_t>(p1)].push_back({nx + r, 1.0});
        if (p2 != p1) cols[static_cast<std::size_t>(p2)].push_back({nx + r, -0.5});
    }
    k.jc.push_back(0);
    for (long j = 0; j < k.n; ++j) {
        for (const auto& [i, v] : cols[static_cast<std::size_t>(j)]) {
            k.ir.push_back(i);
            k.pr.push_back(v);
            k.irn.push_back(static_cast<int>(i + 1));
            k.jcn.push_back(static_cast<int>(j + 1));
            k.a.push_back(v);
        }
        k.jc.push_back(static_cast<long>(k.ir.size()));
    }
    return k;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Peak resident memory of the process since the last resetPeakRss(), in MB: VmHWM from
// /proc (which clear_refs can reset); getrusage's ru_maxrss if /proc is unavailable.
void resetPeakRss() {
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

double peakRssMB() {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kb = -1;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(f);
        if (kb >= 0) return static_cast<double>(kb) / 1024.0;
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;  // KiB on Linux
}

std::map<long, double> g_factorSeconds;  // rows → factorization time (Scaling)

void FactorSolveOverhead(benchmark::State& state) {
    const Kkt k = laplacianKkt(state.range(0));
    Kkt peerCopy = k;
    const double tol = 0.01;
    EqnSolverSparseLDL ours(tol);
    Kkt mine = k;
    ours.factor(k.n, k.n, mine.pr.data(), mine.ir.data(), mine.jc.data(),
                static_cast<long>(mine.ir.size()));
    MumpsPeer* peer =
        mumps_peer_create(static_cast<int>(k.n), static_cast<long>(k.a.size()), peerCopy.irn.data(),
                          peerCopy.jcn.data(), peerCopy.a.data(), tol);
    if (mumps_peer_factor(peer) < 0) state.SkipWithError("direct MUMPS failed");
    AlignedVector b(static_cast<std::size_t>(k.n), 1.0), x(b.size());
    std::vector<double> px(b.size());
    std::vector<double> tOurs, tPeer;
    std::vector<double> fOurs, fPeer;  // the factorization part alone
    auto runOurs = [&] {
        const auto t0 = Clock::now();
        ours.numfactor();
        const auto t1 = Clock::now();
        ours.solve(x, b);
        fOurs.push_back(seconds(t0, t1));
        return seconds(t0, Clock::now());
    };
    auto runPeer = [&] {
        const auto t0 = Clock::now();
        const int st = mumps_peer_factor(peer);
        const auto t1 = Clock::now();
        std::copy(b.begin(), b.end(), px.begin());  // MUMPS overwrites its right-hand side
        if (st < 0 || mumps_peer_solve(peer, px.data()) < 0)
            state.SkipWithError("direct MUMPS failed");
        fPeer.push_back(seconds(t0, t1));
        return seconds(t0, Clock::now());
    };
    bool oursFirst = true;  // alternate the order so neither side always finds warm caches
    for (auto _ : state) {
        double t = 0;
        if (oursFirst) {
            t = runOurs();
            tPeer.push_back(runPeer());
        } else {
            tPeer.push_back(runPeer());
            t = runOurs();
        }
        oursFirst = !oursFirst;
        tOurs.push_back(t);
        state.SetIterationTime(t);
    }
    double flops = 0;
    ours.getFlops(flops);
    double diff = 0;
    for (std::size_t i = 0; i < x.size(); ++i) diff = std::max(diff, std::abs(x[i] - px[i]));
    state.counters["rows"] = static_cast<double>(k.n);
    state.counters["ours_s"] = median(tOurs);
    state.counters["mumps_s"] = median(tPeer);
    state.counters["ratio"] = median(tOurs) / median(tPeer);
    state.counters["factor_ratio"] = median(fOurs) / median(fPeer);
    state.counters["same_flops"] = flops == mumps_peer_flops(peer) ? 1 : 0;
    state.counters["max_x_diff"] = diff;
    mumps_peer_destroy(peer);
    if (ours.status != 6) state.SkipWithError("solve failed");
}

void Scaling(benchmark::State& state) {
    const long g = std::lround(std::sqrt(static_cast<double>(state.range(0)) * 0.9));
    Kkt k = laplacianKkt(g);
    resetPeakRss();
    double analysis = 0, factor = 0, solve = 0;
    long nnzL = 0;
    for (auto _ : state) {
        EqnSolverSparseLDL s(0.01);
        const auto t0 = Clock::now();
        s.init(k.n, k.n, k.pr.data(), k.ir.data(), k.jc.data(), static_cast<long>(k.ir.size()));
        s.symfactor();
        const auto t1 = Clock::now();
        s.numfactor();
        const auto t2 = Clock::now();
        AlignedVector b(static_cast<std::size_t>(k.n), 1.0), x(b.size());
        s.solve(x, b);
        const auto t3 = Clock::now();
        if (s.status != 6) state.SkipWithError("factor or solve failed");
        analysis = seconds(t0, t1);
        factor = seconds(t1, t2);
        solve = seconds(t2, t3);
        s.getNnzL(nnzL);
        state.SetIterationTime(seconds(t0, t3));
    }
    g_factorSeconds[k.n] = factor;
    state.counters["rows"] = static_cast<double>(k.n);
    state.counters["analysis_s"] = analysis;
    state.counters["factor_s"] = factor;
    state.counters["solve_s"] = solve;
    state.counters["nnzL"] = static_cast<double>(nnzL);
    state.counters["peak_rss_MB"] = peakRssMB();
}

}  // namespace

BENCHMARK(FactorSolveOverhead)
    ->Arg(100)
    ->Arg(316)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK(Scaling)->Arg(10000)->Arg(100000)->Arg(1000000)->UseManualTime()->Iterations(1)->Unit(
    benchmark::kSecond);

int main(int argc, char** argv) {
    // Reproducible orderings, and the same for both MUMPS copies.
    setenv("SCOTCH_PTHREAD_NUMBER", "1", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_factorSeconds.size() >= 2) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const double m = static_cast<double>(g_factorSeconds.size());
        for (const auto& [rows, t] : g_factorSeconds) {
            const double lx = std::log(static_cast<double>(rows)), ly = std::log(t);
            sx += lx;
            sy += ly;
            sxx += lx * lx;
            sxy += lx * ly;
        }
        std::printf("factorization time grows as rows^%.2f\n",
                    (m * sxy - sx * sy) / (m * sxx - sx * sx));
    }
    benchmark::Shutdown();
    return 0;
}
