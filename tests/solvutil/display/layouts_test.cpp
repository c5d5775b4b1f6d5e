// Layout tables: shared tables of the three pairs, the nominal row widths, and which
// entries are live.
#include <gtest/gtest.h>

#include "solvutil/display/layouts.hpp"

namespace {

struct LayoutFacts {
    SolverName solver;
    long* widths;
    ColumnType* types;
    unsigned long* precisions;
    std::size_t columns;
    long nominalRowWidth;
};

#define FACTS(S, n, rowWidth) \
    LayoutFacts { S, getColumnWidths<S>(), getColumnTypes<S>(), getColumnPrecisions<S>(), n, rowWidth }

std::vector<LayoutFacts> allLayouts() {
    return {FACTS(SolverName::PredictorCorrector, 8, 110),
            FACTS(SolverName::DualSimplex, 5, 63),
            FACTS(SolverName::InteriorPoint, 8, 115),
            FACTS(SolverName::InteriorPointLeastSquares, 8, 115),
            FACTS(SolverName::SequentialQP, 9, 124),
            FACTS(SolverName::RegularizedPredictorCorrector, 9, 127),
            FACTS(SolverName::RegularizedPredictorCorrectorLeastSquares, 9, 127),
            FACTS(SolverName::ActiveSetPhaseOne, 7, 98),
            FACTS(SolverName::ActiveSet, 9, 129),
            FACTS(SolverName::ActiveSetLeastSquares, 9, 129)};
}

}  // namespace

TEST(DisplayLayouts, PairsShareTablesAndRowWidthsAddUp) {
    const auto layouts = allLayouts();
    for (int first : {2, 5, 8}) {
        const auto& a = layouts[static_cast<std::size_t>(first)];
        const auto& b = layouts[static_cast<std::size_t>(first + 1)];
        EXPECT_EQ(a.widths, b.widths) << first;
        EXPECT_EQ(a.types, b.types) << first;
        EXPECT_EQ(a.precisions, b.precisions) << first;
    }
    for (std::size_t s = 0; s < layouts.size(); ++s) {
        const auto& l = layouts[s];
        long rowWidth = 0;
        for (std::size_t i = 0; i < l.columns; ++i) rowWidth += l.widths[i] + 2;
        EXPECT_EQ(rowWidth, l.nominalRowWidth) << "SolverName " << s;
        EXPECT_EQ(l.types[0], ColumnType::Integer) << "every layout starts with Iter";
        for (std::size_t i = 0; i < l.columns; ++i) {
            if (l.types[i] != ColumnType::Double) {
                EXPECT_EQ(l.precisions[i], 1UL) << s << "/" << i;
            }
        }
        for (std::size_t t = s + 1; t < layouts.size(); ++t) {
            const bool pair = (s == 2 || s == 5 || s == 8) && t == s + 1;
            if (!pair) {
                EXPECT_NE(l.widths, layouts[t].widths) << s << " vs " << t;
            }
        }
    }
    // The only general-notation column is the DualSimplex time, before any Double.
    EXPECT_EQ(getColumnTypes<SolverName::DualSimplex>()[1], ColumnType::GeneralDouble);
    // Precision-3 columns exist only in SequentialQP.
    EXPECT_EQ(getColumnPrecisions<SolverName::SequentialQP>()[3], 3UL);
    EXPECT_EQ(getColumnWidths<SolverName::PredictorCorrector>()[7], 8);
    EXPECT_EQ(getColumnWidths<SolverName::RegularizedPredictorCorrector>()[7], 9);
}
