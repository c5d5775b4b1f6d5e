// Fuzz: the program on mutated sample files (numbers, structure, names, line lengths,
// sections the reader must refuse, damaged bytes, compression) ends every run with a
// documented exit code and, when not 0, a message on stderr; never by a signal or with a
// sanitizer report. LPSOLVE_FUZZ_COUNT (default 300) and LPSOLVE_FUZZ_SEED (default 1) choose
// the files, LPSOLVE_FUZZ_BINARY another build of the program; failing files are kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/examples/lpsolve/program_run.hpp"

namespace {

using namespace lpsolve_test;
using Rng = std::mt19937_64;

std::size_t pick(Rng& rng, std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}
template <class T, std::size_t N>
const T& pickOf(Rng& rng, const T (&items)[N]) {
    return items[pick(rng, N)];
}

// clang-format off
const char* const kNumbers[] = {
    "1e400", "-1e400", "nan", "NaN", "inf", "-inf", "Infinity", "1e20", "-1e20", "1e19", "-1e19",
    "9.99e19", "1e25", "1e308", "-1e308", "1.8e308", "1e-320", "4.9e-324", "0", "-0", "1e+",
    "1.2.3", "0x1p3", "99999999999999999999999999", "1e30", "-1e30", "1e-30", "1e9", "-1e-9", "+",
    "-", "1e-400", "1e299", "1e300", "12345678901234567890.5",
};
const char* const kInserts[] = {
    "QUADOBJ", "  QUADOBJ", "quadobj", "QMATRIX", "QSECTION  OBJ", "CSECTION  K  0.0  QUAD",
    "OBJSENSE", "OBJSENSE\n    MAX", "OBJSENSE MAXIMIZE", "OBJSENSE    MIN", "objsense\n  max",
    "SOS", " S1 SOS", "    S1  SOS  'MARKER'  'SOSORG'", "    M  'MARKER'  'INTORG'",
    "    M  'MARKER'  'INTEND'", "    M  'MARKER'  'SOSEND'", "RANGES", "BOUNDS", "RHS",
    "COLUMNS", "ROWS", "ENDATA", "NAME", "NAME  X  FREE", " FR BND  X", " MI BND  X",
    " SC BND  X  5", " BV BND  X", " UP BND", "*", "#", "", " N  OBJ2", " E  R", " X  Y",
};
// clang-format on
const std::size_t kLengths[] = {79,  80,  81,  82,  150, 159, 160, 161,  162,  163,
                                164, 200, 511, 512, 513, 879, 880, 1000, 5000, 100000};

// Where a mutation strikes: line `at` and its token [b, b + n), a number if it holds one.
struct Site {
    std::vector<std::string>& lines;
    std::size_t at, b, n;
    std::string& line() { return lines[at]; }
    auto it() { return lines.begin() + static_cast<std::ptrdiff_t>(at); }
};

using Mutation = void (*)(Rng&, Site&);
const Mutation kMutations[] = {
    [](Rng& r, Site& s) { s.line().replace(s.b, s.n, pickOf(r, kNumbers)); },
    [](Rng&, Site& s) { s.lines.erase(s.it()); },
    [](Rng&, Site& s) { s.lines.insert(s.it(), s.line()); },
    [](Rng& r, Site& s) { std::swap(s.line(), s.lines[pick(r, s.lines.size())]); },
    [](Rng& r, Site& s) { s.line().replace(s.b, s.n, std::string(pickOf(r, kLengths), 'N')); },
    [](Rng& r, Site& s) { s.line() += std::string(pickOf(r, kLengths), ' ') + "1"; },
    [](Rng& r, Site& s) { s.lines.insert(s.it(), pickOf(r, kInserts)); },
    [](Rng& r, Site& s) {
        for (char& c : s.line()) c = c == ' ' && pick(r, 2) ? '\t' : c;
    },
    [](Rng&, Site& s) { s.line() += "\r"; },
};

// One random change to a line of `lines` or to their order; numbers a third of the time.
void mutate(Rng& rng, std::vector<std::string>& lines) {
    if (lines.empty()) lines.emplace_back("NAME");
    Site site{lines, pick(rng, lines.size()), 0, 0};
    const std::string& line = lines[site.at];
    std::vector<std::pair<std::size_t, std::size_t>> tokens, numbers;  // (begin, length)
    for (std::size_t b = line.find_first_not_of(" \t"); b != std::string::npos;) {
        const std::size_t e = std::min(line.find_first_of(" \t", b), line.size());
        tokens.emplace_back(b, e - b);
        if (std::isdigit(static_cast<unsigned char>(line[b])) || line[b] == '-' || line[b] == '.')
            numbers.emplace_back(b, e - b);
        b = line.find_first_not_of(" \t", e);
    }
    const auto& pool = numbers.empty() ? tokens : numbers;
    if (!pool.empty()) std::tie(site.b, site.n) = pool[pick(rng, pool.size())];
    const std::size_t kind = pick(rng, std::size(kMutations) + 4);
    kMutations[kind < 5 ? 0 : kind - 4](rng, site);
}

// File `index` of `seed`: a sample with 1 to 3 mutations, sometimes truncated, damaged
// bytes or gzip-compressed.
std::string fuzzMps(const std::vector<std::string>& samples, std::uint64_t seed,
                    std::uint64_t index, Rng& rng) {
    rng.seed(seed * 0x9E3779B97F4A7C15ull + index);
    std::vector<std::string> lines;
    std::istringstream in(samples[pick(rng, samples.size())]);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (std::size_t k = 1 + pick(rng, 3); k > 0; --k) mutate(rng, lines);
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\n";
    const std::size_t damage = pick(rng, 10), compression = pick(rng, 12);
    if (damage == 0) bytes.resize(pick(rng, bytes.size() + 1));
    for (std::size_t k = damage == 1 ? 1 + pick(rng, 8) : 0; k > 0 && !bytes.empty(); --k)
        bytes[pick(rng, bytes.size())] = static_cast<char>(pick(rng, 256));
    if (compression < 2) bytes = gzip(bytes);
    if (compression == 1) bytes.resize(pick(rng, bytes.size()));
    return bytes;
}

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
    std::vector<std::string> samples;
    for (const char* dir : {LPSOLVE_SAMPLE_DIR, LPSOLVE_TEST_DATA}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".mps" || entry.file_size() > 150000) continue;
            std::stringstream text;
            text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            samples.push_back(text.str());
        }
    }
    std::sort(samples.begin(), samples.end());  // the same files on every machine
    ASSERT_GE(samples.size(), 5u);
    const std::uint64_t count = fromEnv("LPSOLVE_FUZZ_COUNT", 300);
    const std::uint64_t seed = fromEnv("LPSOLVE_FUZZ_SEED", 1);
    const char* binary = std::getenv("LPSOLVE_FUZZ_BINARY");
    const std::string file = tempPath("fuzz.mps");
    const char* const options[] = {"", "--dense", "--sparse", "--no-presolve"};
    Rng rng;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string bytes = fuzzMps(samples, seed, i, rng);
        writeFile(file, bytes);
        std::vector<std::string> args{"--quiet", "--max-iter", std::to_string(5 + pick(rng, 20))};
        if (const std::string o = pickOf(rng, options); !o.empty()) args.push_back(o);
        args.push_back(file);
        const ProgramRun r = runProgram(binary != nullptr ? binary : LPSOLVE_BINARY, args, 120.0);
        if (const std::string what = fault(r); !what.empty()) {
            const std::string kept = tempPath("fuzz_fail_" + std::to_string(i) + ".mps");
            writeFile(kept, bytes);
            ADD_FAILURE() << what << " on " << kept << "\n" << r.err;
        }
    }
    std::remove(file.c_str());
}

}  // namespace
