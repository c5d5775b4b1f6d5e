#pragma once
// Host allocator. All working storage of the library comes from here.
#include <cstddef>

#include "solvutil/host/host_api.hpp"

/// Allocates `bytes`; never returns null (failure raises a host error).
KALDOR_API void* kxMallocExCheck(std::size_t bytes);
/// Allocates `bytes`; returns null on failure.
KALDOR_API void* kxMallocEx(std::size_t bytes);
/// Frees a block from either allocation call; null is ignored. Never throws.
KALDOR_API void kxFreeEx(void* p) noexcept;
