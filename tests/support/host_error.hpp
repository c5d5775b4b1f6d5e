#pragma once
// hostErrorId(f): the identifier of the host error that f raises, or "(no error)".
#include <functional>
#include <string>

#include "solvutil/host/kxerror.hpp"

inline std::string hostErrorId(const std::function<void()>& f) {
    try {
        f();
    } catch (const hostcore::IUserException& e) {
        return e.getMessageId();
    }
    return "(no error)";
}
