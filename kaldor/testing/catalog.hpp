#pragma once
// Stand-in-only hooks into the message catalog, for tests: count look-ups, make a key
// fail, or give a key another text for a while. Nothing in libsolvutil uses this header.
#include <cstddef>
#include <string>

#include "solvutil/host/host_api.hpp"

namespace kaldor::testing {

/// Calls of hostmsg::MessageCatalog::get_message since the process started (failed
/// ones included), in total or for one key.
KALDOR_API std::size_t catalogLookups();
KALDOR_API std::size_t catalogLookups(const std::string& key);

/// While alive, looking up `key` throws kaldor::UserError "KALDOR:messageCatalog:injectedFailure".
class KALDOR_API ScopedCatalogFailure {
public:
    explicit ScopedCatalogFailure(std::string key);
    ~ScopedCatalogFailure();
    ScopedCatalogFailure(const ScopedCatalogFailure&) = delete;
    ScopedCatalogFailure& operator=(const ScopedCatalogFailure&) = delete;

private:
    std::string key_;
};

/// While alive, `key` has the text `text` (arguments are still filled in).
class KALDOR_API ScopedCatalogText {
public:
    ScopedCatalogText(std::string key, std::u16string text);
    ~ScopedCatalogText();
    ScopedCatalogText(const ScopedCatalogText&) = delete;
    ScopedCatalogText& operator=(const ScopedCatalogText&) = delete;

private:
    std::string key_;
};

}  // namespace kaldor::testing
