// Every host allocation of a scenario made to fail in turn: the failure reaches the caller as the
// host's out-of-memory error (or OPTMatrix's own failure) and leaves no host block or array behind.
#include <gtest/gtest.h>

#include <functional>

#include "solvutil/kernels/dense_kernels.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/presolve/presolve.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/solvutil/constraints/constraint_test_support.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

using namespace ctest;
namespace kt = kaldor::testing;

namespace {

using kxarray::kxArrayPtr;

void kernels() {
    std::mt19937 rng(5);
    const SparseMatrix S = SparseMatrix::fromDense(testdata::randomMatrix(rng, 20, 15));
    AlignedVector x = testdata::randomVector(rng, 15), y(20, 1.0);
    gaxpy(1.0, S, x, 2.0, y);
    norminf(testdata::randomMatrix(rng, 4, 3));
}

void sparseFactor() {
    std::mt19937 rng(1);
    testdata::Csc a =
        testdata::symmetricCsc(60, testdata::randomKktLower(rng, 45, 15, 3, 1e-8), false);
    EqnSolverSparseLDL s(0.01);
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    AlignedVector b = testdata::randomVector(rng, a.n), x(b.size());
    s.solve(x, b);
}

void denseFactor() {
    std::mt19937 rng(2);
    DenseMatrix k = testdata::quasiDefinite(rng, 110, 40, 1e-8);
    solvutil::DynamicRegSolver d;
    solvutil::DynamicRegParams p;
    p.nPrimal = 110;
    p.checkInertia = true;
    d.factor(k, 150, p);
    AlignedVector b = testdata::randomVector(rng, 150);
    d.solve(k, 150, b);
}

// Dense A and Aeq (products with a sparse A are not offered); b, lb, ub and x sparse or dense.
void constraints(bool sparse) {
    std::mt19937 rng(3);
    const Problem p = randomProblem(rng, 6, 4, 3, 2);
    ConstraintCounts counts{.nIneq = p.mi, .nEq = p.me, .nVar = p.n};
    const kxArrayPtr a[] = {
        kxArrayPtr(denseArray(p.mi, p.n, p.A)),      kxArrayPtr(makeArray(sparse, p.mi, 1, p.b)),
        kxArrayPtr(denseArray(p.me, p.n, p.Aeq)),    kxArrayPtr(denseArray(p.me, 1, p.beq)),
        kxArrayPtr(makeArray(sparse, p.n, 1, p.lb)), kxArrayPtr(makeArray(sparse, p.n, 1, p.ub))};
    LinearConstraint lc(&counts, false, a[0].get(), a[1].get(), a[2].get(), a[3].get(), a[4].get(),
                        a[5].get());
    lc._createBoundAndFixedConstraints();
    std::vector<std::size_t> fixed(p.n, ~std::size_t{0});
    std::copy(p.fixed.begin(), p.fixed.end(), fixed.begin());
    lc._setindexFixed(fixed.data());
    counts.nFixed = p.fixed.size();
    const kxArrayPtr xa(makeArray(sparse, p.n, 1, randomDense(rng, p.n, 0.3)));
    const M x(xa.get(), M::BORROW_KEEP);
    for (auto f :
         {&LinearConstraint::Ax, &LinearConstraint::Aconstr, &LinearConstraint::Aeqx,
          &LinearConstraint::Aeqconstr, &LinearConstraint::Afixedx, &LinearConstraint::Albx,
          &LinearConstraint::Albconstr, &LinearConstraint::Aubx, &LinearConstraint::Aubconstr})
        (lc.*f)(x);
    lc.maxConstrViolation(x);
}

void presolveGateways() {
    std::mt19937 rng(4);
    kxArrayPtr a(sparseArray(6, 4, randomDense(rng, 24, 0.5)));
    kxArrayPtr lb(denseArray(4, 1, Dense(4, -1.0))), ub(denseArray(4, 1, Dense(4, 1.0)));
    kxArrayPtr out[2];
    const kxArray* in[3] = {a.get(), lb.get(), ub.get()};
    presolve::constrImpliedBoundaries(2, out, 3, in);
    presolve::getNNZcounts(2, out, 1, in);
}

}  // namespace

TEST(AllocationFailureWalk, EveryAllocationPointFailsCleanly) {
    const std::pair<const char*, std::function<void()>> scenarios[] = {
        {"kernels", kernels},
        {"sparse factor and solve", sparseFactor},
        {"dense factor and solve", denseFactor},
        {"dense constraints", [] { constraints(false); }},
        {"sparse constraints", [] { constraints(true); }},
        {"presolve", presolveGateways}};
    kt::ConsoleCapture console;  // OPTMatrix failure messages
    for (const auto& [name, run] : scenarios) {
        SCOPED_TRACE(name);
        run();  // warms one-time caches (the OPTMatrix scratch buffer)
        long point = 0;
        for (;; ++point) {
            ScratchAwareLeakGuard guard;
            std::string failure = "(none)";
            kt::failAllocationAfter(point);
            try {
                run();
            } catch (const hostcore::IUserException& e) {
                failure = e.getMessageId();
            } catch (std::exception* e) {
                failure = "OPTMatrix failure";
                delete e;
            }
            const bool reached = !kt::allocationFailurePending();
            kt::failAllocationAfter(-1);
            if (!reached) break;
            EXPECT_TRUE(failure == "KALDOR:outOfMemory" || failure == "OPTMatrix failure")
                << "point " << point << ": " << failure;
        }
        EXPECT_GT(point, 0);
    }
}

// Requests whose size does not fit: a host out-of-memory error (null from kxMallocEx).
TEST(AllocationFailureWalk, OversizedRequestsAreOutOfMemory) {
    HostLeakGuard guard;
    const std::size_t huge = ~std::size_t{0};
    EXPECT_EQ(kxMallocEx(huge - 8), nullptr);
    const std::function<void()> requests[] = {
        [&] { kxMallocExCheck(huge - 15); },
        [] { kxArrayPtr(kxCreateNumericMatrix(1UL << 33, 1UL << 31, kxDOUBLE_CLASS, kxREAL)); },
        [&] { kxArrayPtr(kxCreateNumericMatrix(huge / 4, 3, kxDOUBLE_CLASS, kxREAL)); },
        [&] { kxArrayPtr(kt::createSparseArray(2, huge, 1)); },
        [&] { kxArrayPtr(kt::createSparseArray(2, 2, huge / 2)); }};
    for (const auto& request : requests) EXPECT_EQ(hostErrorId(request), "KALDOR:outOfMemory");
}
