#pragma once
// The value the constraint layer returns when there is nothing to measure
// (internal to libsolvutil).
#include <bit>
#include <cstdint>

namespace solvutil::constraints {

/// Quiet NaN with the sign bit set: absmax's "no entry found" and maxConstrViolation's
/// "no constraint rows". The callers compare bit patterns, so the sign is part of it.
inline constexpr double kNotFound = std::bit_cast<double>(std::uint64_t{0xFFF8000000000000ULL});

}  // namespace solvutil::constraints
