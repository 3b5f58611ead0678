#include "native_files.h"

#include "buffered_output.h"
#include "scope_exit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>

namespace quill {

namespace {

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A page written into a temporary file beside its name, which takes the
// name once it is complete: an earlier page stays whole until then, and a
// link or FIFO at the name is replaced, never written through.
class NativeOutputFile final : public BufferedOutputFile {
public:
    NativeOutputFile(int fd, std::string temporary, std::string path, mode_t mode)
        : fd_(fd), temporary_(std::move(temporary)), path_(std::move(path)), mode_(mode) {}
    ~NativeOutputFile() override { abandon(); }
    NativeOutputFile(const NativeOutputFile&) = delete;
    NativeOutputFile& operator=(const NativeOutputFile&) = delete;

private:
    bool put(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(wrote));
        }
        return true;
    }
    bool closeFile() override {
        const bool stored = ::fchmod(fd_, mode_) == 0 && ::fsync(fd_) == 0;
        const bool closed = ::close(std::exchange(fd_, -1)) == 0;
        if (stored && closed && ::rename(temporary_.c_str(), path_.c_str()) == 0) return true;
        ::unlink(temporary_.c_str());
        return false;
    }
    void discardFile() noexcept override {
        ::close(std::exchange(fd_, -1));
        ::unlink(temporary_.c_str());
    }

    int fd_;
    std::string temporary_;
    std::string path_;
    mode_t mode_;
};

}  // namespace

std::u16string absoluteName(std::string_view argument) {
    if (argument.starts_with('/')) return nameFromBytes(argument);
    const std::unique_ptr<char, void (*)(void*)> folder(::getcwd(nullptr, 0), std::free);
    if (!folder) return {};
    std::string name(folder.get());
    if (!name.ends_with('/')) name += '/';
    name += argument;
    return nameFromBytes(name);
}

std::u16string nameFromBytes(std::string_view bytes) {
    std::u16string name;
    name.reserve(bytes.size());
    const auto at = [bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned lead = at(i);
        // The sequence's length and the range its code point must lie in.
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                                               : lead >= 0xE0 && lead <= 0xEF   ? 3
                                               : lead >= 0xF0 && lead <= 0xF4   ? 4
                                                                                : 0;
        std::uint32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (at(i + k) & 0xC0) == 0x80;
            c = c << 6 | (at(i + k) & 0x3F);
        }
        valid = valid && !(length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) &&
                !(length == 4 && (c < 0x10000 || c > 0x10FFFF));
        if (!valid) {
            name += static_cast<char16_t>(0xDC00 + lead);  // the byte, escaped
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            name += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            name += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            name += static_cast<char16_t>(c);
        }
        i += length;
    }
    return name;
}

std::string toUtf8(std::u16string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::uint32_t c = path[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
            path[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);  // a byte that was no UTF-8
            continue;
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
    // Not blocking on a FIFO: it is no text, and fails below.
    const int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const ScopeExit closing([fd] { ::close(fd); });
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    // Read, not mapped: a file cut short meanwhile ends the text there.
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(bytes.size() + 65536);
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return FileBytes(std::move(bytes));
}

std::unique_ptr<OutputFile> createNativeFile(std::u16string_view path) {
    const std::string name = toUtf8(path);
    // A folder, or a page that may not be written, is not replaced; an
    // earlier page's mode is kept.
    mode_t mode = 0666 & ~currentUmask();
    struct stat info {};
    if (::lstat(name.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return nullptr;
        if (S_ISREG(info.st_mode)) {
            if (::access(name.c_str(), W_OK) != 0) return nullptr;
            mode = info.st_mode & 07777;
        }
    }
    const std::size_t slash = name.rfind('/');
    std::string temporary =
        (slash == std::string::npos ? std::string(".") : name.substr(0, slash)) +
        "/.quillmark-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<NativeOutputFile>(fd, std::move(temporary), name, mode);
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
