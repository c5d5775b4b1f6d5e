#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/mps_reader.hpp"
#include "tests/examples/lpsolve/clp_oracle.hpp"

namespace {

using lpsolve::ExitCode;
using lpsolve::kInf;
using lpsolve::LpError;

// The MPS rules for RHS, RANGES and BOUNDS, applied to ranges_free.mps by hand: an L row
// with range R is [rhs - |R|, rhs], G is [rhs, rhs + |R|], E with R > 0 is
// [rhs, rhs + R] and with R < 0 is [rhs + R, rhs]; the RHS on the objective row is minus
// the objective constant; a second N row is dropped.
TEST(MpsReader, AppliesRangesBoundsAndTheObjectiveConstant) {
    const auto lp = lpsolve::readMps(lpsolve_test::dataFile("ranges_free.mps"));
    EXPECT_EQ(lp.name, "RANGEFREE");
    ASSERT_EQ(lp.numRows(), 5u);
    ASSERT_EQ(lp.numCols(), 6u);
    EXPECT_DOUBLE_EQ(lp.objectiveConstant, 2.5);

    const double rowLo[] = {1.5, 1.0, 7.0, 7.0, -kInf};
    const double rowUp[] = {4.0, 4.0, 11.0, 9.0, 6.0};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(lp.rowLower[i], rowLo[i]) << "row " << i;
        EXPECT_EQ(lp.rowUpper[i], rowUp[i]) << "row " << i;
    }
    const double colLo[] = {0.0, 0.0, -kInf, -kInf, -1.0, 0.5};
    const double colUp[] = {4.0, kInf, kInf, 5.0, 2.0, 0.5};
    for (std::size_t j = 0; j < 6; ++j) {
        EXPECT_EQ(lp.colLower[j], colLo[j]) << "column " << j;
        EXPECT_EQ(lp.colUpper[j], colUp[j]) << "column " << j;
    }
    const double cost[] = {1.0, 2.0, -1.0, 1.0, -0.5, 3.0};
    for (std::size_t j = 0; j < 6; ++j) EXPECT_EQ(lp.objective[j], cost[j]);
    EXPECT_EQ(lp.A.nnz(), 12u);  // the entry on the spare N row is not a constraint
    EXPECT_EQ(lp.integerColumns, 0u);
}

TEST(MpsReader, FreeFormatGivesTheSameModelAsFixedFormat) {
    const auto fixed = lpsolve::readMps(lpsolve_test::dataFile("ranges_free.mps"));
    const auto free = lpsolve::readMps(lpsolve_test::dataFile("ranges_free_freeformat.mps"));
    EXPECT_EQ(free.A.colStart, fixed.A.colStart);
    EXPECT_EQ(free.A.rowIndex, fixed.A.rowIndex);
    EXPECT_EQ(free.A.value, fixed.A.value);
    EXPECT_EQ(free.rowLower, fixed.rowLower);
    EXPECT_EQ(free.rowUpper, fixed.rowUpper);
    EXPECT_EQ(free.colLower, fixed.colLower);
    EXPECT_EQ(free.colUpper, fixed.colUpper);
    EXPECT_EQ(free.objective, fixed.objective);
    EXPECT_EQ(free.objectiveConstant, fixed.objectiveConstant);
}

TEST(MpsReader, CountsIntegerMarkers) {
    const auto lp = lpsolve::readMps(lpsolve_test::sampleFile("exmip1.mps"));
    EXPECT_GT(lp.integerColumns, 0u);
}

TEST(MpsReader, RejectsMissingUnreadableAndQuadraticFiles) {
    const std::string missing = lpsolve_test::dataFile("no-such-problem.mps");
    try {
        lpsolve::readMps(missing);
        ADD_FAILURE() << "a missing file was read";
    } catch (const LpError& e) {
        EXPECT_EQ(e.code(), ExitCode::BadInput);
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }

    const std::string garbage = ::testing::TempDir() + "lpsolve_garbage.mps";
    {
        std::ofstream out(garbage);
        out << "this is not\nan MPS file at all\n";
    }
    try {
        lpsolve::readMps(garbage);
        ADD_FAILURE() << "garbage was read as MPS";
    } catch (const LpError& e) {
        EXPECT_EQ(e.code(), ExitCode::BadInput);
        EXPECT_NE(std::string(e.what()).find("MPS"), std::string::npos) << e.what();
    }
    std::remove(garbage.c_str());

    try {
        lpsolve::readMps(lpsolve_test::sampleFile("share2qp.mps"));
        ADD_FAILURE() << "a quadratic objective was accepted";
    } catch (const LpError& e) {
        EXPECT_EQ(e.code(), ExitCode::BadInput);
        EXPECT_NE(std::string(e.what()).find("quadratic"), std::string::npos) << e.what();
    }
}

}  // namespace
