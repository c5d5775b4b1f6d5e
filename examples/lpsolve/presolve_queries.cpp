#include "examples/lpsolve/presolve_queries.hpp"

#include "examples/lpsolve/host_arrays.hpp"
#include "solvutil/presolve/presolve.hpp"

namespace lpsolve {

NonzeroCounts nonzeroCounts(const CscMatrix& A) {
    const kxarray::kxArrayPtr a = toHostSparse(A);
    const kxArray* inputs[] = {a.get()};
    kxarray::kxArrayPtr outputs[2];
    presolve::getNNZcounts(2, outputs, 1, inputs);  // one input: column counts, then row counts
    return {fromHost(outputs[0].get()), fromHost(outputs[1].get())};
}

ImpliedRowBounds impliedRowBounds(const CscMatrix& A, const std::vector<double>& colLower,
                                  const std::vector<double>& colUpper) {
    const kxarray::kxArrayPtr a = toHostSparse(A);
    const kxarray::kxArrayPtr lb = toHostColumn(colLower);
    const kxarray::kxArrayPtr ub = toHostColumn(colUpper);
    const kxArray* inputs[] = {a.get(), lb.get(), ub.get()};
    kxarray::kxArrayPtr outputs[2];
    presolve::constrImpliedBoundaries(2, outputs, 3, inputs);
    return {fromHost(outputs[0].get()), fromHost(outputs[1].get())};
}

}  // namespace lpsolve
