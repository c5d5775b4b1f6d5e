#pragma once
// ResultIterator: where a matvec-style kernel writes its result. It is made from an
// iterator into a std::vector<double, A> of any allocator A (so the destination may be
// a slice of a longer vector); the kernel writes exactly as many consecutive values as
// the operation produces and never resizes the vector.
#include <iterator>
#include <memory>
#include <type_traits>

class ResultIterator {
public:
    template <std::contiguous_iterator It>
    requires std::is_same_v < std::iter_value_t<It>,
    double > &&(!std::is_const_v<std::remove_reference_t<std::iter_reference_t<It>>>)
                 ResultIterator(It it)
        : ptr_(std::to_address(it)) {}  // NOLINT: implicit by design

    double* get() const noexcept { return ptr_; }

private:
    double* ptr_;
};
