// Fuzz: the program on mutated sample files ends every run with a documented exit code and,
// when not 0, a message on stderr; never by a signal, never with a sanitizer report.
// LPSOLVE_FUZZ_COUNT (default 300) and LPSOLVE_FUZZ_SEED (default 1) choose the files;
// LPSOLVE_FUZZ_BINARY runs another build of the program; failing files are kept in the
// test's temporary directory.
// The mutations: truncation, garbage bytes, huge and non-finite numbers, structural damage,
// over-long names and lines, sections the reader must refuse, compression.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

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

struct MpsSample {
    std::string name;
    std::string text;
};

struct FuzzedFile {
    std::string bytes;
    std::string recipe;             ///< sample and mutations, for the report
    std::vector<std::string> args;  ///< options to run it with (besides --quiet)
};

using Lines = std::vector<std::string>;
using Rng = std::mt19937_64;

std::size_t pick(Rng& rng, std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
}
template <class T, std::size_t N>
const T& pickOf(Rng& rng, const T (&items)[N]) {
    return items[pick(rng, N)];
}

Lines split(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string join(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// [begin, end) of the whitespace-separated tokens of a line.
std::vector<std::pair<std::size_t, std::size_t>> tokens(const std::string& line) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
        out.emplace_back(i, j);
        i = j;
    }
    return out;
}

bool isNumber(const std::string& s) {
    return !s.empty() && (std::isdigit(static_cast<unsigned char>(s[0])) || s[0] == '-' ||
                          s[0] == '+' || s[0] == '.');
}

std::string gzip(const std::string& text) {
    z_stream z{};
    std::string out(text.size() + 1024, '\0');
    deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string bzip2(const std::string& text) {
    std::string out(text.size() + text.size() / 50 + 1024, '\0');
    auto length = static_cast<unsigned>(out.size());
    BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(text.data()),
                             static_cast<unsigned>(text.size()), 9, 0, 0);
    out.resize(length);
    return out;
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

void mutate(Rng& rng, Lines& lines, std::string& recipe) {
    if (lines.empty()) lines.push_back("NAME");
    const std::size_t at = pick(rng, lines.size());
    std::string& line = lines[at];
    const auto t = tokens(line);
    const auto tokenAt =
        t.empty() ? std::pair<std::size_t, std::size_t>{0, 0} : t[pick(rng, t.size())];
    const std::string where = " line " + std::to_string(at + 1);
    const std::size_t kind = pick(rng, 18);  // numbers reach the solver: a third of the time
    switch (kind >= 13 ? 0 : kind) {
        case 0: {  // a weird number for a numeric token (or any token)
            std::size_t k = pick(rng, t.size());
            for (std::size_t n = 0; n < t.size(); ++n) {
                const auto [b, e] = t[(k + n) % std::max<std::size_t>(t.size(), 1)];
                if (isNumber(line.substr(b, e - b))) {
                    k = (k + n) % t.size();
                    break;
                }
            }
            const std::string number = pickOf(rng, kNumbers);
            if (!t.empty()) line.replace(t[k].first, t[k].second - t[k].first, number);
            recipe += " number " + number + where;
            break;
        }
        case 1:
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            recipe += " delete" + where;
            break;
        case 2:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
            recipe += " duplicate" + where;
            break;
        case 3: {  // delete a section header
            const auto isHeader = [](const std::string& l) {
                return !l.empty() && l[0] != ' ' && l[0] != '*';
            };
            const auto header = std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(at),
                                             lines.end(), isHeader);
            if (header != lines.end()) lines.erase(header);
            recipe += " delete header after" + where;
            break;
        }
        case 4:
            if (t.size() >= 2) {
                const std::size_t k = pick(rng, t.size() - 1);
                const std::string a = line.substr(t[k].first, t[k].second - t[k].first);
                const std::string b = line.substr(t[k + 1].first, t[k + 1].second - t[k + 1].first);
                line = line.substr(0, t[k].first) + b +
                       line.substr(t[k].second, t[k + 1].first - t[k].second) + a +
                       line.substr(t[k + 1].second);
            }
            recipe += " swap fields" + where;
            break;
        case 5:
            std::swap(line, lines[pick(rng, lines.size())]);
            recipe += " swap lines" + where;
            break;
        case 6: {  // an over-long name
            const std::size_t n = pickOf(rng, kLengths) % 2000;
            line.replace(tokenAt.first, tokenAt.second - tokenAt.first, std::string(n, 'N'));
            recipe += " name of " + std::to_string(n) + where;
            break;
        }
        case 7: {  // an over-long line
            const std::size_t n = pickOf(rng, kLengths);
            line += std::string(n, pick(rng, 2) ? ' ' : 'L') + "1";
            recipe += " line +" + std::to_string(n) + where;
            break;
        }
        case 8:
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), pickOf(rng, kInserts));
            recipe += " insert '" + lines[at] + "'" + where;
            break;
        case 9:  // lower case or indentation
            if (pick(rng, 2)) {
                for (char& c : line) {
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
                recipe += " lower" + where;
            } else {
                line = (pick(rng, 2) ? "  " : "\t") + line;
                recipe += " indent" + where;
            }
            break;
        case 10:  // tabs for blanks
            for (char& c : line) c = c == ' ' && pick(rng, 2) ? '\t' : c;
            recipe += " tabs" + where;
            break;
        case 11: {  // printable garbage
            std::string junk(1 + pick(rng, 12), ' ');
            for (char& c : junk) c = static_cast<char>(33 + pick(rng, 94));
            line.insert(pick(rng, line.size() + 1), junk);
            recipe += " junk" + where;
            break;
        }
        default:
            line += "\r";
            recipe += " CR" + where;
            break;
    }
}

std::vector<MpsSample> loadMpsSamples(const std::vector<std::string>& dirs, std::size_t maxBytes) {
    std::vector<MpsSample> samples;
    for (const auto& dir : dirs) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() != ".mps" || entry.file_size() > maxBytes) continue;
            std::stringstream text;
            text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            samples.push_back({entry.path().filename().string(), text.str()});
        }
    }
    std::sort(samples.begin(), samples.end(),
              [](const MpsSample& a, const MpsSample& b) { return a.name < b.name; });
    return samples;
}

FuzzedFile fuzzMps(const std::vector<MpsSample>& samples, std::uint64_t seed, std::uint64_t index) {
    Rng rng(seed * 0x9E3779B97F4A7C15ull + index);
    FuzzedFile f;
    if (samples.empty()) return f;
    const MpsSample& sample = samples[pick(rng, samples.size())];
    f.recipe = sample.name + ":";
    Lines lines = split(sample.text);
    const std::size_t mutations = 1 + pick(rng, 3);
    for (std::size_t k = 0; k < mutations; ++k) mutate(rng, lines, f.recipe);
    f.bytes = join(lines);
    switch (pick(rng, 10)) {  // byte-level damage, then sometimes compression
        case 0:
            f.bytes.resize(pick(rng, f.bytes.size() + 1));
            f.recipe += " truncated";
            break;
        case 1:
            for (std::size_t k = 1 + pick(rng, 8); k > 0 && !f.bytes.empty(); --k)
                f.bytes[pick(rng, f.bytes.size())] = static_cast<char>(pick(rng, 256));
            f.recipe += " garbage bytes";
            break;
        default:
            break;
    }
    const std::size_t compression = pick(rng, 12);
    if (compression == 0) f.bytes = gzip(f.bytes), f.recipe += " gzip";
    if (compression == 1) f.bytes = bzip2(f.bytes), f.recipe += " bzip2";
    if (compression == 2 && !f.bytes.empty()) {
        f.bytes = gzip(f.bytes);
        f.bytes.resize(pick(rng, f.bytes.size()));
        f.recipe += " gzip truncated";
    }
    const char* const options[] = {"", "--dense", "--sparse", "--no-presolve"};
    f.args = {"--max-iter", std::to_string(5 + pick(rng, 20))};
    if (const std::string o = pickOf(rng, options); !o.empty()) f.args.push_back(o);
    return f;
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
