#pragma once
// The fixed parts of a page as a run writes it under code page 932, byte for
// byte.

#include <string>

namespace quill::test {

inline const std::string kPageHead =
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
    "charset=x-sjis\">\r\n";
inline const std::string kPageBodyOpen = "\r\n</head>\r\n<body bgcolor=\"#A7E0FF\">\r\n";
// The footer and the closing record, the Japanese link text in Shift-JIS.
inline const std::string kPageFooter =
    "<p align=\"right\"><small><B>Quillmark</B></small><br>\r\n"
    "<small><B>(C) 2026 <a href=\"mailto:quillmark@example.org\">Quillmark "
    "developers</a></B></small><br>\r\n"
    "<small><B>NonSupportHP : <a href=\"https://quillmark.example.org/\">"
    "\x82\xc7\x82\xa4\x82\xc5\x82\xe0\x82\xa2\x82\xa2\x82\xa9\x82\xc8</a></B></small></p>\r\n"
    "</body>\r\n</html>\r\n";

// The page of a title and its body records.
inline std::string pageBytes(const std::string& title, const std::string& body) {
    return kPageHead + "<title>Quillmark - " + title + "</title>\r\n" + kPageBodyOpen + body +
           kPageFooter;
}

}  // namespace quill::test
