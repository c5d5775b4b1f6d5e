#pragma once
// Vector kernels on aligned double vectors. Each is a single BLAS level-1 call with unit
// increments, made by a raw-pointer form of the same name. Nothing is checked.
// The global namespace and the exact signatures are fixed by the exported names.
// Threads: the kernels keep no state; calls on distinct outputs may run concurrently.
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/solvutil_export.hpp"

/// y[i] += alpha*x[i] for i < min(|x|, |y|); the rest of y is untouched.
SOLVUTIL_API void axpy(double alpha, const AlignedVector& x, AlignedVector& y);
/// x[i] *= alpha for all i (through BLAS dscal, which decides how NaN*0 behaves).
SOLVUTIL_API void scale(double alpha, AlignedVector& x);
/// y becomes a copy of x: resized to |x| (a longer y keeps its capacity), then dcopy.
SOLVUTIL_API void copy(AlignedVector& y, const AlignedVector& x);
/// Sum of x[i]*y[i] over i < min(|x|, |y|).
SOLVUTIL_API double dotprod(const AlignedVector& x, const AlignedVector& y);
/// Euclidean norm.
SOLVUTIL_API double norm2(const AlignedVector& x);
/// Largest absolute value (the first one, by idamax); 0.0 for an empty vector.
SOLVUTIL_API double norminf(const AlignedVector& x);

// Raw-pointer forms: n elements with unit stride.
SOLVUTIL_API void axpy(double alpha, const double* x, double* y, unsigned long n);
SOLVUTIL_API void scale(double alpha, double* x, unsigned long n);
SOLVUTIL_API void copy(double* y, const double* x, unsigned long n);
SOLVUTIL_API double dotprod(const double* x, const double* y, unsigned long n);
SOLVUTIL_API double norm2(const double* x, unsigned long n);
SOLVUTIL_API double norminf(const double* x, unsigned long n);
