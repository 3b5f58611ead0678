#include "native_files.h"

#include <cstdio>

namespace quill {

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class NativeOutputFile final : public OutputFile {
public:
    explicit NativeOutputFile(FilePtr file) : file_(std::move(file)) {
        std::setvbuf(file_.get(), nullptr, _IOFBF, kBufferSize);
    }
    bool write(std::string_view bytes) override {
        return file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size();
    }
    bool close() override {
        if (!file_) return false;
        return std::fclose(file_.release()) == 0;
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;
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

std::optional<std::string> readWholeNativeFile(std::u16string_view path) {
    const FilePtr file(std::fopen(toUtf8(path).c_str(), "rb"));
    if (!file) return std::nullopt;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return std::nullopt;
    return bytes;
}

std::unique_ptr<OutputFile> createNativeFile(std::u16string_view path) {
    FilePtr file(std::fopen(toUtf8(path).c_str(), "wb"));
    if (!file) return nullptr;
    return std::make_unique<NativeOutputFile>(std::move(file));
}

}  // namespace quill
