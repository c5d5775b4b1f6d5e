#pragma once
// Host message catalog: localized texts identified by a catalog name and a key, with
// ordered arguments filled into the text.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "solvutil/host/host_api.hpp"

namespace hostmsg {

/// One message argument: a signed or unsigned 64-bit integer, narrow text or UTF-16 text.
using MsgArg = std::variant<std::int64_t, std::uint64_t, std::string, std::u16string>;

/// Identifies one message: its ordered arguments, its catalog ("component:area") and key.
class KALDOR_API BaseMsgID {
public:
    BaseMsgID(std::vector<MsgArg> arguments, std::string catalog, std::string key);
    ~BaseMsgID();
    BaseMsgID(const BaseMsgID&);
    BaseMsgID& operator=(const BaseMsgID&);

    const std::vector<MsgArg>& arguments() const noexcept { return arguments_; }
    const std::string& catalog() const noexcept { return catalog_; }
    const std::string& key() const noexcept { return key_; }

private:
    std::vector<MsgArg> arguments_;
    std::string catalog_;
    std::string key_;
};

/// The locale messages are looked up in.
class KALDOR_API KdLocale {
public:
    explicit KdLocale(std::string name);
    /// The process-wide current locale.
    static const KdLocale& global();
    const std::string& name() const noexcept { return name_; }

private:
    std::string name_;
};

class KALDOR_API MessageCatalog {
public:
    /// The text of `id` in `locale`, with the arguments filled in order. Throws a
    /// hostcore::IUserException when the catalog or the key is unknown.
    static std::u16string get_message(const BaseMsgID& id, const KdLocale& locale);
};

/// Narrow (UTF-8) text to UTF-16.
KALDOR_API std::u16string to_ustring(const char* text);
KALDOR_API std::u16string to_ustring(const std::string& text);
/// UTF-16 text to narrow (UTF-8) text.
KALDOR_API std::string to_string(const std::u16string& text);

}  // namespace hostmsg
