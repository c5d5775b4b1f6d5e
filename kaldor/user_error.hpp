#pragma once
// The concrete host error thrown by kxErrMsgIdAndTxt and by the stand-in's components.
#include <string>

#include "solvutil/host/kxerror.hpp"

namespace kaldor {

class KALDOR_API UserError : public hostcore::IUserException {
public:
    UserError(std::string identifier, std::string text);
    ~UserError() override;
    const char* what() const noexcept override;
    const std::string& getMessageId() const noexcept override;
    const std::string& getMessageText() const noexcept override;

private:
    std::string identifier_;
    std::string text_;
};

}  // namespace kaldor
