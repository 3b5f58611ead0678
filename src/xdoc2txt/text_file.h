#pragma once
// The text file, written whole or not at all: into a temporary file in the
// text's own folder, then renamed over the text's name. Until the rename an
// older text stays as it was; a reader never sees half a text.

#include <string>
#include <string_view>

namespace xdoc2txt {

class PendingTextFile {
public:
    // Makes the temporary file beside `path`; throws Failure (text not
    // writable) when it cannot.
    explicit PendingTextFile(std::string path);
    // Removes the temporary file unless it was committed.
    ~PendingTextFile();
    PendingTextFile(const PendingTextFile&) = delete;
    PendingTextFile& operator=(const PendingTextFile&) = delete;

    // Writes the bytes and renames the file to the text's name; throws
    // Failure (text not writable) when it cannot.
    void commit(std::string_view bytes);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

}  // namespace xdoc2txt
