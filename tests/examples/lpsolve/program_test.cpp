// The lpsolve program as a user runs it: exit codes, where messages go, and that nothing
// looks like a solution when there is none.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "tests/examples/lpsolve/lp_test_support.hpp"

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out, err;
};

ProgramRun runProgram(const std::string& args) {
    // One file per process: ctest runs the cases of this program in parallel.
    const std::string errFile =
        ::testing::TempDir() + "lpsolve_stderr_" + std::to_string(getpid()) + ".txt";
    ProgramRun r;
    int status = -1;
    r.out = lpsolve_test::runCommand(std::string(LPSOLVE_BINARY) + " " + args + " 2>" + errFile, &status);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream err;
    err << std::ifstream(errFile).rdbuf();
    r.err = err.str();
    std::remove(errFile.c_str());
    return r;
}

// A blank line, the presolve summary, the table header, one row per iteration starting
// with its number, then the summary; --quiet drops the table.
TEST(Program, SolvesAfiroAndPrintsTheTableAndSummary) {
    const std::string afiro = lpsolve_test::sampleFile("afiro.mps");
    const ProgramRun r = runProgram(afiro);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    std::vector<std::string> lines;
    std::istringstream text(r.out);
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    std::size_t iterations = 0;
    for (const auto& line : lines) std::sscanf(line.c_str(), "Iterations: %zu", &iterations);
    ASSERT_GT(iterations, 0u) << r.out;
    ASSERT_GE(lines.size(), iterations + 5) << r.out;
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1].rfind("LP preprocessing removed", 0), 0u) << lines[1];
    EXPECT_NE(lines[2].find("Iter"), std::string::npos) << lines[2];
    for (std::size_t k = 0; k <= iterations; ++k) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%5zu  ", k);
        EXPECT_EQ(lines[3 + k].rfind(expected, 0), 0u) << lines[3 + k];
    }
    EXPECT_EQ(lines[iterations + 4], "");
    for (const char* expected : {"Status:        optimal", "Objective:", "Max violation:", "Time:"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " missing in\n" << r.out;
    const ProgramRun quiet = runProgram("--quiet " + afiro);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out.find("Iter "), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("Objective:"), std::string::npos);
}

TEST(Program, FailuresExitNonZeroWithAMessageAndNoSolution) {
    using lpsolve_test::dataFile, lpsolve_test::sampleFile;
    const std::string afiro = sampleFile("afiro.mps"), garbage = ::testing::TempDir() + "lpsolve_garbage_" + std::to_string(getpid()) + ".mps";
    std::ofstream(garbage) << "this is not\nan MPS file at all\n";
    const struct {
        std::string args;
        int code;
        const char* words;
    } cases[] = {
        {dataFile("no-such-problem.mps"), 2, "no-such-problem.mps"}, {sampleFile("galenet.mps"), 3, "infeasible"},
        {dataFile("infeasible.mps"), 3, "infeasible"},              {dataFile("unbounded.mps"), 4, "unbounded"},
        {sampleFile("share2qp.mps"), 2, "quadratic"},                {"--tol -1 " + afiro, 1, "--tol"},
        {"--frobnicate " + afiro, 1, "--frobnicate"},                {"", 1, "no MPS file"},
        {"--max-iter 2 " + afiro, 6, "iteration limit"},            {garbage, 2, "MPS"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = runProgram(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.args << ": " << r.err;
        for (const char* solutionWord : {"Objective:", "optimal"})
            EXPECT_EQ(r.out.find(solutionWord), std::string::npos) << c.args << ": " << r.out;
    }
    std::remove(garbage.c_str());
}

}  // namespace
