#include "atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "text_spelling.h"

namespace tools {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what, int error_number)
{
    throw std::runtime_error(spelled_text(path) + ": " + what + ": " + std::system_category().message(error_number));
}

// Ctrl-C, a hang-up or a kill that comes while the file is written takes
// effect once it is whole (or given up), so no part file stays behind.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal_number);
        pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t before_;
};

// The half-written file beside the final one; removed unless it was renamed
// into place.
class PartFile {
public:
    explicit PartFile(const std::string& path) : path_(path)
    {
        const std::filesystem::path final_path(path);
        const std::string name = final_path.filename().string();
        if (name.empty() || name == "." || name == "..")
            throw std::runtime_error(spelled_text(path) + ": cannot create: names a folder, not a file");
        // Hidden and unique to this process and call, so that a reader of the
        // folder never takes it for a finished file and concurrent writers
        // never share one.
        static std::atomic<unsigned> serial{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string part_name =
                "." + name + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
            part_path_ = (final_path.parent_path() / part_name).string();
            fd_ = ::open(part_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) return;
            if (errno != EEXIST) break;
        }
        part_path_.clear();
        fail(path, "cannot create", errno);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    ~PartFile()
    {
        if (fd_ >= 0) ::close(fd_);
        if (!part_path_.empty()) ::unlink(part_path_.c_str());
    }

    void write_all(std::span<const std::uint8_t> bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail(path_, "cannot write", errno);
            done += static_cast<std::size_t>(n);
        }
    }

    void rename_into_place()
    {
        // Flushed to the disk before the rename, so that a crash cannot leave
        // an empty file under the final name.
        if (::fsync(fd_) != 0) fail(path_, "cannot write", errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(path_, "cannot write", errno);
        if (::rename(part_path_.c_str(), path_.c_str()) != 0) fail(path_, "cannot replace", errno);
        part_path_.clear();
    }

private:
    std::string path_;
    std::string part_path_;
    int fd_ = -1;
};

}  // namespace

void write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const SignalsHeld held;
    PartFile part(path);
    part.write_all(bytes);
    part.rename_into_place();
}

}  // namespace tools
