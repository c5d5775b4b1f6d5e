#pragma once
// The bytes of an MPS file as CoinMpsIO would see them: plain text, or the text inside a
// gzip or bzip2 file (recognised, as CoinUtils does, by the first bytes, not the name).
#include <bzlib.h>
#include <zlib.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace lpsolve {

class MpsFile {
public:
    /// Opens `path`. Throws LpError(BadInput) when it is missing, unreadable, a directory or
    /// not a regular file.
    explicit MpsFile(const std::string& path);
    ~MpsFile();
    MpsFile(const MpsFile&) = delete;
    MpsFile& operator=(const MpsFile&) = delete;

    /// Fills `buffer` with up to `size` bytes of text; returns 0 at the end. Throws
    /// LpError(BadInput) on damaged compressed data.
    std::size_t read(char* buffer, std::size_t size);

    /// "plain", "gzip" or "bzip2".
    const char* compression() const { return gz_ ? "gzip" : bz_ ? "bzip2" : "plain"; }
    const std::string& path() const { return path_; }

private:
    [[noreturn]] void damaged() const;

    std::string path_;
    std::FILE* file_ = nullptr;  ///< the plain file, or the bzip2 stream's file
    gzFile gz_ = nullptr;
    BZFILE* bz_ = nullptr;
    bool bzEnded_ = false;
};

}  // namespace lpsolve
