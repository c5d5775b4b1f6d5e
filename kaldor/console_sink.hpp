#pragma once
// The byte sink behind the stand-in console (private to libkaldor).
#include <cstddef>

namespace kaldor::detail {
/// Appends UTF-8 bytes to the console (standard output, or the active capture).
void writeToConsole(const char* bytes, std::size_t n);
}  // namespace kaldor::detail
