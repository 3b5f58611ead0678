#include "expected_page.h"

namespace quill::e2e::test {

namespace {
constexpr std::string_view kFooter[] = {
    R"(<p align="right"><small><B>Quillmark</B></small><br>)",
    R"(<small><B>(C) 2026 <a href="mailto:quillmark@example.org">Quillmark developers</a></B></small><br>)",
    // どうでもいいかな
    "<small><B>NonSupportHP : <a href=\"https://quillmark.example.org/\">"
    "\x82\xC7\x82\xA4\x82\xC5\x82\xE0\x82\xA2\x82\xA2\x82\xA9\x82\xC8"
    "</a></B></small></p>",
};
}  // namespace

std::string expectedPage(std::string_view title, std::initializer_list<std::string_view> body) {
    std::string page;
    const auto line = [&page](std::string_view record) {
        page += record;
        page += "\r\n";
    };
    line("<html>");
    line("<head>");
    line(R"(<meta http-equiv="Content-Type" content="text/html; charset=x-sjis">)");
    line("<title>Quillmark - " + std::string(title) + "</title>");
    line("");
    line("</head>");
    line(R"(<body bgcolor="#A7E0FF">)");
    for (std::string_view record : body) line(record);
    for (std::string_view record : kFooter) line(record);
    line("</body>");
    line("</html>");
    return page;
}

}  // namespace quill::e2e::test
