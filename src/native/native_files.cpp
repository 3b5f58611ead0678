#include "native_files.h"

#include "buffered_output.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace quill {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class NativeOutputFile final : public BufferedOutputFile {
public:
    explicit NativeOutputFile(FilePtr file) : file_(std::move(file)) {}
    ~NativeOutputFile() override { (void)close(); }
    NativeOutputFile(const NativeOutputFile&) = delete;
    NativeOutputFile& operator=(const NativeOutputFile&) = delete;

private:
    bool put(std::string_view bytes) override {
        return std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size();
    }
    bool closeFile() override { return std::fclose(file_.release()) == 0; }

    FilePtr file_;
};
}  // namespace

std::string toUtf8(std::u16string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::uint32_t c = path[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
            path[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<FileBytes> readWholeNativeFile(std::u16string_view path) {
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const auto size = static_cast<std::size_t>(info.st_size);
    if (!known || size == 0) {
        ::close(fd);
        if (!known) return std::nullopt;
        return FileBytes(std::string());
    }
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) return std::nullopt;
    ::madvise(mapped, size, MADV_SEQUENTIAL);
    std::shared_ptr<const void> owner(
        mapped, [size](const void* at) { ::munmap(const_cast<void*>(at), size); });
    return FileBytes(std::string_view(static_cast<const char*>(mapped), size), std::move(owner));
}

std::unique_ptr<OutputFile> createNativeFile(std::u16string_view path) {
    FilePtr file(std::fopen(toUtf8(path).c_str(), "wb"));
    if (!file) return nullptr;
    return std::make_unique<NativeOutputFile>(std::move(file));
}

namespace {
FileTime fromTimespec(const timespec& time) {
    return std::chrono::duration_cast<FileTime>(std::chrono::seconds(time.tv_sec) +
                                                std::chrono::nanoseconds(time.tv_nsec));
}
}  // namespace

FileTime nativeNow() {
    timespec time{};
    ::clock_gettime(CLOCK_REALTIME, &time);
    return fromTimespec(time);
}

std::optional<FileTime> nativeLastWriteTime(std::u16string_view path) {
    struct stat info {};
    if (::stat(toUtf8(path).c_str(), &info) != 0) return std::nullopt;
    return fromTimespec(info.st_mtim);
}

}  // namespace quill
