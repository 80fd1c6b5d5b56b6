#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {

void write_file_atomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw std::runtime_error(path + ": cannot create: " + std::strerror(errno));
    const auto fail = [&](const char* what) {
        const int error = errno;
        close(fd);
        unlink(temporary.c_str());
        throw std::runtime_error(path + ": cannot " + what + ": " + std::strerror(error));
    };
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("write");
        written += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; the result is an ordinary file.
    if (fchmod(fd, 0644) != 0 || fsync(fd) != 0) fail("write");
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw std::runtime_error(path + ": cannot write: " + std::strerror(error));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw std::runtime_error(path + ": cannot replace: " + std::strerror(error));
    }
}

}  // namespace tools
