// The bytes of a page as Quillmark writes it on a Japanese system (code page
// 932), for byte-for-byte comparison. Japanese text in the tests is written
// as its Shift-JIS bytes.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace quill::e2e::test {

// title: the escaped title text after "Quillmark - "; body: the records
// between <body ...> and the footer, each without its CR LF.
[[nodiscard]] std::string expectedPage(std::string_view title,
                                        std::initializer_list<std::string_view> body);

}  // namespace quill::e2e::test
