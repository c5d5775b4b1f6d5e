// Fuzz: the program on mutated sample files ends every run with a documented exit code and,
// when not 0, a message on stderr; never by a signal, never with a sanitizer report.
// LPSOLVE_FUZZ_COUNT (default 300) and LPSOLVE_FUZZ_SEED (default 1) choose the files;
// LPSOLVE_FUZZ_BINARY runs another build of the program; failing files are kept in the
// test's temporary directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tests/examples/lpsolve/mps_fuzz.hpp"
#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;

std::uint64_t fromEnv(const char* name, std::uint64_t fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::strtoull(v, nullptr, 10) : fallback;
}

// What must not happen in a run, or "" when nothing did.
std::string fault(const ProgramRun& r) {
    if (r.timedOut) return "timed out";
    if (r.signal != 0) return "signal " + std::to_string(r.signal);
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:", "Sanitizer"})
        if (r.err.find(report) != std::string::npos) return std::string("sanitizer: ") + report;
    if (r.exitCode < 0 || r.exitCode > 7) return "exit code " + std::to_string(r.exitCode);
    if (r.exitCode != 0 && r.err.find("lpsolve: ") == std::string::npos) return "no message";
    return "";
}

TEST(Fuzz, EveryRunEndsWithADocumentedExitCodeAndAMessage) {
    const auto samples = loadMpsSamples({LPSOLVE_SAMPLE_DIR, LPSOLVE_TEST_DATA}, 150000);
    ASSERT_GE(samples.size(), 5u);
    const std::uint64_t count = fromEnv("LPSOLVE_FUZZ_COUNT", 300);
    const std::uint64_t seed = fromEnv("LPSOLVE_FUZZ_SEED", 1);
    const char* binary = std::getenv("LPSOLVE_FUZZ_BINARY");
    if (binary == nullptr) binary = LPSOLVE_BINARY;
    const std::string file = tempPath("fuzz.mps");
    std::map<std::string, int> histogram;
    int faults = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const FuzzedFile f = fuzzMps(samples, seed, i);
        writeFile(file, f.bytes);
        std::vector<std::string> args = f.args;
        args.insert(args.begin(), "--quiet");
        args.push_back(file);
        const ProgramRun r = runProgram(binary, args, 120.0);
        const std::string what = fault(r);
        ++histogram[what.empty() ? "exit " + std::to_string(r.exitCode) : what];
        if (what.empty()) continue;
        const std::string kept =
            tempPath("fuzz_fail_" + std::to_string(seed) + "_" + std::to_string(i) + ".mps");
        writeFile(kept, f.bytes);
        ADD_FAILURE() << what << " on file " << i << " of seed " << seed << " (" << f.recipe
                      << "), kept as " << kept << "\n"
                      << r.err.substr(0, 2000);
        ++faults;
    }
    std::remove(file.c_str());
    std::string summary = std::to_string(count) + " files, seed " + std::to_string(seed) + ":";
    for (const auto& [outcome, n] : histogram) summary += " [" + outcome + "] " + std::to_string(n);
    std::printf("%s\n", summary.c_str());
    RecordProperty("histogram", summary);
    EXPECT_EQ(faults, 0);
}

}  // namespace
