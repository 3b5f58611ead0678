#pragma once
// An output file that gathers small writes into 64 KB pieces. The platform
// supplies how a piece reaches the file, how the file is put in its place,
// and how it is discarded. This class has no destructor of its own: a
// derived class's destructor discards a file left open (abandon()), since
// that needs its discardFile.

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
    // Closes the file and puts it in its place.
    [[nodiscard]] virtual bool closeFile() = 0;
    // Closes the file and removes it.
    virtual void discardFile() noexcept = 0;
    // Discards the file unless it was closed.
    void abandon() noexcept;

private:
    static constexpr std::size_t kBufferSize = 1 << 16;
    bool flush();

    std::string buffer_;
    bool open_ = true;
    bool failed_ = false;  // a piece could not be written
};

}  // namespace quill
