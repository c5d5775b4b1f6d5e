// Fuzz: the program on mutated sample files ends every run with a documented exit code and,
// when not 0, a message on stderr; never by a signal, never with a sanitizer report.
// LPSOLVE_FUZZ_COUNT (default 300) and LPSOLVE_FUZZ_SEED (default 1) choose the files;
// LPSOLVE_FUZZ_BINARY runs another build of the program; failing files are kept in the
// test's temporary directory.
// The mutations: truncation, garbage bytes, huge and non-finite numbers, structural damage,
// over-long names and lines, sections the reader must refuse, compression.
#include <bzlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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
    switch (const std::size_t kind = pick(rng, 17); kind < 5 ? 0 : kind) {
        case 0: {  // numbers reach the solver: kinds 0 to 4, a third of the time
            const std::string number = pickOf(rng, kNumbers);
            line.replace(b, n, number);
            recipe += " number " + number;
            break;
        }
        case 5:
            lines.erase(it), recipe += " delete";
            break;
        case 6:
            lines.insert(it, line), recipe += " duplicate";
            break;
        case 7: {  // the next section header goes
            const auto header = std::find_if(it, lines.end(), [](const std::string& l) {
                return !l.empty() && l[0] != ' ' && l[0] != '*';
            });
            if (header != lines.end()) lines.erase(header);
            recipe += " delete header";
            break;
        }
        case 8:
            std::swap(line, lines[pick(rng, lines.size())]), recipe += " swap lines";
            break;
        case 9: {
            const std::size_t length = pickOf(rng, kLengths) % 2000;
            line.replace(b, n, std::string(length, 'N'));
            recipe += " name of " + std::to_string(length);
            break;
        }
        case 10: {
            const std::size_t length = pickOf(rng, kLengths);
            line += std::string(length, pick(rng, 2) ? ' ' : 'L') + "1";
            recipe += " line +" + std::to_string(length);
            break;
        }
        case 11:
            recipe += " insert '" + *lines.insert(it, pickOf(rng, kInserts)) + "'";
            break;
        case 12:
            for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            recipe += " lower";
            break;
        case 13:
            line = (pick(rng, 2) ? "  " : "\t") + line, recipe += " indent";
            break;
        case 14:
            for (char& c : line) c = c == ' ' && pick(rng, 2) ? '\t' : c;
            recipe += " tabs";
            break;
        case 15: {
            std::string junk(1 + pick(rng, 12), ' ');
            for (char& c : junk) c = static_cast<char>(33 + pick(rng, 94));
            line.insert(pick(rng, line.size() + 1), junk), recipe += " junk";
            break;
        }
        default:
            line += "\r", recipe += " CR";
    }
}

// File `index` of `seed`: a sample with 1 to 3 mutations, sometimes damaged bytes and
// compression; `recipe` says what was done.
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
    if (damage == 0) bytes.resize(pick(rng, bytes.size() + 1)), recipe += " truncated";
    if (damage == 1) recipe += " garbage bytes";
    for (std::size_t k = damage == 1 ? 1 + pick(rng, 8) : 0; k > 0 && !bytes.empty(); --k)
        bytes[pick(rng, bytes.size())] = static_cast<char>(pick(rng, 256));
    if (compression == 0 || compression == 2) bytes = gzip(bytes), recipe += " gzip";
    if (compression == 2) bytes.resize(pick(rng, bytes.size())), recipe += " truncated";
    if (compression == 1) {
        auto length = static_cast<unsigned>(bytes.size() + bytes.size() / 50 + 1024);
        std::string out(length, '\0');
        BZ2_bzBuffToBuffCompress(out.data(), &length, bytes.data(),
                                 static_cast<unsigned>(bytes.size()), 9, 0, 0);
        bytes = out.substr(0, length), recipe += " bzip2";
    }
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
    std::map<std::string, int> histogram;
    Rng rng;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string recipe;
        const std::string bytes = fuzzMps(samples, seed, i, rng, recipe);
        writeFile(file, bytes);
        std::vector<std::string> args{"--quiet", "--max-iter", std::to_string(5 + pick(rng, 20))};
        if (const std::string o = pickOf(rng, options); !o.empty()) args.push_back(o);
        args.push_back(file);
        const ProgramRun r = runProgram(binary != nullptr ? binary : LPSOLVE_BINARY, args, 120.0);
        const std::string what = fault(r);
        ++histogram[what.empty() ? "exit " + std::to_string(r.exitCode) : what];
        if (what.empty()) continue;
        const std::string kept =
            tempPath("fuzz_fail_" + std::to_string(seed) + "_" + std::to_string(i) + ".mps");
        writeFile(kept, bytes);
        ADD_FAILURE() << what << " on file " << i << " of seed " << seed << " (" << recipe
                      << "), kept as " << kept << "\n"
                      << r.err.substr(0, 2000);
    }
    std::remove(file.c_str());
    std::string summary = std::to_string(count) + " files, seed " + std::to_string(seed) + ":";
    for (const auto& [outcome, n] : histogram) summary += " [" + outcome + "] " + std::to_string(n);
    std::printf("%s\n", summary.c_str());
}

}  // namespace
