// Host errors: kxErrMsgIdAndTxt formats the text and throws a kaldor::UserError.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "kaldor/user_error.hpp"

namespace hostcore {
IUserException::~IUserException() = default;
}  // namespace hostcore

namespace kaldor {

UserError::UserError(std::string identifier, std::string text)
    : identifier_(std::move(identifier)), text_(std::move(text)) {}

UserError::~UserError() = default;

const char* UserError::what() const noexcept {
    return text_.c_str();
}
const std::string& UserError::getMessageId() const noexcept {
    return identifier_;
}
const std::string& UserError::getMessageText() const noexcept {
    return text_;
}

}  // namespace kaldor

void kxErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    throw kaldor::UserError(identifier, std::move(text));
}
