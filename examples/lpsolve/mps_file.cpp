#include "examples/lpsolve/mps_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "examples/lpsolve/lp_error.hpp"

namespace lpsolve {
namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw LpError(ExitCode::BadInput, "cannot read '" + path + "': " + why);
}

}  // namespace

MpsFile::MpsFile(const std::string& path) : path_(path) {
    // stat first: opening a FIFO would block, and a directory opens without complaint.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) refuse(path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) refuse(path, "it is a directory, not an MPS file");
    if (!S_ISREG(st.st_mode)) refuse(path, "it is not a regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) refuse(path, std::strerror(errno));
    unsigned char magic[3] = {0, 0, 0};
    const ssize_t got = ::pread(fd, magic, sizeof magic, 0);
    if (got >= 2 && magic[0] == 0x1f && magic[1] == 0x8b) {
        gz_ = gzdopen(fd, "rb");
        if (gz_ == nullptr) ::close(fd), refuse(path, "cannot open the gzip stream");
        return;
    }
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) ::close(fd), refuse(path, std::strerror(errno));
    if (got == 3 && magic[0] == 'B' && magic[1] == 'Z' && magic[2] == 'h') {
        int error = BZ_OK;
        bz_ = BZ2_bzReadOpen(&error, file_, 0, 0, nullptr, 0);
        if (error != BZ_OK) {
            if (bz_ != nullptr) BZ2_bzReadClose(&error, bz_);
            bz_ = nullptr;
            std::fclose(file_);
            refuse(path, "cannot open the bzip2 stream");
        }
    }
}

MpsFile::~MpsFile() {
    if (gz_ != nullptr) gzclose(gz_);
    if (bz_ != nullptr) {
        int error = BZ_OK;
        BZ2_bzReadClose(&error, bz_);
    }
    if (file_ != nullptr) std::fclose(file_);
}

void MpsFile::damaged() const {
    refuse(path_, std::string("damaged ") + compression() + " data");
}

std::size_t MpsFile::read(char* buffer, std::size_t size) {
    const int chunk = static_cast<int>(size < INT_MAX ? size : INT_MAX);
    if (gz_ != nullptr) {
        const int got = gzread(gz_, buffer, static_cast<unsigned>(chunk));
        int error = Z_OK;
        gzerror(gz_, &error);
        if (got < 0 || (error != Z_OK && error != Z_STREAM_END)) damaged();
        return static_cast<std::size_t>(got);
    }
    if (bz_ != nullptr) {
        // Like CoinUtils, read the first bzip2 stream only.
        if (bzEnded_) return 0;
        int error = BZ_OK;
        const int got = BZ2_bzRead(&error, bz_, buffer, chunk);
        if (error == BZ_STREAM_END)
            bzEnded_ = true;
        else if (error != BZ_OK)
            damaged();
        return static_cast<std::size_t>(got);
    }
    const std::size_t got = std::fread(buffer, 1, size, file_);
    if (got == 0 && std::ferror(file_)) refuse(path_, std::strerror(errno));
    return got;
}

}  // namespace lpsolve
