#pragma once
// aligned_allocator<T>: the library's allocator. Every block comes from the host
// allocator (kxMallocExCheck never returns null, so there is no failure path here) and
// goes back with kxFreeEx. Alignment is the host allocator's.
//
// Fixed by the binary interface: the name is part of every exported vector signature
// (std::vector<double, aligned_allocator<double>>), although the allocator itself aligns
// nothing beyond what the host allocator gives.
#include <cstddef>
#include <vector>

#include "solvutil/host/kxmemory.hpp"

template <class T>
struct aligned_allocator {
    using value_type = T;

    aligned_allocator() noexcept = default;
    template <class U>
    aligned_allocator(const aligned_allocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(kxMallocExCheck(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { kxFreeEx(p); }

    template <class U>
    bool operator==(const aligned_allocator<U>&) const noexcept {
        return true;
    }
};

/// The aligned double vector on which the kernels and solvers work.
using AlignedVector = std::vector<double, aligned_allocator<double>>;
/// Unsigned 64-bit indices (the regularized-pivot list of DynamicRegSolver).
using AlignedIndexVector = std::vector<unsigned long, aligned_allocator<unsigned long>>;
