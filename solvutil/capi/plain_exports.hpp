#pragma once
// Plain-symbol utility entry points for callers that cannot use the C++ interfaces:
// a Mersenne Twister generator with savable state, forwarders to the host allocator and
// console, an interrupt-emulation test hook and the library's load/unload entry points.
// None of them reports an error. The unmangled names (most ending in Solv) and the
// RngState record are fixed by the binary interface.
#include <cstddef>
#include <cstdint>

#include "solvutil/solvutil_export.hpp"

struct kxArray;

/// Saved generator state, exactly 2500 bytes with no header: the 624 state words in
/// native byte order and generator order, then the position (0 to 624).
struct RngState {
    std::uint32_t state[624];
    std::uint32_t position;
};
static_assert(sizeof(RngState) == 2500, "RngState is a fixed 2500-byte record");
static_assert(offsetof(RngState, position) == 2496, "position follows the 624 words");

extern "C" {

/// New generator seeded with `seed` (an opaque handle to a host mt19937ar). Owned by
/// the caller; release it with deleteRngSolv.
SOLVUTIL_API void* instantiateRngSolv(std::uint32_t seed);

/// New record holding a copy of the generator's state words and position. Owned by the
/// caller; release it with deleteRngStateSolv.
SOLVUTIL_API RngState* getRngStateSolv(void* rng);

/// Copies `state` into the generator, unless all 624 words are zero or the position is
/// above 624: such a record is ignored silently.
SOLVUTIL_API void setRngStateSolv(void* rng, const RngState* state);

/// Frees a record from getRngStateSolv; null is ignored.
SOLVUTIL_API void deleteRngStateSolv(RngState* state);

/// Destroys a generator from instantiateRngSolv; null is ignored.
SOLVUTIL_API void deleteRngSolv(void* rng);

/// Writes `count` doubles uniform in [0, 1) to `*destination` (`count` elements of
/// caller storage; the pointer itself is read from the address given). The count and
/// element types are those of mt19937ar::fillUniform.
SOLVUTIL_API void getRandUniformSolv(void* rng, std::size_t count, double** destination);

/// Makes pending host console output visible.
SOLVUTIL_API void ioFlushSolv();

/// Host allocation of `bytes` (null on failure); free with kxFreeExSolv.
SOLVUTIL_API void* kxMallocExSolv(std::size_t bytes);

/// Frees host memory; null is ignored.
SOLVUTIL_API void kxFreeExSolv(void* p);

/// Kept for callers of the plain-symbol interface; returns at once and checks nothing.
/// The arguments mirror solvAssert (condition, message) and are not used.
SOLVUTIL_API void assertSolv(int condition, const char* message);

/// Test hook: when the host's tester mode is on, creates the tester `name` and has it
/// emulate a user interrupt; otherwise, or when no such tester exists, does nothing.
SOLVUTIL_API void emulateCtrlC(const char* name);

/// Called by the host when it loads the library; does nothing.
SOLVUTIL_API void LBInitialize_solvutil();

/// Called by the host before it unloads the library; does nothing.
SOLVUTIL_API void LBTerminate_solvutil();

}  // extern "C"

/// Prints `array` under `name` on the host console (hostio::legacy::ioPrintMatrix).
SOLVUTIL_API void kxArrayPrint(const char* name, const kxArray* array);
