#pragma once
// The benchmark's peer: MUMPS called directly, with the settings of the stand-in factor,
// on a matrix already in MUMPS' coordinate form. Built as its own shared library with
// MUMPS and its 32-bit BLAS hidden inside, like libkaldor.
extern "C" {

struct MumpsPeer;

/// Analysis of the n-by-n lower-triangle pattern (1-based irn/jcn, `nnz` entries);
/// the three arrays are borrowed until mumps_peer_destroy.
__attribute__((visibility("default"))) MumpsPeer* mumps_peer_create(int n, long nnz, int* irn,
                                                                    int* jcn, double* a,
                                                                    double tol);
/// Numeric factorization of the current values of `a`; returns MUMPS' INFOG(1).
__attribute__((visibility("default"))) int mumps_peer_factor(MumpsPeer* p);
/// Solves in place (x holds the right-hand side); returns INFOG(1).
__attribute__((visibility("default"))) int mumps_peer_solve(MumpsPeer* p, double* x);
__attribute__((visibility("default"))) double mumps_peer_flops(const MumpsPeer* p);
__attribute__((visibility("default"))) void mumps_peer_destroy(MumpsPeer* p);
}
