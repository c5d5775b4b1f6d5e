// libsolvutil exports exactly what it promises: the promised free functions with their exact
// signatures and nothing else, the layout getters of all ten SolverName values, the plain
// symbols unmangled, and of the classes what C++ needs (members, vtables, typeinfo).
// GCC 12 reports a false -Wmaybe-uninitialized inside libstdc++'s <regex> when building
// with the sanitizers; the warning is silenced for these standard headers only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <gtest/gtest.h>

#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

// Demangled names; "V" stands for std::vector<double, aligned_allocator<double> >. A name
// without an argument list is an unmangled (extern "C") symbol.
const std::set<std::string> kFunctions = {
    "axpy(double, double const*, double*, unsigned long)",
    "axpy(double, V const&, V&)",
    "scale(double, double*, unsigned long)",
    "scale(double, V&)",
    "copy(double*, double const*, unsigned long)",
    "copy(V&, V const&)",
    "dotprod(double const*, double const*, unsigned long)",
    "dotprod(V const&, V const&)",
    "norm2(double const*, unsigned long)",
    "norm2(V const&)",
    "norminf(double const*, unsigned long)",
    "norminf(V const&)",
    "norminf(DenseMatrix const&)",
    "solvAssert(bool, char const*)",
    "gaxpy(double, DenseMatrix const&, V const&, double, V&)",
    "gaxpy(double, SparseMatrix const&, V const&, double, V&)",
    "tr_gaxpy(double, DenseMatrix const&, V const&, double, V&)",
    "tr_gaxpy(double, SparseMatrix const&, V const&, double, V&)",
    "matvec(ResultIterator, DenseMatrix const&, V const&)",
    "matvec(ResultIterator, DenseMatrix const&, V const&, V const&)",
    "matvec(ResultIterator, SparseMatrix const&, V const&)",
    "matvec(ResultIterator, SparseMatrix const&, V const&, V const&)",
    "tr_matvec(ResultIterator, DenseMatrix const&, V const&)",
    "tr_matvec(ResultIterator, SparseMatrix const&, V const&)",
    "vertcat(DenseMatrix&, DenseMatrix const&, DenseMatrix const&)",
    "vertcat(SparseMatrix&, SparseMatrix const&, SparseMatrix const&)",
    "vertcat(double const*, long, double const*, long, double*, long)",
    "matmult(DenseMatrix&, DenseMatrix const&, DenseMatrix const&, bool, bool)",
    "matmult_syrk(DenseMatrix&, DenseMatrix const&, bool)",
    "denseMatTimesVec(double, double*, double, double const*, double const*, long, long, bool)",
    "matVecPlusVec(double*, double const*, double const*, double const*, long, long, bool)",
    "denseMatrixMultiply(double*, double const*, double const*, long, long, long, bool, bool)",
    "denseMatrixMultiplySyrk(double*, double const*, long, long, bool, bool)",
    "sym_gaxpy(double, DenseMatrix const&, V const&, double, V&, bool)",
    "sym_matvec(ResultIterator, DenseMatrix const&, V const&)",
    "sym_matvec(ResultIterator, DenseMatrix const&, V const&, V const&)",
    "sym_norminf(DenseMatrix const&)",
    "sym_copy(DenseMatrix&, DenseMatrix const&)",
    "sym_kktcat(DenseMatrix&, DenseMatrix const&, DenseMatrix const&, bool)",
    "denseSymMatTimesVec(double, double*, double, double const*, double const*, long, bool)",
    "matSymVecPlusVec(double*, double const*, double const*, double const*, long)",
    "matSymCopy(double*, double const*, long)",
    "symKKTCat(double*, long, double const*, long, double const*, long, long, bool)",
    "printIterativeDisplay(SolverName, bool, bool, unsigned long, ...)",
    "printPreprocessorDisplay(SolverName, unsigned long, unsigned long, unsigned long, long)",
    "presolve::constrImpliedBoundaries(int, std::unique_ptr<kxArray, "
    "kxarray::kxDestroy_deleter>*, int, kxArray const**)",
    "presolve::getNNZcounts(int, std::unique_ptr<kxArray, kxarray::kxDestroy_deleter>*, int, "
    "kxArray const**)",
    "kxArrayPrint(char const*, kxArray const*)"};

// The plain-C entry points, unmangled.
const char* const kPlain[] = {
    "instantiateRngSolv",   "getRngStateSolv",       "setRngStateSolv",
    "deleteRngStateSolv",   "deleteRngSolv",         "getRandUniformSolv",
    "ioFlushSolv",          "kxMallocExSolv",        "kxFreeExSolv",
    "assertSolv",           "emulateCtrlC",          "LBInitialize_solvutil",
    "LBTerminate_solvutil", "printIterativeDisplay", "printPreprocessorDisplay"};

// Class members that must be among the exports (prefixes of demangled names).
const char* const kMembers[] = {
    "solvutil::DynamicRegSolver::factor(DenseMatrix&, unsigned long, solvutil::DynamicRegParams&)",
    "solvutil::DynamicRegSolver::solve(DenseMatrix const&, unsigned long, double*)",
    "solvutil::DynamicRegSolver::solve(DenseMatrix const&, unsigned long, V&)",
    "solvutil::DynamicRegSolver::fullColLDL2_(",
    "solvutil::DynamicRegSolver::partialColLDL3_(",
    "solvutil::DynamicRegParams::RP_DEFAULT",
    "solvutil::DynamicRegParams::RD_DEFAULT",
    "IEqnSolverLDL::rank(long&)",
    "EqnSolverSparseLDL::EqnSolverSparseLDL(double)",
    "EqnSolverSparseLDL::factor(long, long, double*, long*, long*, long)",
    "LinearConstraint::_createBoundAndFixedConstraints()",
    "LinearConstraint::_setindexLB(",
    "OPTMatrix<double>::_getStaticCounterReference()",
    "OPTMatrix<double>::_getBufferAddress()",
    "OPTMatrix<double>::absmax(",
    "OPTMatrix<double>::operator*(",
    "OPTMatrix<double>::operator-(",
    "OPTMatrix<double>::operator=("};
const char* const kVtables[] = {"DenseMatrix",     "SparseMatrix",       "IEqnSolver",
                                "IEqnSolverLDL",   "EqnSolverSparseLDL", "IoptLinearConstraint",
                                "LinearConstraint"};

// What C++ needs for the promised classes; sanitizer builds add their ODR indicators.
const std::regex kClassPart(
    R"(^(vtable for |typeinfo for |typeinfo name for |guard variable for )?)"
    R"((DenseMatrix|SparseMatrix|IEqnSolver|IEqnSolverLDL|EqnSolverSparseLDL|)"
    R"(IoptLinearConstraint|LinearConstraint|OPTMatrix<double>|solvutil::DynamicRegSolver|)"
    R"(solvutil::DynamicRegParams|solvutil::algorithmNames|std::exception\*$)(::|\[|$))"
    R"(|^__odr_asan[._]|^guard variable for std::.* getDisplayHeaders)");
const std::regex kLayoutGetter(R"(^.*\* get(DisplayHeaders|ColumnWidths|ColumnTypes|)"
                               R"(ColumnPrecisions)<\(SolverName\)[0-9]>\(\)$)");

std::string abbreviated(const std::string& name) {
    static const std::regex vec(R"(std::vector<double, aligned_allocator<double> >)");
    return std::regex_replace(name, vec, "V");
}

// The bucket of one export: "" for a class part or a standard-library template instance
// (clang exports weak ones whose arguments are all standard types), "layout" for a layout
// getter, else the name with "V" abbreviated, which must be a promised function.
std::string classify(char type, const std::string& name) {
    if (std::regex_search(name, kLayoutGetter)) return "layout";
    if (std::regex_search(name, kClassPart)) return "";
    if ((type == 'W' || type == 'V') && name.starts_with("std::") && name.find('<') != name.npos)
        return "";
    return abbreviated(name);
}

}  // namespace

TEST(ExportedSurface, ExactlyThePromisedNames) {
    FILE* pipe = popen("nm -D --defined-only -C '" SOLVUTIL_LIBRARY_FILE "'", "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> functions, all;
    int layouts = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {  // "<address> <type> <name>\n"
        const std::string s(line, std::strlen(line) - 1);
        const auto blank = s.find(' ');
        if (blank == s.npos || s.size() < blank + 3) continue;
        const std::string name = s.substr(blank + 3), bucket = classify(s[blank + 1], name);
        all.insert(abbreviated(name));
        layouts += bucket == "layout";
        if (!bucket.empty() && bucket != "layout") functions.insert(bucket);
    }
    pclose(pipe);
    std::set<std::string> promised = kFunctions;
    promised.insert(std::begin(kPlain), std::end(kPlain));
    for (const auto& f : promised) EXPECT_TRUE(functions.count(f)) << "not exported: " << f;
    for (const auto& f : functions) EXPECT_TRUE(promised.count(f)) << "unexpected export: " << f;
    EXPECT_EQ(layouts, 40);  // four getters for each of the ten SolverName values
    for (const std::string vtable : kVtables)
        EXPECT_TRUE(all.count("vtable for " + vtable)) << vtable;
    for (const std::string member : kMembers)
        EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                                [&](const std::string& n) { return n.starts_with(member); }))
            << "not exported: " << member;
    // Names a leaky build would export fall into no allowed bucket.
    for (const char* foreign : {"dgemm_", "hostio::uout()", "typeinfo for ResultIterator",
                                "aligned_allocator<double>::allocate(unsigned long)",
                                "std::vector<double, std::allocator<double> >::size() const"})
        EXPECT_EQ(classify('T', foreign), foreign);
}
