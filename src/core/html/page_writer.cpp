#include "html/page_writer.h"

#include <memory>
#include <string>

#include "base/naming.h"
#include "html/page_format.h"

namespace quill {

namespace {
// Writes records in the ANSI code page, each followed by CR LF, and stops
// writing at the first failure.
class RecordWriter {
public:
    RecordWriter(CodePage& codePage, OutputFile& file) : codePage_(codePage), file_(file) {}

    void write(std::u16string_view record) {
        bytes_.clear();
        codePage_.wideToAnsi(record, bytes_);
        finish();
    }

    // The body record of a line, encoded piece by piece as it is escaped.
    // The markup around the text is ASCII, which is the same bytes in every
    // ANSI code page.
    void writeBody(std::size_t line, bool pastLast, std::u16string_view text) {
        bytes_.clear();
        appendAscii(bodyRecordStart(line));
        escapeHtml(
            trimTrailingSpaces(text),
            [this](std::u16string_view piece) { codePage_.wideToAnsi(piece, bytes_); },
            [this](std::u16string_view reference) { appendAscii(reference); });
        appendAscii(bodyRecordEnd(pastLast));
        finish();
    }

    [[nodiscard]] bool ok() const noexcept { return ok_; }

private:
    void appendAscii(std::u16string_view markup) {
        for (char16_t c : markup) bytes_ += static_cast<char>(c);
    }
    void finish() {
        bytes_.append("\r\n", 2);
        ok_ = ok_ && file_.write(bytes_);
    }

    CodePage& codePage_;
    OutputFile& file_;
    std::string bytes_;
    bool ok_ = true;
};
}  // namespace

bool writePage(Files& files, CodePage& codePage, const ProgramState& state, const TextBuffer& text,
               const std::function<void()>& opened) {
    const std::u16string& textOutput = state.list3.item(state.conversion.currentIndex);
    const std::u16string page = pagePath(textOutput);
    if (page.empty()) return false;

    const std::unique_ptr<OutputFile> file = files.createFile(page);
    if (!file) return false;

    RecordWriter out(codePage, *file);
    out.write(headRecord(charsetLabel(codePage.ansiCodePage())));
    out.write(titleRecord(pageTitle(textOutput)));
    out.write(bodyOpenRecord());
    if (out.ok()) opened();
    // One record per line of the text (the buffer always has at least one),
    // then the closing one for the empty line past the last.
    bool pastLast = false;
    for (std::size_t i = 0; !pastLast && out.ok(); ++i) {
        const bool lastLine = i > 0 && text.isLastLine(i - 1);
        out.writeBody(i, lastLine, text.line(i));
        pastLast = lastLine;
    }
    out.write(footerRecord());
    out.write(closingRecord());
    const bool closed = file->close();
    return out.ok() && closed;
}

}  // namespace quill
