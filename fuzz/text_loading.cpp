// The loader's decoding and the text buffer's lines over arbitrary bytes, in
// the double-byte code pages: the text is decoded by the rule for broken
// double-byte characters (html/ansi_decoding.h) and the platform never sees a
// broken one, every byte that cannot trail a lead byte comes through as its
// character, and the lines are the text's, split at its line breaks.
// Input: one byte choosing the code page (932, 936, 949 or 950), the text.

#include <array>

#include "ansi_reference.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "html/ansi_decoding.h"
#include "html/text_buffer.h"

namespace quill::fuzz {
namespace {

void checkDecoding(std::string_view bytes, const std::u16string& text, const IconvCodePage& page) {
    check(text == test::decodeByTheRule(bytes, page), "decoded by the rule");
    std::array<std::size_t, 128> inBytes{};
    std::array<std::size_t, 128> inText{};
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!canTrail(b)) ++inBytes[b];
    }
    for (const char16_t c : text) {
        if (c < 0x80 && !canTrail(static_cast<unsigned char>(c))) ++inText[c];
    }
    check(inBytes == inText, "every byte that cannot trail comes through");
}

void checkLines(const std::u16string& text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crlf = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if ((text[i] == u'\r' && !crlf) || text[i] == u'\n') ++breaks;
    }
    TextBuffer buffer;
    buffer.setText(text);
    const std::size_t count = buffer.lineCount();
    check(count == breaks + 1, "line count is breaks + 1");
    const std::u16string first(buffer.line(0));
    // The lines, each followed by its break, make up the text.
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string_view line = buffer.line(i);
        check(line.find_first_of(u"\r\n") == std::u16string_view::npos, "no break in a line");
        check(text.compare(at, line.size(), line) == 0, "line is the text's");
        at += line.size();
        check(buffer.isLastLine(i) == (i + 1 == count), "last line is the last");
        if (i + 1 == count) break;
        check(at < text.size() && (text[at] == u'\r' || text[at] == u'\n'), "break after a line");
        at += text.compare(at, 2, u"\r\n") == 0 ? 2 : 1;
    }
    check(at == text.size(), "lines cover the text");
    check(buffer.line(count).empty(), "past the last line is empty");
    check(buffer.line(0) == first, "reading again from the top");
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    static const std::uint32_t kCodePages[] = {932, 936, 949, 950};
    fuzz::Input input(data, size);
    const std::shared_ptr<const IconvCodePage> page = fuzz::codePage(kCodePages[input.byte() % 4]);
    const std::string_view bytes = input.rest();

    // The fake platform refuses a run that holds a broken lead byte.
    test::FakePlatform platform(page);
    std::u16string text = u"previous";
    decodeAnsiText(platform, bytes, text);
    fuzz::checkDecoding(bytes, text, *page);
    fuzz::checkLines(text);
    return 0;
}
