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

// One random change to a line of `lines` (or to their order), described in `recipe`.
void mutate(Rng& rng, std::vector<std::string>& lines, std::string& recipe) {
    if (lines.empty()) lines.emplace_back("NAME");
    const std::size_t at = pick(rng, lines.size());
    std::string& line = lines[at];
    std::vector<std::pair<std::size_t, std::size_t>> tokens, numbers;  // (begin, length)
    for (std::size_t b = line.find_first_not_of(" \t"); b != std::string::npos;) {
        const std::size_t e = std::min(line.find_first_of(" \t", b), line.size());
        tokens.emplace_back(b, e - b);
        if (std::isdigit(static_cast<unsigned char>(line[b])) || line[b] == '-' || line[b] == '.')
            numbers.emplace_back(b, e - b);
        b = line.find_first_not_of(" \t", e);
    }
    const auto& pool = numbers.empty() ? tokens : numbers;
    const auto [b, n] =
        pool.empty() ? std::pair<std::size_t, std::size_t>{0, 0} : pool[pick(rng, pool.size())];
    const auto it = lines.begin() + static_cast<std::ptrdiff_t>(at);
    recipe += " line " + std::to_string(at + 1) + ":";
    const std::size_t length = pickOf(rng, kLengths);
    switch (const std::size_t kind = pick(rng, 13); kind < 5 ? 0 : kind) {
        case 0: {  // numbers reach the solver: kinds 0 to 4
            const std::string number = pickOf(rng, kNumbers);
            line.replace(b, n, number);
            recipe += " number " + number;
            break;
        }
        case 5:
            lines.erase(it);
            recipe += " delete";
            break;
        case 6:
            lines.insert(it, line);
            recipe += " duplicate";
            break;
        case 7:
            std::swap(line, lines[pick(rng, lines.size())]);
            recipe += " swap lines";
            break;
        case 8:
            line.replace(b, n, std::string(length % 2000, 'N'));
            recipe += " name of " + std::to_string(length % 2000);
            break;
        case 9:
            line += std::string(length, pick(rng, 2) ? ' ' : 'L') + "1";
            recipe += " line +" + std::to_string(length);
            break;
        case 10:
            recipe += " insert '" + *lines.insert(it, pickOf(rng, kInserts)) + "'";
            break;
        case 11:
            for (char& c : line) c = c == ' ' && pick(rng, 2) ? '\t' : c;
            recipe += " tabs";
            break;
        default:
            line += "\r";
            recipe += " CR";
    }
}

// File `index` of `seed`: a sample with 1 to 3 mutations, sometimes truncated, damaged
// bytes or gzip-compressed; `recipe` says what was done.
std::string fuzzMps(const std::vector<std::pair<std::string, std::string>>& samples,
                    std::uint64_t seed, std::uint64_t index, Rng& rng, std::string& recipe) {
    rng.seed(seed * 0x9E3779B97F4A7C15ull + index);
    const auto& [name, text] = samples[pick(rng, samples.size())];
    recipe = name + ":";
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (std::size_t k = 1 + pick(rng, 3); k > 0; --k) mutate(rng, lines, recipe);
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\n";
    const std::size_t damage = pick(rng, 10), compression = pick(rng, 12);
    if (damage == 0) bytes.resize(pick(rng, bytes.size() + 1));
    for (std::size_t k = damage == 1 ? 1 + pick(rng, 8) : 0; k > 0 && !bytes.empty(); --k)
        bytes[pick(rng, bytes.size())] = static_cast<char>(pick(rng, 256));
    if (compression < 2) bytes = gzip(bytes);
    if (compression == 1) bytes.resize(pick(rng, bytes.size()));
    recipe += " damage " + std::to_string(damage) + " compression " + std::to_string(compression);
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
    std::vector<std::pair<std::string, std::string>> samples;  // (name, text), by name
    for (const char* dir : {LPSOLVE_SAMPLE_DIR, LPSOLVE_TEST_DATA}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".mps" || entry.file_size() > 150000) continue;
            std::stringstream text;
            text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            samples.emplace_back(entry.path().filename().string(), text.str());
        }
    }
    std::sort(samples.begin(), samples.end());
    ASSERT_GE(samples.size(), 5u);
    const std::uint64_t count = fromEnv("LPSOLVE_FUZZ_COUNT", 300);
    const std::uint64_t seed = fromEnv("LPSOLVE_FUZZ_SEED", 1);
    const char* binary = std::getenv("LPSOLVE_FUZZ_BINARY");
    const std::string file = tempPath("fuzz.mps");
    const char* const options[] = {"", "--dense", "--sparse", "--no-presolve"};
    Rng rng;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string recipe;
        const std::string bytes = fuzzMps(samples, seed, i, rng, recipe);
        writeFile(file, bytes);
        std::vector<std::string> args{"--quiet", "--max-iter", std::to_string(5 + pick(rng, 20))};
        if (const std::string o = pickOf(rng, options); !o.empty()) args.push_back(o);
        args.push_back(file);
        const ProgramRun r = runProgram(binary != nullptr ? binary : LPSOLVE_BINARY, args, 120.0);
        if (const std::string what = fault(r); !what.empty()) {
            const std::string kept = tempPath("fuzz_fail_" + std::to_string(i) + ".mps");
            writeFile(kept, bytes);
            ADD_FAILURE() << what << " on " << kept << " (" << recipe << ")\n" << r.err;
        }
    }
    std::remove(file.c_str());
}

}  // namespace
