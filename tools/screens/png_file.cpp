#include "png_file.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tools {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what, int error_number)
{
    throw std::runtime_error(path + ": " + what + ": " + std::system_category().message(error_number));
}

// The half-written file beside the final one; removed unless it was renamed
// into place.
class PartFile {
public:
    explicit PartFile(const std::string& path)
    {
        const std::filesystem::path final_path(path);
        const std::string name = final_path.filename().string();
        if (name.empty() || name == "." || name == "..")
            throw std::runtime_error(path + ": cannot create: names a folder, not a file");
        // Hidden and unique to this process and call, so that a reader of the
        // folder never takes it for a finished picture and concurrent
        // writers never share one.
        static std::atomic<unsigned> serial{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string part_name =
                "." + name + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
            part_path_ = (final_path.parent_path() / part_name).string();
            fd_ = ::open(part_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) return;
            if (errno != EEXIST) break;
        }
        fail(path, "cannot create", errno);
    }

    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    ~PartFile()
    {
        if (fd_ >= 0) ::close(fd_);
        if (!part_path_.empty()) ::unlink(part_path_.c_str());
    }

    void write_all(const std::vector<std::uint8_t>& bytes, const std::string& path)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) fail(path, "cannot write", errno);
            done += static_cast<std::size_t>(n);
        }
    }

    void rename_to(const std::string& path)
    {
        // Flushed to the disk before the rename, so that a crash cannot leave
        // an empty file under the final name.
        if (::fsync(fd_) != 0) fail(path, "cannot write", errno);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(path, "cannot write", errno);
        if (::rename(part_path_.c_str(), path.c_str()) != 0) fail(path, "cannot replace", errno);
        part_path_.clear();
    }

private:
    std::string part_path_;
    int fd_ = -1;
};

// libpng's simplified interface keeps its setjmp error handling to itself and
// reports through the image's message, so no C++ frame is ever jumped over.
std::vector<std::uint8_t> encode_png(const RgbImage& picture, const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = PNG_FORMAT_RGB;

    // The first pass only measures.
    png_alloc_size_t size = 0;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, picture.bytes(), 0, nullptr) == 0)
        throw std::runtime_error(path + ": cannot encode as PNG: " + image.message);
    std::vector<std::uint8_t> bytes(size);
    if (png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.bytes(), 0, nullptr) == 0)
        throw std::runtime_error(path + ": cannot encode as PNG: " + image.message);
    bytes.resize(size);
    return bytes;
}

}  // namespace

void write_png(const RgbImage& picture, const std::string& path)
{
    const std::vector<std::uint8_t> bytes = encode_png(picture, path);
    PartFile part(path);
    part.write_all(bytes, path);
    part.rename_to(path);
}

}  // namespace tools
