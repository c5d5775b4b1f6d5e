// The MUMPS driver behind the stand-in sparse factor. Settings (1-based ICNTL/CNTL as in
// the MUMPS manual) and the reasons for them:
//   ICNTL(1..4) = -1,-1,-1,0   silent;
//   ICNTL(5), ICNTL(18) = 0    assembled matrix held on the host;
//   ICNTL(6) = 0               no values at analysis, so no structural matching: the
//                              default fails on structurally singular KKT matrices;
//   ICNTL(12) = 1              plain ordering (the automatic choice failed like ICNTL(6));
//   ICNTL(7) = 2 or 7          the cheaper (by the analysis' flop estimate) of AMF and the
//                              automatic choice, which picks SCOTCH on larger matrices:
//                              nested dissection cuts through the thousands of column
//                              nodes of an LP's augmented system (80,000 columns: 3.4
//                              Gflop against 7 Mflop with AMF), where on other matrices
//                              it finds the smaller fill; the choice is made per matrix;
//   ICNTL(13) = 1              keeps the negative-pivot count exact;
//   ICNTL(24) = 1, CNTL(5) = 0 null-pivot detection: gives the rank and lets consistent
//                              singular systems be solved;
//   CNTL(3) = 1e-14            its threshold, relative to ‖A‖∞ (positive: relative). With
//                              CNTL(3) = 0 MUMPS scales a default threshold by the pivots on
//                              the critical path of the tree, and finds them in every numeric
//                              step by walking sibling lists: quadratic when one node has
//                              thousands of children, as in the augmented system of an LP
//                              with many more columns than rows. A fixed threshold skips the
//                              walk. 1e-14 (about 45 ε) is what that default gives for a
//                              path of about 2000 pivots; it flags more of the pivots of a
//                              few ε·‖A‖ that rows dependent through real-valued combinations
//                              leave, while 1e-13 and above, scaled by the largest entry of
//                              an interior-point system, discarded genuine pivots of an LP's
//                              late iterations;
//   ICNTL(20), ICNTL(21) = 0   dense right-hand sides overwritten by the solution.
#include "kaldor/mumps_session.hpp"

#include <dmumps_c.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "solvutil/host/kxerror.hpp"

// SCOTCH (linked privately with MUMPS): restarts its process-wide random generator.
extern "C" void SCOTCH_randomReset(void);

namespace kaldor {

namespace {

constexpr int kHostComm = -987654;  // "use the sequential communicator"
constexpr double kSmallestTolerance = 1e-12;
constexpr double kNullPivotThreshold = 1e-14;  // CNTL(3), see the header comment

// MUMPS and SCOTCH keep process-wide state (module variables, one random generator), so
// two instances must never run at once: every call that reaches them holds this lock.
std::mutex& mumpsMutex() {
    static std::mutex mutex;
    return mutex;
}

int& icntl(DMUMPS_STRUC_C& m, int k) {
    return m.icntl[k - 1];
}
int infog(const DMUMPS_STRUC_C& m, int k) {
    return m.infog[k - 1];
}

// Size of the allocation that failed with status -13, in MB: INFO(2) counts entries of
// the matrix's type (doubles here), in millions when it is negative.
double failedAllocationMB(const DMUMPS_STRUC_C& m) {
    const double v = m.info[2 - 1];
    return (v < 0 ? -v * 1e6 : v) * static_cast<double>(sizeof(double)) / 1e6;
}

bool workspaceTooSmall(int status) {
    return status == -8 || status == -9 || status == -17 || status == -20;
}

// SCOTCH 7 orders with several threads unless told otherwise, which makes the fill-in
// (and so the entries of L and the flops) vary from run to run. Set when the library is
// loaded, before any thread of the process could read the environment concurrently.
[[maybe_unused]] const bool g_orderingThreadsPinned =
    setenv("SCOTCH_PTHREAD_NUMBER", "1", /*overwrite=*/0) == 0;

// SCOTCH draws from one random generator for the whole process, so without a reset the
// ordering of a matrix (and its fill-in) depends on how many analyses ran before it.
void restartOrderingRandomness() {
    SCOTCH_randomReset();
}

constexpr int kGivenOrder = 1, kAmfOrder = 2, kAutomaticOrder = 7;  // ICNTL(7)

// One analysis (JOB = 1) with ordering `ordering`; failures become host errors.
void runAnalysis(DMUMPS_STRUC_C& m, int ordering) {
    restartOrderingRandomness();
    icntl(m, 7) = ordering;
    m.job = 1;
    dmumps_c(&m);
    if (infog(m, 1) == -13)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:outOfMemory",
                         "Sparse factor: out of memory in the symbolic factorization (an "
                         "allocation of %.0f MB failed).",
                         failedAllocationMB(m));
    if (infog(m, 1) < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:analysisFailed",
                         "Sparse factor: the symbolic factorization failed (status %d, "
                         "detail %d).",
                         infog(m, 1), infog(m, 2));
}

}  // namespace

struct MumpsSession::State {
    DMUMPS_STRUC_C m;
    bool initialised = false;
};

MumpsSession::MumpsSession() : s_(std::make_unique<State>()) {
    DMUMPS_STRUC_C& m = s_->m;
    std::memset(&m, 0, sizeof m);
    const std::lock_guard<std::mutex> lock(mumpsMutex());
    m.sym = 2;
    m.par = 1;
    m.comm_fortran = kHostComm;
    m.job = -1;
    dmumps_c(&m);
    if (infog(m, 1) < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:initFailed",
                         "Sparse factor: the factorization code could not start (status %d).",
                         infog(m, 1));
    s_->initialised = true;
    icntl(m, 1) = -1;
    icntl(m, 2) = -1;
    icntl(m, 3) = -1;
    icntl(m, 4) = 0;
    icntl(m, 5) = 0;
    icntl(m, 18) = 0;
    icntl(m, 6) = 0;
    icntl(m, 12) = 1;
    icntl(m, 7) = 7;
    icntl(m, 13) = 1;
    icntl(m, 14) = 20;
    icntl(m, 20) = 0;
    icntl(m, 21) = 0;
    icntl(m, 24) = 1;
    m.cntl[3 - 1] = kNullPivotThreshold;
    m.cntl[5 - 1] = 0.0;
}

MumpsSession::~MumpsSession() {
    if (s_->initialised) {
        const std::lock_guard<std::mutex> lock(mumpsMutex());
        s_->m.job = -2;
        dmumps_c(&s_->m);
    }
}

void MumpsSession::analyse(LdlPattern& pattern, const std::vector<int>& order) {
    const std::lock_guard<std::mutex> lock(mumpsMutex());
    DMUMPS_STRUC_C& m = s_->m;
    m.n = static_cast<int>(pattern.n);
    m.nz = 0;
    m.nnz = static_cast<MUMPS_INT8>(pattern.rows.size());
    m.irn = pattern.rows.data();
    m.jcn = pattern.cols.data();
    m.a = pattern.values.data();
    if (!order.empty()) {
        m.perm_in = const_cast<int*>(order.data());
        runAnalysis(m, kGivenOrder);
        m.perm_in = nullptr;
        return;
    }
    m.perm_in = nullptr;
    runAnalysis(m, kAmfOrder);
    const double amfFlops = m.rinfog[1 - 1];
    runAnalysis(m, kAutomaticOrder);
    if (amfFlops < m.rinfog[1 - 1]) runAnalysis(m, kAmfOrder);
}

void MumpsSession::factor(double pivotTolerance, int maxAttempts) {
    const std::lock_guard<std::mutex> lock(mumpsMutex());
    DMUMPS_STRUC_C& m = s_->m;
    m.cntl[1 - 1] = std::max(pivotTolerance, kSmallestTolerance);
    lastAttempts_ = 0;
    for (int attempt = 1; attempt <= maxAttempts; ++attempt) {
        lastAttempts_ = attempt;
        m.job = 2;
        dmumps_c(&m);
        const int st = infog(m, 1);
        if (st >= 0) return;
        if (st == -13)  // a larger margin would only ask for more memory
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:outOfMemory",
                             "Sparse factor: out of memory in the numeric factorization "
                             "(an allocation of %.0f MB failed).",
                             failedAllocationMB(m));
        if (!workspaceTooSmall(st))
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:factorizationFailed",
                             "Sparse factor: the numeric factorization failed (status %d, "
                             "detail %d).",
                             st, infog(m, 2));
        // Keep the enlarged margin: the next factorization of similar values needs it too.
        icntl(m, 14) = std::max(20, 2 * icntl(m, 14));
    }
    kxErrMsgIdAndTxt("KALDOR:symIndefFactor:tooManyAttempts",
                     "Sparse factor: the numeric factorization still lacked workspace after "
                     "%d attempts.",
                     maxAttempts);
}

void MumpsSession::solve(double* x, long nrhs) {
    const std::lock_guard<std::mutex> lock(mumpsMutex());
    DMUMPS_STRUC_C& m = s_->m;
    m.rhs = x;
    m.nrhs = static_cast<int>(nrhs);
    m.lrhs = m.n;
    m.job = 3;
    dmumps_c(&m);
    m.rhs = nullptr;
    if (infog(m, 1) < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:solveError",
                         "Sparse factor: the solve failed (status %d, detail %d).", infog(m, 1),
                         infog(m, 2));
}

int MumpsSession::status() const {
    return infog(s_->m, 1);
}
long MumpsSession::nullPivots() const {
    return infog(s_->m, 28);
}
long MumpsSession::negativePivots() const {
    return infog(s_->m, 12);
}
long MumpsSession::factorEntries() const {
    const long v = infog(s_->m, 29);
    return v >= 0 ? v : -v * 1000000L;  // negative: millions of entries
}
double MumpsSession::flops() const {
    return s_->m.rinfog[3 - 1];
}
int MumpsSession::workspacePercent() const {
    return s_->m.icntl[14 - 1];
}
void MumpsSession::setWorkspacePercent(int percent) {
    s_->m.icntl[14 - 1] = percent;
}

}  // namespace kaldor
