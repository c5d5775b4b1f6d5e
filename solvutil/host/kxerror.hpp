#pragma once
// Host errors: kxErrMsgIdAndTxt raises a host error, which reaches C++ callers as an
// exception derived from hostcore::IUserException carrying an identifier and a text.
#include <exception>
#include <string>

#include "solvutil/host/host_api.hpp"

namespace hostcore {

/// Base of every error the host raises. The identifier has the form
/// "component:group:name" (for example "solv:solvPlugError:unhandledError").
class KALDOR_API IUserException : public std::exception {
public:
    ~IUserException() override;
    /// Message identifier, a narrow string.
    virtual const std::string& getMessageId() const noexcept = 0;
    /// Message text after formatting.
    virtual const std::string& getMessageText() const noexcept = 0;
};

}  // namespace hostcore

/// Raises the host error `identifier` with the printf-style text `format`; never returns.
[[noreturn]] KALDOR_API void kxErrMsgIdAndTxt(const char* identifier, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
