// MA57_RealLDLFactor over MUMPS: the pattern is validated and converted once in the
// symbolic step, values are validated and gathered in each numeric step, and MUMPS
// (kaldor/mumps_session.cpp) does the work.
#include "solvutil/host/ma57_factor.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

#include "kaldor/ldl_pattern.hpp"
#include "kaldor/mumps_session.hpp"
#include "kaldor/testing/ldl.hpp"
#include "solvutil/host/kxerror.hpp"

namespace {

// Test controls, shared by all factor objects of the process (and so by all threads).
std::mutex g_policyMutex;
kaldor::testing::FactorRetryPolicy g_policy;  // guarded by g_policyMutex
std::atomic<int> g_lastAttempts{0};

constexpr long kNoFactorization = -3;  // the factorization code's own "not factored" status

}  // namespace

namespace kaldor::testing {

FactorRetryPolicy setFactorRetryPolicy(FactorRetryPolicy policy) {
    policy.maxAttempts = std::max(1, policy.maxAttempts);
    policy.initialWorkspacePercent = std::max(0, policy.initialWorkspacePercent);
    const std::lock_guard<std::mutex> lock(g_policyMutex);
    return std::exchange(g_policy, policy);
}

int lastFactorAttempts() {
    return g_lastAttempts;
}

}  // namespace kaldor::testing

struct __attribute__((visibility("hidden"))) MA57_RealLDLFactor::Impl {
    kaldor::MumpsSession mumps;
    kaldor::LdlPattern pattern;
    double tolerance = 0.01;
    int maxAttempts = 1;
    bool analysed = false;  // a symbolic step succeeded
    bool factored = false;  // a numeric step succeeded since
    long status = 0;
};

MA57_RealLDLFactor::MA57_RealLDLFactor() : impl_(std::make_unique<Impl>()) {
    kaldor::testing::FactorRetryPolicy policy;
    {
        const std::lock_guard<std::mutex> lock(g_policyMutex);
        policy = g_policy;
    }
    impl_->maxAttempts = policy.maxAttempts;
    impl_->mumps.setWorkspacePercent(policy.initialWorkspacePercent);
}

MA57_RealLDLFactor::~MA57_RealLDLFactor() = default;

void MA57_RealLDLFactor::setPivotTolerance(double tol) {
    impl_->tolerance = tol;
}
double MA57_RealLDLFactor::pivotTolerance() const {
    return impl_->tolerance;
}

void MA57_RealLDLFactor::symbolicFactorization(const long* ir, const long* jc, long n, long nnz,
                                               const long* perm, int orderingFlag) {
    Impl& s = *impl_;
    if (orderingFlag != 0 && orderingFlag != 1)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badOrdering",
                         "Sparse factor: ordering flag %d is neither 0 nor 1.", orderingFlag);
    kaldor::LdlPattern pattern = kaldor::lowerPattern(ir, jc, n, nnz);
    std::vector<int> order;
    if (orderingFlag == 1 && n > 0) order = kaldor::checkedOrdering(perm, n);

    s.analysed = false;
    s.factored = false;
    s.pattern = std::move(pattern);
    if (n > 0) s.mumps.analyse(s.pattern, order);
    s.status = n > 0 ? s.mumps.status() : 0;
    s.analysed = true;
}

void MA57_RealLDLFactor::numericFactorization(const double* values) {
    Impl& s = *impl_;
    if (!s.analysed)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:notAnalysed",
                         "Sparse factor: the numeric factorization needs a symbolic "
                         "factorization first.");
    kaldor::gatherValues(s.pattern, values);
    s.factored = false;
    g_lastAttempts = 0;
    if (s.pattern.n > 0) {
        try {
            s.mumps.factor(s.tolerance, s.maxAttempts);
        } catch (...) {
            g_lastAttempts = s.mumps.lastAttempts();
            s.status = s.mumps.status();
            throw;
        }
        g_lastAttempts = s.mumps.lastAttempts();
        s.status = s.mumps.status();
    }
    s.factored = true;
}

void MA57_RealLDLFactor::solve(const double* rhs, long nrhs, double* x, bool checkRhs) {
    Impl& s = *impl_;
    const long n = s.pattern.n;
    if (nrhs < 1)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badSize",
                         "Sparse factor: %ld right-hand sides requested.", nrhs);
    const long count = n * nrhs;
    if (n > 0 && (rhs == nullptr || x == nullptr))
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:missingArray", "Sparse factor: the %s is missing.",
                         rhs == nullptr ? "right-hand side" : "solution");
    if (checkRhs)
        for (long k = 0; k < count; ++k)
            if (!std::isfinite(rhs[k]))
                kxErrMsgIdAndTxt("KALDOR:symIndefFactor:nonFiniteValue",
                                 "Sparse factor: right-hand side entry %ld is %s.", k,
                                 std::isnan(rhs[k]) ? "NaN" : "infinite");
    if (!s.analysed) {
        // Nothing to hand to the factorization code; report what it would.
        s.status = kNoFactorization;
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:solveError",
                         "Sparse factor: solve called before any factorization (status %ld).",
                         s.status);
    }
    if (n == 0) return;
    if (x != rhs) std::memmove(x, rhs, static_cast<std::size_t>(count) * sizeof(double));
    try {
        s.mumps.solve(x, nrhs);
    } catch (...) {
        s.status = s.mumps.status();
        throw;
    }
    s.status = s.mumps.status();
}

long MA57_RealLDLFactor::rank() const {
    return impl_->pattern.n > 0 ? impl_->pattern.n - impl_->mumps.nullPivots() : 0;
}
long MA57_RealLDLFactor::numNegEigenValues() const {
    return impl_->pattern.n > 0 ? impl_->mumps.negativePivots() : 0;
}
long MA57_RealLDLFactor::nnzL() const {
    return impl_->pattern.n > 0 ? impl_->mumps.factorEntries() : 0;
}
double MA57_RealLDLFactor::flops() const {
    return impl_->pattern.n > 0 ? impl_->mumps.flops() : 0.0;
}
long MA57_RealLDLFactor::statusWord() const {
    return impl_->status;
}
