// Independent EqnSolverSparseLDL and DynamicRegSolver objects on several threads, each thread
// with its own matrices, give the results of a sequential run in every round, and console lines
// from all threads arrive whole. Runs under ThreadSanitizer in CI (the tsan preset).
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

namespace {

/// One round of one thread from `seed`: the solutions of a sparse KKT and a dense
/// quasi-definite system, the sparse rank and inertia, the dense rank and shifts.
AlignedVector runOnce(unsigned seed) {
    std::mt19937 rng(seed);
    const long nx = 30 + seed % 7, nc = 10, n = nx + nc;
    testdata::Csc a =
        testdata::symmetricCsc(n, testdata::randomKktLower(rng, nx, nc, 3, 1e-8), false);
    DenseMatrix k = testdata::quasiDefinite(rng, nx, nc, 1e-2);
    const AlignedVector b = testdata::randomVector(rng, n);
    EqnSolverSparseLDL s(0.01);
    s.factor(n, n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    AlignedVector x(n), y = b;
    s.solve(x, b);
    long rank = 0, negative = 0;
    s.rank(rank);
    s.numNegEigenValues(negative);
    solvutil::DynamicRegSolver d;
    solvutil::DynamicRegParams params;
    params.nPrimal = nx;
    params.checkInertia = true;
    d.factor(k, n, params);
    d.solve(k, n, y);
    x.insert(x.end(), y.begin(), y.end());
    x.insert(x.end(), {double(rank), double(negative), double(params.rank)});
    x.insert(x.end(), params.regIndices.begin(), params.regIndices.end());
    return x;
}

}  // namespace

TEST(ThreadStress, IndependentSolversMatchASequentialRunAndConsoleLinesStayWhole) {
    const int rounds = 200;
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture console;
    for (const unsigned threads : {2u, 4u}) {
        SCOPED_TRACE(threads);
        std::vector<AlignedVector> expected;
        for (unsigned t = 0; t < threads; ++t) expected.push_back(runOnce(100 + t));
        std::atomic<int> failures{0};  // wrong results or exceptions
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back([&, t] {
                try {
                    for (int r = 0; r < rounds; ++r) {
                        if (runOnce(100 + t) != expected[t]) ++failures;
                        hostPrintf("thread %u round %d printf line\n", t, r);
                        hostio::uout()
                            << u"thread " + std::u16string(1, u'0' + t) + u" stream line\n";
                    }
                } catch (...) {
                    ++failures;
                }
            });
        for (auto& th : pool) th.join();
        EXPECT_EQ(failures.load(), 0);
    }
    std::istringstream lines(console.text());
    int count = 0, torn = 0;
    for (std::string line; std::getline(lines, line); ++count)
        torn += !line.starts_with("thread ") ||
                !(line.ends_with(" printf line") ||
                  (line.size() == 20 && line.ends_with(" stream line")));
    EXPECT_EQ(count, 2 * 6 * rounds);
    EXPECT_EQ(torn, 0);
}
