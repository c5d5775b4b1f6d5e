#pragma once
// Stand-in-only controls of the sparse factor (MA57_RealLDLFactor), for tests that drive
// its workspace retries. Nothing in libsolvutil uses this header.
#include "solvutil/host/host_api.hpp"

namespace kaldor::testing {

/// How the numeric factorization retries when its workspace estimate is too small.
struct FactorRetryPolicy {
    int maxAttempts = 5;               ///< runs of the factorization in all (≥ 1)
    int initialWorkspacePercent = 20;  ///< starting margin over the estimated workspace
};

/// Sets the policy used by factor objects created from now on; returns the previous one.
KALDOR_API FactorRetryPolicy setFactorRetryPolicy(FactorRetryPolicy policy);

/// Runs of the factorization code in the most recent numeric factorization (any object).
KALDOR_API int lastFactorAttempts();

/// Restores the previous policy when it goes out of scope.
class ScopedFactorRetryPolicy {
public:
    explicit ScopedFactorRetryPolicy(FactorRetryPolicy policy)
        : previous_(setFactorRetryPolicy(policy)) {}
    ~ScopedFactorRetryPolicy() { setFactorRetryPolicy(previous_); }
    ScopedFactorRetryPolicy(const ScopedFactorRetryPolicy&) = delete;
    ScopedFactorRetryPolicy& operator=(const ScopedFactorRetryPolicy&) = delete;

private:
    FactorRetryPolicy previous_;
};

}  // namespace kaldor::testing
