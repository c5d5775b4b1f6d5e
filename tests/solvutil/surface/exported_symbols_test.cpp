// libsolvutil exports the promised functions, layout getters and class parts, nothing else. GCC 12
// reports a false -Wmaybe-uninitialized inside <regex> under the sanitizers: silenced there only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <gtest/gtest.h>

#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

namespace {

// Free functions cut after "(" (none: extern "C"), by number of overloads.
const char* const kPromised[] = {
    "",
    "solvAssert( matmult( matmult_syrk( denseMatTimesVec( matVecPlusVec( denseMatrixMultiply( "
    "denseMatrixMultiplySyrk( sym_gaxpy( sym_norminf( sym_copy( sym_kktcat( denseSymMatTimesVec( "
    "matSymVecPlusVec( matSymCopy( symKKTCat( printIterativeDisplay( printPreprocessorDisplay( "
    "presolve::constrImpliedBoundaries( presolve::getNNZcounts( kxArrayPrint( instantiateRngSolv "
    "getRngStateSolv setRngStateSolv deleteRngStateSolv deleteRngSolv getRandUniformSolv "
    "ioFlushSolv kxMallocExSolv kxFreeExSolv assertSolv emulateCtrlC LBInitialize_solvutil "
    "LBTerminate_solvutil printIterativeDisplay printPreprocessorDisplay",
    "axpy( scale( copy( dotprod( norm2( gaxpy( tr_gaxpy( tr_matvec( sym_matvec(",
    "norminf( vertcat(", "matvec("};

// What C++ needs for the promised classes; sanitizer builds add their ODR indicators.
const std::regex kClassPart(
    R"(^(vtable for |typeinfo for |typeinfo name for |guard variable for )?)"
    R"((DenseMatrix|SparseMatrix|IEqnSolver|IEqnSolverLDL|EqnSolverSparseLDL|)"
    R"(IoptLinearConstraint|LinearConstraint|OPTMatrix<double>|solvutil::DynamicRegSolver|)"
    R"(solvutil::DynamicRegParams|solvutil::algorithmNames|std::exception\*$)(::|\[|$))"
    R"(|^__odr_asan[._]|^guard variable for std::.* getDisplayHeaders)");
const std::regex kLayoutGetter(R"(^.*\* get(DisplayHeaders|ColumnWidths|ColumnTypes|)"
                               R"(ColumnPrecisions)<\(SolverName\)[0-9]>\(\)$)");

// "" for a class part or a weak standard-library instance (clang exports some), "layout" for a
// layout getter, else the name up to its "(", which must be a promised function.
std::string classify(char type, const std::string& name) {
    if (std::regex_search(name, kLayoutGetter)) return "layout";
    if (std::regex_search(name, kClassPart)) return "";
    if ((type == 'W' || type == 'V') && name.find("std::") != name.npos &&
        name.find('<') != name.npos)
        return "";
    return name.substr(0, name.find('(') + (name.find('(') != name.npos));
}

}  // namespace

TEST(ExportedSurface, ExactlyThePromisedNames) {
    FILE* pipe = popen("nm -D --defined-only -C '" SOLVUTIL_LIBRARY_FILE "'", "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, int> overloads;
    int layouts = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {  // "<address> <type> <name>\n"
        const std::string s(line, std::strlen(line) - 1);
        const auto blank = s.find(' ');
        if (blank == s.npos || s.size() < blank + 3) continue;
        const std::string name = s.substr(blank + 3), bucket = classify(s[blank + 1], name);
        layouts += bucket == "layout";
        if (!bucket.empty() && bucket != "layout") ++overloads[bucket];
    }
    pclose(pipe);
    std::map<std::string, int> promised;
    for (int n = 1; n < 5; ++n) {
        std::istringstream names(kPromised[n]);
        for (std::string f; names >> f;) promised[f] = n;
    }
    EXPECT_EQ(overloads, promised);
    EXPECT_EQ(layouts, 40);  // four getters for each of the ten SolverName values
}
