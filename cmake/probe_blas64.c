/* Exits 0 only when the linked BLAS reads its integer arguments as 64-bit values.
 * n = 0xFFFFFFFF00000003 is negative as a 64-bit integer (quick return: idamax = 0,
 * ddot = 0) but reads as 3 through its low 32 bits (idamax = 2, ddot = 21). */
#include <stdint.h>
#include <stdio.h>
int64_t idamax_(const int64_t* n, const double* x, const int64_t* incx);
double ddot_(const int64_t* n, const double* x, const int64_t* incx, const double* y,
             const int64_t* incy);
int main(void) {
  const double x[3] = {1.0, 2.0, 4.0};
  const int64_t n = (int64_t)0xFFFFFFFF00000003ULL;
  const int64_t inc = 1;
  const int64_t k = idamax_(&n, x, &inc);
  const double d = ddot_(&n, x, &inc, x, &inc);
  if (k != 0 || d != 0.0) {
    printf("idamax=%lld ddot=%g", (long long)k, d);
    return 1;
  }
  return 0;
}
