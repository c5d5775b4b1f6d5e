#pragma once
// Shared helpers of the lpsolve tests: Clp as the oracle, file paths, random models and
// their dense recomputation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/lp_model.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace lpsolve_test {

using lpsolve::kInf;

inline std::string sampleFile(const std::string& name) { return std::string(LPSOLVE_SAMPLE_DIR) + "/" + name; }
inline std::string dataFile(const std::string& name) { return std::string(LPSOLVE_TEST_DATA) + "/" + name; }

/// Standard output of a shell command; `status` gets its wait status.
inline std::string runCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) out += buffer.data();
    const int s = pclose(pipe);
    if (status != nullptr) *status = s;
    return out;
}

enum class ClpStatus { Optimal, PrimalInfeasible, DualInfeasible, Other };
struct ClpVerdict { ClpStatus status = ClpStatus::Other; double objective = 0.0; std::string output; };

inline bool clpAvailable() { return std::system("command -v clp >/dev/null 2>&1") == 0; }

/// Clp's dual simplex on `file`; its final line reads "<Status> objective <value> - ...".
inline ClpVerdict runClp(const std::string& file) {
    ClpVerdict v;
    v.output = runCommand("clp '" + file + "' -dualsimplex 2>&1");
    std::istringstream lines(v.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string status, word;
        double value = 0.0;
        if (!(words >> status >> word >> value) || word != "objective") continue;
        const char* const names[] = {"Optimal", "PrimalInfeasible", "DualInfeasible"};
        for (int k = 0; k < 3; ++k)
            if (status == names[k]) v.status = static_cast<ClpStatus>(k), v.objective = value;
    }
    return v;
}

/// Runs `f` and expects an LpError with `code` whose text contains each of `words`.
template <class F>
void expectLpError(F&& f, lpsolve::ExitCode code, std::initializer_list<std::string> words = {}) {
    try {
        f();
        ADD_FAILURE() << "no LpError was thrown";
    } catch (const lpsolve::LpError& e) {
        EXPECT_EQ(e.code(), code) << e.what();
        for (const auto& w : words) EXPECT_NE(std::string(e.what()).find(w), std::string::npos) << w << ": " << e.what();
    }
}

/// m x n model, about `density` of the entries stored, from std::mt19937. Column bounds
/// cycle through free, lower only, upper only, boxed, fixed; rows through equality, <=,
/// >=, ranged, free.
inline lpsolve::LpModel randomLp(std::mt19937& rng, std::size_t m, std::size_t n, double density = 0.4) {
    std::uniform_real_distribution<double> value(-2.0, 2.0), unit(0.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 4);
    lpsolve::LpModel lp;
    lp.name = "RANDOM";
    lp.A.rows = m;
    lp.A.cols = n;
    lp.A.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i)
            if (unit(rng) < density) lp.A.rowIndex.push_back(i), lp.A.value.push_back(value(rng));
        lp.A.colStart.push_back(lp.A.rowIndex.size());
        lp.objective.push_back(value(rng));
        const double lo = value(rng), up = lo + 1.0 + unit(rng);
        const int k = kind(rng);
        lp.colLower.push_back(k == 0 || k == 2 ? -kInf : lo);
        lp.colUpper.push_back(k == 0 || k == 1 ? kInf : k == 3 ? up : lo);
    }
    for (std::size_t i = 0; i < m; ++i) {
        const double lo = value(rng), up = lo + 1.0 + unit(rng);
        const int k = kind(rng);
        lp.rowLower.push_back(k == 1 || k == 4 ? -kInf : lo);
        lp.rowUpper.push_back(k == 2 || k == 4 ? kInf : k == 3 ? up : lo);
    }
    lp.objectiveConstant = value(rng);
    return lp;
}

/// A random point; fixed columns at their value, as every transformation assumes.
inline std::vector<double> randomPoint(std::mt19937& rng, const lpsolve::LpModel& lp) {
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    std::vector<double> x(lp.numCols());
    for (std::size_t j = 0; j < x.size(); ++j) x[j] = lp.colLower[j] == lp.colUpper[j] ? lp.colLower[j] : value(rng);
    return x;
}

/// The compressed-column form of a dense column-major m x n array, and back.
inline lpsolve::CscMatrix fromDense(std::size_t m, std::size_t n, const std::vector<double>& a) {
    lpsolve::CscMatrix A{m, n, {0}, {}, {}};
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i)
            if (a[i + j * m] != 0.0) A.rowIndex.push_back(i), A.value.push_back(a[i + j * m]);
        A.colStart.push_back(A.rowIndex.size());
    }
    return A;
}

inline std::vector<double> dense(const lpsolve::CscMatrix& A) {
    std::vector<double> d(A.rows * A.cols, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j)
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) d[A.rowIndex[k] + j * A.rows] += A.value[k];
    return d;
}

/// Dense recomputation of A x.
inline std::vector<double> denseProduct(const lpsolve::CscMatrix& A, const std::vector<double>& x) {
    const auto d = dense(A);
    std::vector<double> ax(A.rows, 0.0);
    for (std::size_t i = 0; i < A.rows; ++i)
        for (std::size_t j = 0; j < A.cols; ++j) ax[i] += d[i + j * A.rows] * x[j];
    return ax;
}

}  // namespace lpsolve_test
