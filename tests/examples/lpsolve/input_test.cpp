// The program against hostile files and options: each case once misbehaved (a crash, a
// silent misreading, a meaningless option accepted, an unhelpful message).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/mps_reader.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using lpsolve_test::runProgram;
using lpsolve_test::tempPath;
using lpsolve_test::writeFile;

// max/min 2x + y s.t. x + y <= 4 (row LIM), x <= 3: optimum 7 at (3, 1) when maximized.
// `head` goes after NAME, `tail` before ENDATA; `xName` names the column x.
std::string lp(const std::string& head = "", const std::string& tail = "",
               const std::string& xName = "X", const std::string& nameLine = "NAME          T") {
    return nameLine + "\n" + head + "ROWS\n N  OBJ\n L  LIM\nCOLUMNS\n    " + xName +
           "  OBJ  2  LIM  1\n    Y  OBJ  1  LIM  1\nRHS\n    RHS  LIM  4\nBOUNDS\n UP BND  " +
           xName + "  3\n" + tail + "ENDATA\n";
}

std::string gzip(const std::string& text) {
    z_stream z{};
    std::string out(text.size() + 1024, '\0');
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

double objectiveOf(const std::string& out) {
    const auto at = out.find("Objective:");
    return at == std::string::npos ? NAN : std::stod(out.substr(at + 10));
}

TEST(HostileInput, EveryCaseEndsWithItsExitCodeAndAMessage) {
    const std::string file = tempPath("input.mps"), dir = ::testing::TempDir();
    const std::string qp = lp("OBJSENSE\n    MAX\n", "QUADOBJ\n    X  X  -1\n");
    std::string manyErrors = "NAME  T\nROWS\n N  OBJ\nCOLUMNS\n";
    for (int k = 0; k < 300; ++k) manyErrors += "    X         NOROW     1\n";
    manyErrors += "ENDATA\n";
    const std::string noRhsValue =
        "NAME          T\nROWS\n N  OBJ\n L  LIM\nCOLUMNS\n"
        "    X         OBJ          1.0\nRHS\n    RHS       LIMITROW9\nENDATA\n";
    const struct {
        std::string bytes;  // written to `file` unless empty
        std::vector<std::string> args;
        int code;
        const char* words;  // on stderr, or the objective ("=7") on success
    } cases[] = {
        {lp("", "", std::string(160, 'x')), {}, 2, "160 characters"},
        {lp("", "", std::string(164, 'x')), {}, 2, "164 characters"},
        {lp("", "* " + std::string(5 << 20, 'c') + "\n"), {}, 2, "characters (at most 512)"},
        {gzip(qp), {}, 0, "=4.5"},  // x = 1, y = 3
        {lp("OBJSENSE\n    MAX\n", "QUADOBJ\n    X  X  1\n"), {}, 7, "not convex"},
        {lp("", "  QUADOBJ\n    X  X  1\n"), {}, 2, "quadratic"},
        {lp("", "quadobj\n    X  X  1\n"), {}, 2, "quadratic"},
        {lp("", "CSECTION  K1  0.0  QUAD\n    X\n"), {}, 2, "conic"},
        {lp("OBJSENSE\n    MAX\n"), {}, 0, "=7"},
        {lp("OBJSENSE    MAXIMIZE\n"), {}, 0, "=7"},
        {lp("", "", "X", "NAME          T  MAX"), {}, 0, "=7"},
        {gzip(lp("OBJSENSE\n    MAX\n")), {}, 0, "=7"},
        {lp("OBJSENSE\n    MIN\n"), {}, 0, "=0"},
        {lp("OBJSENSE\n    UPWARDS\n"), {}, 2, "OBJSENSE"},
        {manyErrors, {}, 2, "No match for row NOROW at line 5"},
        {manyErrors, {"--verbose"}, 2, "CoinMpsIO: No match for row NOROW at line 5"},
        {lp("", "    S1  SOS  'MARKER'  'SOSORG'\n"), {}, 2, "special ordered sets"},
        {noRhsValue, {}, 2, "column 15"},  // once a null pointer
        {lp("", " UP BND\tY\t" + std::string(90, '1') + "\n"), {}, 2, "tabs"},
        {std::string("NAME\0\x01\x02\xff", 8), {}, 2, "binary file"},
        {"", {dir}, 2, "directory"},
        {lp(), {"--tol", "inf"}, 1, "--tol"},
        {lp(), {"--tol", "1e400"}, 1, "--tol"},
        {lp(), {"--tol", "0.5"}, 1, "--tol"},
        {lp(), {"--max-iter", "1e30"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "inf"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "2e19"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "0.5"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "3.7"}, 1, "--max-iter"},
        {lp(), {"--max-iter", "0"}, 1, "--max-iter"},
        {lp(), {"--kkt", "cholesky"}, 1, "--kkt needs one of"},
        {lp(), {"--kkt", "normal", "--sparse"}, 1, "do not go with --kkt normal"},
    };
    for (const auto& c : cases) {
        if (!c.bytes.empty()) writeFile(file, c.bytes);
        std::vector<std::string> args = c.args;
        if (!c.bytes.empty()) args.push_back(file);
        const bool quiet = args[0] != "--verbose";
        if (quiet)
            args.insert(args.begin(), "--quiet");
        else
            args.erase(args.begin());
        const auto r = runProgram(LPSOLVE_BINARY, args);
        const std::string what = c.bytes.substr(0, 60) + " " + (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(r.exitCode, c.code) << what << "\n" << r.err;
        if (c.words[0] == '=') {
            EXPECT_NEAR(objectiveOf(r.out), std::stod(c.words + 1), 1e-6) << what << r.out;
        } else {
            EXPECT_NE(r.err.find(c.words), std::string::npos) << what << ": " << r.err;
            EXPECT_EQ(r.err.find("errors)"), std::string::npos) << r.err;
            EXPECT_TRUE(!quiet || r.err.find("CoinMpsIO: ") == std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << what;  // CoinMpsIO's notes do not reach stdout
        }
    }
    std::remove(file.c_str());
}

// Bounds, right-hand sides and ranges of magnitude >= 1e20 are infinite; a maximization
// arrives as the minimization of the negated objective and constant.
TEST(HostileInput, ReaderMakesBigBoundsInfiniteAndNegatesAMaximization) {
    const std::string file = tempPath("bounds.mps");
    writeFile(file,
              "NAME  B\nOBJSENSE\n    MAX\nROWS\n N  OBJ\n L  R1\n G  R2\n E  R3\n L  R4\n"
              "COLUMNS\n    X  OBJ  2  R1  1\n    X  R2  1  R3  1\n    Y  R4  1\n"
              "RHS\n    RHS  R1  1e20  R2  -1e21\n    RHS  R4  9.9e19  OBJ  5\n"
              "RANGES\n    RNG  R3  1e20\nBOUNDS\n UP BND  X  1e20\n LO BND  X  -1e20\n"
              " UP BND  Y  -2e20\nENDATA\n");
    const lpsolve::LpModel m = lpsolve::readMps(file, true);
    std::remove(file.c_str());
    const double inf = lpsolve::kInf;
    EXPECT_TRUE(m.maximize);
    EXPECT_EQ(m.objective, (std::vector<double>{-2.0, -0.0}));
    EXPECT_EQ(m.objectiveConstant, 5.0);  // max 2x - 5 is min -2x + 5
    EXPECT_EQ(m.colLower, (std::vector<double>{-inf, -inf}));
    EXPECT_EQ(m.colUpper, (std::vector<double>{inf, -inf}));
    EXPECT_EQ(m.rowLower, (std::vector<double>{-inf, -inf, 0.0, -inf}));
    EXPECT_EQ(m.rowUpper, (std::vector<double>{inf, inf, inf, 9.9e19}));
}

}  // namespace
