#pragma once
// The host error that f raises, as "identifier|text" (hostError) or its identifier alone
// (hostErrorId); "(no error)" when f returns.
#include <functional>
#include <string>

#include "solvutil/host/kxerror.hpp"

inline std::string hostError(const std::function<void()>& f) {
    try {
        f();
    } catch (const hostcore::IUserException& e) {
        return e.getMessageId() + "|" + e.getMessageText();
    }
    return "(no error)";
}

inline std::string hostErrorId(const std::function<void()>& f) {
    const std::string error = hostError(f);
    return error.substr(0, error.find('|'));
}
