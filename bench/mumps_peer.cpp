// MUMPS with exactly the settings of kaldor/mumps_session.cpp, without the stand-in's
// validation, conversion and error handling: the cost floor the stand-in is measured by.
#include "bench/mumps_peer.hpp"

#include <dmumps_c.h>

#include <algorithm>
#include <cstring>

extern "C" void SCOTCH_randomReset(void);

struct MumpsPeer {
    DMUMPS_STRUC_C m;
};

extern "C" {

MumpsPeer* mumps_peer_create(int n, long nnz, int* irn, int* jcn, double* a, double tol) {
    auto* p = new MumpsPeer;
    DMUMPS_STRUC_C& m = p->m;
    std::memset(&m, 0, sizeof m);
    m.sym = 2;
    m.par = 1;
    m.comm_fortran = -987654;
    m.job = -1;
    dmumps_c(&m);
    const int settings[][2] = {{1, -1}, {2, -1}, {3, -1}, {4, 0},   {5, 0},  {18, 0}, {6, 0},
                               {12, 1}, {7, 7},  {13, 1}, {14, 20}, {20, 0}, {21, 0}, {24, 1}};
    for (const auto& s : settings) m.icntl[s[0] - 1] = s[1];
    m.cntl[0] = std::max(tol, 1e-12);
    m.cntl[2] = 1e-14;
    m.cntl[4] = 0.0;
    m.n = n;
    m.nnz = nnz;
    m.irn = irn;
    m.jcn = jcn;
    m.a = a;
    // As the stand-in does: the cheaper of AMF and the automatic ordering, each analysis
    // after a reset of SCOTCH's generator (the same ordering for the same matrix).
    auto analyse = [&m](int ordering) {
        SCOTCH_randomReset();
        m.icntl[7 - 1] = ordering;
        m.job = 1;
        dmumps_c(&m);
    };
    analyse(2);
    const double amfFlops = m.rinfog[0];
    analyse(7);
    if (amfFlops < m.rinfog[0]) analyse(2);
    return p;
}

// Like the stand-in (and any careful direct caller), rerun with a doubled workspace
// margin while MUMPS reports its workspace too small, and keep the margin.
int mumps_peer_factor(MumpsPeer* p) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        p->m.job = 2;
        dmumps_c(&p->m);
        const int st = p->m.infog[0];
        if (st != -8 && st != -9 && st != -17 && st != -20) return st;
        p->m.icntl[13] = std::max(20, 2 * p->m.icntl[13]);
    }
    return p->m.infog[0];
}

int mumps_peer_solve(MumpsPeer* p, double* x) {
    p->m.rhs = x;
    p->m.nrhs = 1;
    p->m.lrhs = p->m.n;
    p->m.job = 3;
    dmumps_c(&p->m);
    return p->m.infog[0];
}

double mumps_peer_flops(const MumpsPeer* p) {
    return p->m.rinfog[2];
}

void mumps_peer_destroy(MumpsPeer* p) {
    p->m.job = -2;
    dmumps_c(&p->m);
    delete p;
}
}
