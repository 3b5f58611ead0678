// Writing the page of the current output list entry from the text buffer.

#include "html/page_format.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill {

namespace {
// Encodes each record in the ANSI code page and writes it followed by CR LF.
// Stops writing at the first failure.
class RecordWriter {
public:
    RecordWriter(Platform& platform, OutputFile& file) : platform_(platform), file_(file) {}

    void write(std::u16string_view record) {
        if (!ok_) return;
        bytes_.clear();
        platform_.wideToAnsi(record, bytes_);
        bytes_ += "\r\n";
        ok_ = file_.write(bytes_);
    }
    [[nodiscard]] bool ok() const noexcept { return ok_; }

private:
    Platform& platform_;
    OutputFile& file_;
    std::string bytes_;
    bool ok_ = true;
};
}  // namespace

// True once the whole page has been written and closed; a page that cannot be
// created is no page, and leaves the intake state as it was.
bool Form1::htm_save() {
    platform_.setCaption(texts::kWritingHtml);
    const std::size_t n = richTextBox1_.lineCount();
    const std::u16string& textOutput = list3_.item(state_.currentIndex);
    const std::u16string page = pagePath(textOutput);
    if (n == 0 || page.empty()) return false;

    const std::unique_ptr<OutputFile> file = platform_.createFile(page);
    if (!file) return false;

    RecordWriter out(platform_, *file);
    out.write(headRecord(charsetLabel(platform_.ansiCodePage())));
    out.write(titleRecord(pageTitle(textOutput)));
    out.write(bodyOpenRecord());
    std::u16string record;
    for (std::size_t i = 0; i <= n && out.ok(); ++i) {
        // Writing a page spends the source queue.
        state_.htmlGiven = false;
        list1_.clear();
        list2_.clear();
        state_.queueGrew = false;
        composeBodyRecord(record, i, n, richTextBox1_.line(i));
        out.write(record);
    }
    out.write(footerRecord());
    out.write(closingRecord());
    const bool closed = file->close();
    return out.ok() && closed;
}

}  // namespace quill
