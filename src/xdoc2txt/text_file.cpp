#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "environment.h"
#include "exit_codes.h"

namespace xdoc2txt {
namespace {

[[noreturn]] void notWritable(const std::string& what, int error) {
    throw Failure(ExitCode::kNotWritable, what + ": " + std::strerror(error));
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

PendingTextFile::PendingTextFile(std::string path) : path_(std::move(path)) {
    temporary_ = folderOf(path_) + "/.xdoc2txt-XXXXXX";
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temporary_.clear();
        notWritable("cannot write the text in its folder", errno);
    }
}

PendingTextFile::~PendingTextFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void PendingTextFile::commit(std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t wrote = ::write(fd_, data, left);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) notWritable("cannot write the text", wrote < 0 ? errno : ENOSPC);
        data += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    // A text as any new file of the user's would be (mkostemp makes 0600).
    if (::fchmod(fd_, 0666 & ~currentUmask()) != 0)
        notWritable("cannot set the text's mode", errno);
    if (::fsync(fd_) != 0) notWritable("cannot write the text", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) notWritable("cannot write the text", errno);
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        notWritable("cannot put the text in place", errno);
    }
    temporary_.clear();
}

}  // namespace xdoc2txt
