// The lpsolve program as a user runs it: exit codes, where messages go, and that nothing
// looks like a solution when there is none.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "tests/examples/lpsolve/clp_oracle.hpp"

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out, err;
};

ProgramRun runProgram(const std::string& args) {
    const std::string errFile = ::testing::TempDir() + "lpsolve_stderr.txt";
    const std::string command = std::string(LPSOLVE_BINARY) + " " + args + " 2>" + errFile;
    ProgramRun r;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) r.out += buffer.data();
    const int status = pclose(pipe);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    std::stringstream ss;
    ss << err.rdbuf();
    r.err = ss.str();
    std::remove(errFile.c_str());
    return r;
}

TEST(Program, SolvesAfiroAndPrintsTheTableAndSummary) {
    const ProgramRun r = runProgram(lpsolve_test::sampleFile("afiro.mps"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const char* expected : {"Iter", "Status:", "optimal", "Objective:", "Iterations:",
                                 "Max violation:", "Time:", "LP preprocessing removed"}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << " missing in\n" << r.out;
    }
    const ProgramRun quiet = runProgram("--quiet " + lpsolve_test::sampleFile("afiro.mps"));
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out.find("Iter "), std::string::npos) << quiet.out;
    EXPECT_NE(quiet.out.find("Objective:"), std::string::npos);
}

TEST(Program, FailuresExitNonZeroWithAMessageAndNoSolution) {
    struct Case {
        std::string args;
        int code;
        const char* words;
    };
    const Case cases[] = {
        {lpsolve_test::dataFile("no-such-problem.mps"), 2, "no-such-problem.mps"},
        {lpsolve_test::sampleFile("galenet.mps"), 3, "infeasible"},
        {lpsolve_test::dataFile("infeasible.mps"), 3, "infeasible"},
        {lpsolve_test::dataFile("unbounded.mps"), 4, "unbounded"},
        {lpsolve_test::sampleFile("share2qp.mps"), 2, "quadratic"},
        {"--tol -1 " + lpsolve_test::sampleFile("afiro.mps"), 1, "--tol"},
        {"--frobnicate " + lpsolve_test::sampleFile("afiro.mps"), 1, "--frobnicate"},
        {"", 1, "no MPS file"},
        {"--max-iter 2 " + lpsolve_test::sampleFile("afiro.mps"), 6, "iteration limit"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = runProgram(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.out.find("Objective:"), std::string::npos) << c.args << ": " << r.out;
        EXPECT_EQ(r.out.find("optimal"), std::string::npos) << c.args << ": " << r.out;
    }
}

}  // namespace
