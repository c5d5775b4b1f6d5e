// Distinct solver objects on several threads at once: independent EqnSolverSparseLDL and
// DynamicRegSolver objects, each thread with its own matrices, give the results of a
// sequential run in every round, and console lines from all threads arrive whole. Runs
// under ThreadSanitizer in CI (the tsan preset).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

namespace {

/// One thread's work: a sparse KKT system and a dense quasi-definite one.
struct Problem {
    testdata::Csc sparse;
    DenseMatrix dense;
    AlignedVector b;
};

/// What one round produces; compared bit for bit with the sequential run.
struct Outcome {
    AlignedVector sparseX, denseX;
    long rank = 0, negative = 0;
    unsigned long denseRank = 0;
    std::vector<unsigned long> shifted;
    bool operator==(const Outcome&) const = default;
};

Problem makeProblem(unsigned seed) {
    std::mt19937 rng(seed);
    const long nx = 30 + static_cast<long>(seed % 7), nc = 10;
    Problem p{
        testdata::symmetricCsc(nx + nc, testdata::randomKktLower(rng, nx, nc, 3, 1e-8), false),
        DenseMatrix(nx + nc, nx + nc), testdata::randomVector(rng, nx + nc)};
    const std::vector<double> d = testdata::toDense(p.sparse);
    std::copy(d.begin(), d.end(), p.dense.data());
    for (long j = 0; j < nx; ++j)  // primal block negative definite, as the shifts expect
        for (long i = j; i < nx; ++i) p.dense(i, j) = -p.dense(i, j);
    return p;
}

Outcome runOnce(const Problem& p) {
    Outcome o;
    testdata::Csc a = p.sparse;
    EqnSolverSparseLDL s(0.01);
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    o.sparseX.assign(p.b.size(), 0.0);
    s.solve(o.sparseX, p.b);
    s.rank(o.rank);
    s.numNegEigenValues(o.negative);
    DenseMatrix k = p.dense;
    solvutil::DynamicRegSolver d;
    solvutil::DynamicRegParams params;
    params.nPrimal = static_cast<unsigned long>(a.n - 10);
    params.checkInertia = true;
    d.factor(k, static_cast<unsigned long>(a.n), params);
    o.denseX = p.b;
    d.solve(k, static_cast<unsigned long>(a.n), o.denseX);
    o.denseRank = params.rank;
    o.shifted.assign(params.regIndices.begin(), params.regIndices.end());
    return o;
}

}  // namespace

TEST(ThreadStress, IndependentSolversMatchASequentialRunAndConsoleLinesStayWhole) {
    const int rounds = std::getenv("THREAD_STRESS_ROUNDS") != nullptr
                           ? std::atoi(std::getenv("THREAD_STRESS_ROUNDS"))
                           : 200;
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture console;
    for (const unsigned threads : {2u, 4u}) {
        SCOPED_TRACE(threads);
        std::vector<Problem> problems;
        std::vector<Outcome> expected;
        for (unsigned t = 0; t < threads; ++t) {
            problems.push_back(makeProblem(100 + t));
            expected.push_back(runOnce(problems.back()));
        }
        std::atomic<int> mismatches{0}, failures{0};
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back([&, t] {
                try {
                    for (int r = 0; r < rounds; ++r) {
                        if (!(runOnce(problems[t]) == expected[t])) ++mismatches;
                        hostPrintf("thread %u round %d printf line\n", t, r);
                        std::u16string line = u"thread 0 stream line\n";
                        line[7] = static_cast<char16_t>(u'0' + t);
                        hostio::uout() << line;
                    }
                } catch (...) {
                    ++failures;
                }
            });
        for (auto& th : pool) th.join();
        EXPECT_EQ(failures.load(), 0);
        EXPECT_EQ(mismatches.load(), 0);
    }
    std::istringstream lines(console.text());
    int count = 0, torn = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const bool printfLine = line.starts_with("thread ") && line.ends_with(" printf line");
        const bool streamLine =
            line.size() == 20 && line.starts_with("thread ") && line.ends_with(" stream line");
        torn += !(printfLine || streamLine);
    }
    EXPECT_EQ(count, 2 * 6 * rounds);
    EXPECT_EQ(torn, 0);
}
