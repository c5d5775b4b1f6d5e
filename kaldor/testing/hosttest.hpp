#pragma once
// Stand-in-only control of the host test hooks, for tests and examples.
//
// The stand-in creates a tester only for a name that was declared with declareTester.
// A tester's emulateCtrlC raises the host's user interrupt, which the stand-in records:
// interruptCount() grows by one and lastInterruptSource() names the tester.
#include <cstddef>
#include <string>

#include "solvutil/host/host_api.hpp"

namespace kaldor::testing {

/// Stores `mode` into hosttest::ExceptionTester::staticTesterMode (release); -1 is off.
KALDOR_API void setTesterMode(int mode);

/// Lets hosttest::CreateTesterByName create a tester called `name`.
KALDOR_API void declareTester(const std::string& name);

/// Destroys every tester and forgets every declared name.
KALDOR_API void resetTesters();

/// Number of host user interrupts raised since the process started.
KALDOR_API std::size_t interruptCount();

/// Name of the tester that raised the latest interrupt ("" before the first).
KALDOR_API std::string lastInterruptSource();

}  // namespace kaldor::testing
