#include "buffered_output.h"

namespace quill {

bool BufferedOutputFile::write(std::string_view bytes) {
    if (!open_) return false;
    if (buffer_.size() + bytes.size() > kBufferSize && !flush()) return false;
    if (bytes.size() >= kBufferSize) return put(bytes);
    buffer_ += bytes;
    return true;
}

bool BufferedOutputFile::close() {
    if (!open_) return false;
    const bool flushed = flush();
    open_ = false;
    return closeFile() && flushed;
}

bool BufferedOutputFile::flush() {
    const bool ok = buffer_.empty() || put(buffer_);
    buffer_.clear();
    return ok;
}

}  // namespace quill
