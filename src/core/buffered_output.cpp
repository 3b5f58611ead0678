#include "buffered_output.h"

namespace quill {

bool BufferedOutputFile::write(std::string_view bytes) {
    if (!open_ || failed_) return false;
    if (buffer_.size() + bytes.size() > kBufferSize && !flush()) return false;
    if (bytes.size() >= kBufferSize) {
        failed_ = !put(bytes);
        return !failed_;
    }
    buffer_ += bytes;
    return true;
}

bool BufferedOutputFile::close() {
    if (!open_) return false;
    if (!flush()) {
        abandon();
        return false;
    }
    open_ = false;
    return closeFile();
}

void BufferedOutputFile::abandon() noexcept {
    if (!open_) return;
    open_ = false;
    discardFile();
}

bool BufferedOutputFile::flush() {
    failed_ = failed_ || (!buffer_.empty() && !put(buffer_));
    buffer_.clear();
    return !failed_;
}

}  // namespace quill
