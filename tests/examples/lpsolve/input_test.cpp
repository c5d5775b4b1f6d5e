// The program against hostile files and options, and its exit codes: each case once
// misbehaved (a crash, a silent misreading, a meaningless option accepted, an unhelpful
// message) or is a documented failure.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;

// max/min 2x + y s.t. x + y <= 4 (row LIM), x <= 3: optimum 7 at (3, 1) when maximized.
// `head` goes after NAME, `tail` before ENDATA; `xName` names the column x.
std::string lp(const std::string& head = "", const std::string& tail = "",
               const std::string& xName = "X", const std::string& nameLine = "NAME          T") {
    return nameLine + "\n" + head + "ROWS\n N  OBJ\n L  LIM\nCOLUMNS\n    " + xName +
           "  OBJ  2  LIM  1\n    Y  OBJ  1  LIM  1\nRHS\n    RHS  LIM  4\nBOUNDS\n UP BND  " +
           xName + "  3\n" + tail + "ENDATA\n";
}

// `text` with its first `from` replaced by `to`.
std::string with(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

double objectiveOf(const std::string& out) {
    const auto at = out.find("Objective:");
    return at == std::string::npos ? NAN : std::stod(out.substr(at + 10));
}

TEST(HostileInput, EveryCaseEndsWithItsExitCodeAndAMessage) {
    const std::string file = tempPath("input.mps"), dir = ::testing::TempDir();
    const std::string sample = std::string(LPSOLVE_SAMPLE_DIR) + "/",
                      data = std::string(LPSOLVE_TEST_DATA) + "/", max = "OBJSENSE\n    MAX\n";
    std::string manyErrors = "NAME  T\nROWS\n N  OBJ\nCOLUMNS\n";
    for (int k = 0; k < 300; ++k) manyErrors += "    X         NOROW     1\n";
    manyErrors += "ENDATA\n";
    const std::string noRhsValue = with(lp(), "    RHS  LIM  4", "    RHS       LIMITROW9");
    const std::string qpRay =
        " MI BND  X\n MI BND  Y\nQUADOBJ\n    X  X  1\n    X  Y  -1\n    Y  Y  1\n";
    const struct {
        std::string bytes;  // written to `file` (appended to the arguments) unless empty
        std::vector<std::string> args;
        int code;
        const char* words;  // on stderr, or the objective ("=7") on success
    } cases[] = {
        {lp("", "", std::string(160, 'x')), {}, 2, "160 characters"},
        {lp("", "", std::string(164, 'x')), {}, 2, "164 characters"},
        {lp("", "* " + std::string(5 << 20, 'c') + "\n"), {}, 2, "characters (at most 512)"},
        {gzip(lp(max, "QUADOBJ\n    X  X  -1\n")), {}, 0, "=4.5"},  // x = 1, y = 3
        {lp(max, "QUADOBJ\n    X  X  1\n"), {}, 7, "not convex"},
        {lp("", "QUADOBJ\n    X  X  1\n    X  Y  2\n    Y  Y  1\n"), {"--sparse"}, 7, "not convex"},
        {lp("", qpRay), {"--dense"}, 4, "unbounded"},  // along (-1, -1): A d < 0, Q d = 0
        {lp("", qpRay), {"--sparse"}, 4, "unbounded"},
        {lp("", "  QUADOBJ\n    X  X  1\n"), {}, 2, "quadratic"},
        {lp("", "quadobj\n    X  X  1\n"), {}, 2, "quadratic"},
        {lp("", "CSECTION  K1  0.0  QUAD\n    X\n"), {}, 2, "conic"},
        {lp(max), {}, 0, "=7"},
        {lp("OBJSENSE    MAXIMIZE\n"), {}, 0, "=7"},
        {lp("", "", "X", "NAME          T  MAX"), {}, 0, "=7"},
        {gzip(lp(max)), {}, 0, "=7"},
        {lp("OBJSENSE\n    MIN\n"), {}, 0, "=0"},
        {lp("OBJSENSE\n    UPWARDS\n"), {}, 2, "OBJSENSE"},
        // Magnitudes from 1e20 up are infinite, in bounds and right-hand sides alike.
        {with(lp(max), "LIM  4", "LIM  1e20"), {}, 4, "unbounded"},
        {with(with(lp(max), "X  3", "X  1e20\n UP BND  Y  1"), "LIM  4", "LIM  1e21"),
         {},
         4,
         "unbounded"},
        {manyErrors, {}, 2, "No match for row NOROW at line 5"},
        {manyErrors, {"--verbose"}, 2, "CoinMpsIO: No match for row NOROW at line 5"},
        {lp("", "    S1  SOS  'MARKER'  'SOSORG'\n"), {}, 2, "special ordered sets"},
        {noRhsValue, {}, 2, "column 15"},  // once a null pointer
        {lp("", " UP BND\tY\t" + std::string(90, '1') + "\n"), {}, 2, "tabs"},
        {std::string("NAME\0\x01\x02\xff", 8), {}, 2, "binary file"},
        {"this is not\nan MPS file at all\n", {}, 2, "MPS"},
        {"", {dir}, 2, "directory"},
        {"", {data + "no-such-problem.mps"}, 2, "no-such-problem.mps"},
        {"", {sample + "galenet.mps"}, 3, "infeasible"},
        {"", {data + "infeasible.mps"}, 3, "infeasible"},
        {"", {data + "unbounded.mps"}, 4, "unbounded"},
        {"", {"--max-iter", "2", sample + "afiro.mps"}, 6, "iteration limit"},
        {"", {}, 1, "no MPS file"},
        {lp(), {"--frobnicate"}, 1, "--frobnicate"},
        {lp(), {"--tol", "inf"}, 1, "--tol"},
        {lp(), {"--tol", "1e400"}, 1, "--tol"},
        {lp(), {"--tol", "0.5"}, 1, "--tol"},
        {lp(), {"--max-iter", "1e30"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "inf"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "2e19"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "0.5"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "3.7"}, 1, "--max-iter"},
        {lp(), {"--kkt", "cholesky"}, 1, "--kkt needs one of"},
        {lp(), {"--kkt", "normal", "--sparse"}, 1, "do not go with --kkt normal"},
    };
    for (const auto& c : cases) {
        if (!c.bytes.empty()) writeFile(file, c.bytes);
        std::vector<std::string> args = c.args;
        if (!c.bytes.empty()) args.push_back(file);
        const bool quiet = args.empty() || args[0] != "--verbose";
        if (quiet)
            args.insert(args.begin(), "--quiet");
        else
            args.erase(args.begin());
        const auto r = runProgram(LPSOLVE_BINARY, args);
        const std::string what = c.bytes.substr(0, 60) + " " + (args.size() > 1 ? args[1] : "");
        EXPECT_EQ(r.exitCode, c.code) << what << "\n" << r.err;
        if (c.words[0] == '=') {
            const double want = std::stod(c.words + 1);
            EXPECT_NEAR(objectiveOf(r.out), want, 1e-6 * std::max(1.0, want)) << what << r.out;
            EXPECT_EQ(r.out.find("Iter "), std::string::npos) << r.out;  // no table
        } else {
            EXPECT_NE(r.err.find(c.words), std::string::npos) << what << ": " << r.err;
            EXPECT_EQ(r.err.find("errors)"), std::string::npos) << r.err;
            EXPECT_TRUE(!quiet || r.err.find("CoinMpsIO: ") == std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << what;  // no solution, and CoinMpsIO's notes not on stdout
        }
    }
    std::remove(file.c_str());
}

}  // namespace
