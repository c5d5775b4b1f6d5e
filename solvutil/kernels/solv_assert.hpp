#pragma once
#include "solvutil/solvutil_export.hpp"

/// The library's check-and-fail routine. When `condition` is false it prints `message`
/// on the host console (no newline added) and raises the host error
/// "solv:solvPlugError:unhandledError" with `message` as its text; it then never returns.
/// `message` must be a plain literal without printf directives.
SOLVUTIL_API void solvAssert(bool condition, const char* message);
