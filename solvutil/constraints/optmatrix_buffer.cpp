#include "solvutil/constraints/optmatrix_buffer.hpp"

#include "solvutil/host/kxarray.hpp"

namespace optmatrix_detail {

OPTMatrix<double>* acquireBufferEntry(OPTMatrixBuffer& buffer, std::size_t m, std::size_t n) {
    if (buffer.entries == nullptr) buffer.entries = new std::vector<OPTMatrix<double>*>();
    // Capacity is judged on the entry's current shape, which an earlier reuse may have
    // shrunk, not on the size its array was created with.
    for (std::size_t examined = 0; examined < buffer.count; ++examined) {
        OPTMatrix<double>* entry = (*buffer.entries)[buffer.next];
        buffer.next = (buffer.next + 1) % buffer.count;
        if (*entry->_useCount == 0 && entry->_rows * entry->_cols >= m * n) {
            entry->_rows = m;
            entry->_cols = n;
            kxSetM(entry->_array, m);
            kxSetN(entry->_array, n);
            return entry;
        }
    }
    // None fits: a new entry with an array of its own. The cursor stays where it is.
    auto* entry = new OPTMatrix<double>(m, n, false);
    buffer.entries->push_back(entry);
    ++buffer.count;
    return entry;
}

}  // namespace optmatrix_detail
