// The interfaces' failing defaults and the algorithm-name table.
#include <gtest/gtest.h>

#include <functional>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/solvers/algorithm_names.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/support/host_guard.hpp"

TEST(EqnSolverInterfaces, OptionalOperationsFailWithTheirNames) {
    HostLeakGuard guard;
    EqnSolverSparseLDL solver(0.01);
    IEqnSolverLDL& s = solver;
    double d = 0;
    long l = 0;
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"setApr() method not defined", [&] { s.setApr(&d); }},
        {"setAir() method not defined", [&] { s.setAir(&l); }},
        {"setAjc() method not defined", [&] { s.setAjc(&l); }},
        {"setNnz() method not defined", [&] { s.setNnz(3); }},
    };
    for (const auto& [text, call] : cases) {
        kaldor::testing::ConsoleCapture capture;
        try {
            call();
            ADD_FAILURE() << text << ": returned";
        } catch (const hostcore::IUserException& e) {
            EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
            EXPECT_EQ(e.getMessageText(), text);
        }
        EXPECT_EQ(capture.text(), text);
        EXPECT_EQ(solver.status, 0);
    }
}

// A solver that overrides nothing optional: every default of positions 7-14 fails.
class MinimalSolver : public IEqnSolverLDL {
public:
    MinimalSolver() : IEqnSolverLDL("minimal") { status = 0; }
    void init(long, long, double*, long*, long*, long) override {}
    void symfactor() override {}
    void numfactor() override {}
    void factor() override {}
    void solve(AlignedVector&, const AlignedVector&) override {}
};

TEST(EqnSolverInterfaces, ReadOutDefaultsFailAndLeaveOutputsAlone) {
    MinimalSolver s;
    EXPECT_EQ(s.name, "minimal");
    long l = 17;
    double d = 2.5;
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"rank() method not defined", [&] { s.rank(l); }},
        {"numNegEigenValues() method not defined", [&] { s.numNegEigenValues(l); }},
        {"getFlops() method not defined", [&] { s.getFlops(d); }},
        {"getNnzL() method not defined", [&] { s.getNnzL(l); }},
        {"setApr() method not defined", [&] { s.setApr(&d); }},
    };
    for (const auto& [text, call] : cases) {
        kaldor::testing::ConsoleCapture capture;
        try {
            call();
            ADD_FAILURE() << text << ": returned";
        } catch (const hostcore::IUserException& e) {
            EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
            EXPECT_EQ(e.getMessageText(), text);
        }
    }
    EXPECT_EQ(l, 17);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(s.status, 0);
}

TEST(EqnSolverInterfaces, AlgorithmNamesAndSolverName) {
    const char* expected[] = {"Linear Programming",
                              "Quadratic Programming",
                              "Sequential Quadratic Programming",
                              "Linear Constraints",
                              "Sparse LDL MA57",
                              "Sparse LU UMFPACK",
                              "Active-Set Algorithm",
                              "Predictor-Corrector Algorithm",
                              "Dual-Simplex Algorithm",
                              "PhaseI"};
    for (int i = 0; i < solvutil::ALGORITHM_NAME_COUNT; ++i)
        EXPECT_EQ(solvutil::algorithmNames[i], expected[i]) << i;
    HostLeakGuard guard;
    EqnSolverSparseLDL solver(0.5);
    EXPECT_EQ(solver.name, "Sparse LDL MA57");
    EXPECT_EQ(solver.status, 0);
    EXPECT_NE(solver.factorObj, nullptr);
}
