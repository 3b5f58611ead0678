#pragma once
// The roles the page pipeline takes, for measuring the core alone: real
// files and the native code page.

#include "iconv_code_page.h"
#include "native_files.h"
#include "platform.h"

namespace quill::bench {

class BenchPlatform final : public Files, public CodePage {
public:
    explicit BenchPlatform(std::uint32_t codePage = 932) : codePage_(codePage) {}

    std::optional<FileBytes> readWholeFile(std::u16string_view path) override {
        return readWholeNativeFile(path);
    }
    std::unique_ptr<OutputFile> createFile(std::u16string_view path) override {
        return createNativeFile(path);
    }
    FileTime now() override { return nativeNow(); }
    std::optional<FileTime> lastWriteTime(std::u16string_view path) override {
        return nativeLastWriteTime(path);
    }
    std::uint32_t ansiCodePage() override { return codePage_.codePage(); }
    LeadBytes ansiLeadBytes() override { return codePage_.leadBytes(); }
    void appendAnsiAsWide(std::string_view bytes, std::u16string& text) override {
        codePage_.appendWide(bytes, text);
    }
    void wideToAnsi(std::u16string_view text, std::string& out) override {
        codePage_.toAnsi(text, out);
    }

private:
    IconvCodePage codePage_;
};

}  // namespace quill::bench
