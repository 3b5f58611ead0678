// The page of an arbitrary text output (code page 932), made by a run of the
// start button: the records are exactly the page's, every "&", "<" and ">"
// of the text is escaped, no line is cut, and the run spends the queue.
// Input: the bytes of the text output.

#include "ansi_reference.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "page_bytes.h"
#include "ui/form1.h"
#include "ui/status_texts.h"

namespace quill::fuzz {
namespace {

// The body record of one line, as the page must hold it.
std::string bodyRecord(std::u16string_view line, bool first, bool pastLast,
                       const IconvCodePage& page) {
    while (!line.empty() && line.back() == u' ') line.remove_suffix(1);
    std::u16string escaped;
    for (const char16_t c : line) {
        escaped += c == u'&'   ? u"&amp;"
                   : c == u'<' ? u"&lt;"
                   : c == u'>' ? u"&gt;"
                               : std::u16string(1, c);
    }
    std::string record = first ? "<P>" : "";
    page.toAnsi(escaped, record);
    record += pastLast ? "</P><br>\r\n" : "<br>\r\n";
    return record;
}

// Apart from the record markup, the body holds no "<" or ">", and each "&"
// begins a reference. In Shift-JIS no trail byte is one of these bytes.
void checkBodyEscaped(std::string_view body) {
    for (std::size_t at = 0; at < body.size();) {
        const std::size_t end = body.find("\r\n", at);
        check(end != std::string_view::npos, "body records end in CR LF");
        std::string_view text = body.substr(at, end - at);
        if (at == 0) text.remove_prefix(3);                  // "<P>"
        text.remove_suffix(end + 2 == body.size() ? 8 : 4);  // "</P><br>" or "<br>"
        check(text.find_first_of("<>") == std::string_view::npos, "no markup in the text");
        for (std::size_t amp = text.find('&'); amp != std::string_view::npos;
             amp = text.find('&', amp + 1)) {
            const std::string_view from = text.substr(amp);
            check(from.starts_with("&amp;") || from.starts_with("&lt;") || from.starts_with("&gt;"),
                  "every & begins a reference");
        }
        at = end + 2;
    }
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    const std::shared_ptr<const IconvCodePage> page = fuzz::codePage(932);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    test::FakePlatform platform(page);
    Form1 form(platform);
    form.Form_Load();
    platform.files[u"D:\\w\\plan.txt"] = bytes;
    form.Form_OLEDragDrop(DropData{true, {u"D:\\w\\plan.doc"}});
    form.Command2_Click();

    const TextBuffer& buffer = form.richTextBox1();
    fuzz::check(buffer.text() == test::decodeByTheRule(bytes, *page), "the page's text");
    const std::size_t lines = buffer.lineCount();
    std::string body;
    for (std::size_t i = 0; i <= lines; ++i) {
        body += fuzz::bodyRecord(buffer.line(i), i == 0, i == lines, *page);
    }
    const std::string& written = platform.files[u"D:\\w\\plan.html"];
    fuzz::check(written == test::pageBytes("plan", body), "the page's records");
    fuzz::checkBodyEscaped(std::string_view(written).substr(
        written.size() - test::kPageFooter.size() - body.size(), body.size()));
    fuzz::check(form.list2().count() == 0 && !form.state().queueGrew, "the run spent the queue");
    fuzz::check(platform.text1 == texts::kPrompt, "the run made its page");
    return 0;
}
