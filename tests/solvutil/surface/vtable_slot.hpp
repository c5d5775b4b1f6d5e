#pragma once
// vtableSlot(&Class::f): the slot that virtual function f occupies in Class's vtable,
// read from the Itanium C++ ABI representation of a pointer to member function
// (for a virtual function: 1 + the slot's byte offset in the vtable). -1 when f is
// not virtual.
#include <cstddef>
#include <cstdint>
#include <cstring>

template <class PMF>
std::ptrdiff_t vtableSlot(PMF pmf) {
    struct Representation {
        std::uintptr_t ptr;
        std::ptrdiff_t adjust;
    };
    static_assert(sizeof(PMF) == sizeof(Representation), "Itanium ABI member pointer expected");
    Representation r{};
    std::memcpy(&r, &pmf, sizeof r);
    if ((r.ptr & 1u) == 0) return -1;
    return static_cast<std::ptrdiff_t>((r.ptr - 1) / sizeof(void*));
}

/// Byte offset of a member inside an object (works for classes with virtual functions,
/// where offsetof is not guaranteed).
#define MEMBER_OFFSET(object, member) \
    (reinterpret_cast<const char*>(&(object).member) - reinterpret_cast<const char*>(&(object)))
