// The MUMPS driver behind the stand-in sparse factor. Settings (1-based ICNTL/CNTL as in
// the MUMPS manual) and the reasons for them:
//   ICNTL(1..4) = -1,-1,-1,0   silent;
//   ICNTL(5), ICNTL(18) = 0    assembled matrix held on the host;
//   ICNTL(6) = 0               no values at analysis, so no structural matching: the
//                              default fails on structurally singular KKT matrices;
//   ICNTL(12) = 1              plain ordering (the automatic choice failed like ICNTL(6));
//   ICNTL(7) = 7               automatic ordering (AMD, AMF, QAMD, PORD or SCOTCH);
//   ICNTL(13) = 1              keeps the negative-pivot count exact;
//   ICNTL(24) = 1, CNTL(3) = 0, CNTL(5) = 0
//                              null-pivot detection (threshold eps·‖A‖): gives the rank
//                              and lets consistent singular systems be solved;
//   ICNTL(20), ICNTL(21) = 0   dense right-hand sides overwritten by the solution.
#include "kaldor/mumps_session.hpp"

#include <dmumps_c.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "solvutil/host/kxerror.hpp"

// SCOTCH (linked privately with MUMPS): restarts its process-wide random generator.
extern "C" void SCOTCH_randomReset(void);

namespace kaldor {

namespace {

constexpr int kHostComm = -987654;  // "use the sequential communicator"
constexpr double kSmallestTolerance = 1e-12;

int& icntl(DMUMPS_STRUC_C& m, int k) { return m.icntl[k - 1]; }
int infog(const DMUMPS_STRUC_C& m, int k) { return m.infog[k - 1]; }

bool workspaceTooSmall(int status) {
    return status == -8 || status == -9 || status == -17 || status == -20;
}

// SCOTCH 7 orders with several threads unless told otherwise, which makes the fill-in
// (and so the entries of L and the flops) vary from run to run.
void pinOrderingThreads() {
    static const bool done = [] {
        setenv("SCOTCH_PTHREAD_NUMBER", "1", /*overwrite=*/0);
        return true;
    }();
    (void)done;
}

// SCOTCH draws from one random generator for the whole process, so without a reset the
// ordering of a matrix (and its fill-in) depends on how many analyses ran before it.
void restartOrderingRandomness() { SCOTCH_randomReset(); }

}  // namespace

struct MumpsSession::State {
    DMUMPS_STRUC_C m;
    bool initialised = false;
};

MumpsSession::MumpsSession() : s_(std::make_unique<State>()) {
    DMUMPS_STRUC_C& m = s_->m;
    std::memset(&m, 0, sizeof m);
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
    m.cntl[3 - 1] = 0.0;
    m.cntl[5 - 1] = 0.0;
}

MumpsSession::~MumpsSession() {
    if (s_->initialised) {
        s_->m.job = -2;
        dmumps_c(&s_->m);
    }
}

void MumpsSession::analyse(LdlPattern& pattern, const std::vector<int>& order) {
    pinOrderingThreads();
    restartOrderingRandomness();
    DMUMPS_STRUC_C& m = s_->m;
    m.n = static_cast<int>(pattern.n);
    m.nz = 0;
    m.nnz = static_cast<MUMPS_INT8>(pattern.rows.size());
    m.irn = pattern.rows.data();
    m.jcn = pattern.cols.data();
    m.a = pattern.values.data();
    if (order.empty()) {
        icntl(m, 7) = 7;
        m.perm_in = nullptr;
    } else {
        icntl(m, 7) = 1;
        m.perm_in = const_cast<int*>(order.data());
    }
    m.job = 1;
    dmumps_c(&m);
    m.perm_in = nullptr;
    if (infog(m, 1) == -13)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:outOfMemory",
                         "Sparse factor: out of memory in the symbolic factorization.");
    if (infog(m, 1) < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:analysisFailed",
                         "Sparse factor: the symbolic factorization failed (status %d, "
                         "detail %d).",
                         infog(m, 1), infog(m, 2));
}

void MumpsSession::factor(double pivotTolerance, int maxAttempts) {
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
                             "(%d more MB needed).",
                             infog(m, 2));
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
    DMUMPS_STRUC_C& m = s_->m;
    m.rhs = x;
    m.nrhs = static_cast<int>(nrhs);
    m.lrhs = m.n;
    m.job = 3;
    dmumps_c(&m);
    m.rhs = nullptr;
    if (infog(m, 1) < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:solveError",
                         "Sparse factor: the solve failed (status %d, detail %d).",
                         infog(m, 1), infog(m, 2));
}

int MumpsSession::status() const { return infog(s_->m, 1); }
long MumpsSession::nullPivots() const { return infog(s_->m, 28); }
long MumpsSession::negativePivots() const { return infog(s_->m, 12); }
long MumpsSession::factorEntries() const {
    const long v = infog(s_->m, 29);
    return v >= 0 ? v : -v * 1000000L;  // negative: millions of entries
}
double MumpsSession::flops() const { return s_->m.rinfog[3 - 1]; }
int MumpsSession::workspacePercent() const { return s_->m.icntl[14 - 1]; }
void MumpsSession::setWorkspacePercent(int percent) { s_->m.icntl[14 - 1] = percent; }

}  // namespace kaldor
