#pragma once
// Deterministic mutations of MPS files for the fuzz test: truncation, garbage bytes, huge and
// non-finite numbers, structural damage, over-long names and lines, sections the reader
// must refuse, compression.
#include <cstdint>
#include <string>
#include <vector>

namespace lpsolve_test {

struct MpsSample {
    std::string name;
    std::string text;
};

/// The *.mps files of `dirs`, sorted by name, at most `maxBytes` each.
std::vector<MpsSample> loadMpsSamples(const std::vector<std::string>& dirs, std::size_t maxBytes);

struct FuzzedFile {
    std::string bytes;
    std::string recipe;             ///< sample and mutations, for the report
    std::vector<std::string> args;  ///< options to run it with (besides --quiet)
};

/// File number `index` of the run with `seed`: the same pair always gives the same file.
FuzzedFile fuzzMps(const std::vector<MpsSample>& samples, std::uint64_t seed, std::uint64_t index);

}  // namespace lpsolve_test
