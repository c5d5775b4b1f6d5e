// Row-activity bounds implied by variable bounds, in one pass over A's storage.
#include <cstddef>

#include "solvutil/presolve/presolve.hpp"

namespace presolve {

void constrImpliedBoundaries(int /*nOutputs*/, kxarray::kxArrayPtr* outputs, int /*nInputs*/,
                             kxArray const** inputs) {
    const kxArray* A = inputs[0];
    const std::size_t m = kxGetM(A);
    const std::size_t n = kxGetN(A);
    const double* values = kxRealData(A);
    const std::size_t* rows = kxRowIndices(A);
    const std::size_t* starts = kxColumnStarts(A);
    const double* lb = kxRealData(inputs[1]);
    const double* ub = kxRealData(inputs[2]);

    outputs[0] = kxarray::do_create_numeric({m, 1}, kxDOUBLE_CLASS, kxREAL);
    outputs[1] = kxarray::do_create_numeric({m, 1}, kxDOUBLE_CLASS, kxREAL);
    if (m == 0 || starts[n] == 0) return;

    double* low = kxRealData(outputs[0].get());
    double* high = kxRealData(outputs[1].get());
    for (std::size_t j = 0; j < n; ++j) {
        const double lbj = lb[j];
        const double ubj = ub[j];
        for (std::size_t k = starts[j]; k < starts[j + 1]; ++k) {
            const double a = values[k];
            const std::size_t i = rows[k];
            // Written as selects rather than a branch: signs in A are unpredictable.
            // `a > 0` is false for zero, negative zero and NaN, which take the mirror.
            const bool positive = a > 0.0;
            low[i] += a * (positive ? lbj : ubj);
            high[i] += a * (positive ? ubj : lbj);
        }
    }
}

}  // namespace presolve
