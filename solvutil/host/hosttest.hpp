#pragma once
// Host test hooks: named exception testers that emulate events such as a user interrupt.
//
// Calling order: read ExceptionTester::staticTesterMode (atomically; -1 means the hooks
// are off), CreateTesterByName, then GetTesterByName, then act on the tester found.
#include <string>

#include "solvutil/host/host_api.hpp"

namespace hosttest {

class KALDOR_API ExceptionTester {
public:
    /// Test-hook mode of the process; -1 means off. Read and write it atomically
    /// (std::atomic_ref): the host may change it from another thread.
    static int staticTesterMode;

    explicit ExceptionTester(std::string name);
    virtual ~ExceptionTester();
    ExceptionTester(const ExceptionTester&) = delete;
    ExceptionTester& operator=(const ExceptionTester&) = delete;

    const std::string& name() const noexcept { return name_; }

    /// Raises the host's user interrupt (Ctrl-C) as if the user had pressed it.
    virtual void emulateCtrlC();

private:
    std::string name_;
};

/// Creates the tester called `name` if the host knows a tester of that name and it does
/// not exist yet; otherwise does nothing. `context` and `options` may be null.
KALDOR_API void CreateTesterByName(const void* context, const void* options, const char* name);

/// The tester called `name`, or null when none exists. The host owns it.
KALDOR_API ExceptionTester* GetTesterByName(const void* context, const void* options,
                                            const char* name);

}  // namespace hosttest
