#pragma once
// One sequential MUMPS instance in symmetric indefinite mode, with the settings the
// stand-in factor needs: silent, centralized assembled input, automatic ordering,
// null-pivot detection, and workspace retries in the numeric step.
#include <memory>
#include <vector>

#include "kaldor/ldl_pattern.hpp"

namespace kaldor {

class MumpsSession {
public:
    MumpsSession();
    ~MumpsSession();
    MumpsSession(const MumpsSession&) = delete;
    MumpsSession& operator=(const MumpsSession&) = delete;

    /// Runs the analysis of `pattern`, which must stay alive (and unmoved) until the
    /// next analyse call. `order` is a 1-based user ordering, or empty.
    void analyse(LdlPattern& pattern, const std::vector<int>& order);
    /// Runs the factorization of the values in the analysed pattern, retrying with a
    /// doubled workspace margin while the workspace is too small, at most `maxAttempts`
    /// runs in all.
    void factor(double pivotTolerance, int maxAttempts);
    /// Solves in place: x holds the n-by-nrhs right-hand sides on entry.
    void solve(double* x, long nrhs);

    int status() const;            ///< INFOG(1) after the last call
    long nullPivots() const;       ///< INFOG(28)
    long negativePivots() const;   ///< INFOG(12)
    long factorEntries() const;    ///< INFOG(29), decoded
    double flops() const;          ///< RINFOG(3)
    int workspacePercent() const;  ///< ICNTL(14) as it stands
    void setWorkspacePercent(int percent);
    int lastAttempts() const { return lastAttempts_; }

private:
    struct State;
    std::unique_ptr<State> s_;
    int lastAttempts_ = 0;
};

}  // namespace kaldor
