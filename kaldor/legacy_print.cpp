// hostio::legacy::ioPrintMatrix: the stand-in's plain-text rendering of a host array.
//
//   name =
//   <blank line>
//   dense:  one line per row, each entry as "%12.5g"
//   sparse: one line per stored entry, "  (row,col)  %.5g" with 1-based indices
//   empty:  "     []"
#include <cstdio>

#include "kaldor/array_impl.hpp"
#include "solvutil/host/hostio.hpp"

namespace hostio::legacy {

void ioPrintMatrix(const char* name, const kxArray* array) {
    hostPrintf("%s =\n\n", name != nullptr ? name : "");
    if (array == nullptr || array->m == 0 || array->n == 0) {
        hostPrintf("     []\n\n");
        return;
    }
    if (array->sparse) {
        bool any = false;
        for (std::size_t j = 0; j < array->n; ++j) {
            for (std::size_t k = array->colStarts[j]; k < array->colStarts[j + 1]; ++k) {
                hostPrintf("  (%zu,%zu)  %.5g\n", array->rowIndices[k] + 1, j + 1,
                           array->values[k]);
                any = true;
            }
        }
        if (!any) hostPrintf("  All zero sparse: %zu-by-%zu\n", array->m, array->n);
    } else {
        for (std::size_t i = 0; i < array->m; ++i) {
            for (std::size_t j = 0; j < array->n; ++j) {
                hostPrintf("%12.5g", array->values[i + j * array->m]);
            }
            hostPrintf("\n");
        }
    }
    hostPrintf("\n");
}

}  // namespace hostio::legacy
