#pragma once
// An output file that gathers small writes into 64 KB pieces. The platform
// supplies how a piece reaches the file and how the file is closed. This
// class has no destructor of its own: a derived class's destructor closes a
// file left open (close()), since closing needs its closeFile.

#include <string>
#include <string_view>

#include "platform.h"

namespace quill {

class BufferedOutputFile : public OutputFile {
public:
    bool write(std::string_view bytes) final;
    bool close() final;

protected:
    BufferedOutputFile() { buffer_.reserve(kBufferSize); }
    // Writes all of bytes to the file.
    [[nodiscard]] virtual bool put(std::string_view bytes) = 0;
    [[nodiscard]] virtual bool closeFile() = 0;

private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    bool flush();

    std::string buffer_;
    bool open_ = true;
};

}  // namespace quill
