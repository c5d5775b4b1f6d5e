#pragma once
// The two enumerations that describe a progress table: which solver's layout, and how
// one column is read from the caller and rendered.
#include "solvutil/solvutil_export.hpp"

/// Selects one of the ten progress-table layouts. The numbers cross the library
/// boundary as plain integers and never change. A new layout takes the next number and
/// one table in solvutil/display/layout_table.hpp; nothing else lists the layouts.
/// (Default visibility: the exported layout getters are instantiated over this type.)
enum class SOLVUTIL_API SolverName : int {
    PredictorCorrector = 0,                         ///< 8 columns
    DualSimplex = 1,                                ///< 5 columns
    InteriorPoint = 2,                              ///< 8 columns
    InteriorPointLeastSquares = 3,                  ///< 8 columns
    SequentialQP = 4,                               ///< 9 columns, two-line header
    RegularizedPredictorCorrector = 5,              ///< 9 columns
    RegularizedPredictorCorrectorLeastSquares = 6,  ///< 9 columns
    ActiveSetPhaseOne = 7,                          ///< 7 columns, two-line header
    ActiveSet = 8,                                  ///< 9 columns, two-line header
    ActiveSetLeastSquares = 9,                      ///< 9 columns, two-line header
};

/// What one column consumes from the variable argument list and how it is printed.
enum class ColumnType : int {
    Double = 0,         ///< double, scientific at the column's precision; Inf/NaN substituted
    Integer = 1,        ///< unsigned long, decimal
    String = 2,         ///< const char*, NUL-terminated narrow text
    GeneralDouble = 3,  ///< double, printf %g rules at the stream's precision
};
