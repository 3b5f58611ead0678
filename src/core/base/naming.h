#pragma once
// What the program reads off a path and the names it derives from one: which
// paths are HTML pages, the text output the converter writes for a source,
// and the page made from a text output. Suffix tests ignore letter case.
//
// Every name rule works on the last four characters of a path, the extension
// with its dot: the 19 document extensions that intake admits are four
// characters long, and so is ".txt". For intake, ".htm" and ".html" are both
// HTML pages. For naming they differ: ".html" is five characters long, so the
// four-character rule does not fit it, and a source ending in ".html" gets no
// text-output name.

#include <string>
#include <string_view>

namespace quill {

// The last four characters of a path, or the whole path when it is shorter.
[[nodiscard]] std::u16string_view extensionOf(std::u16string_view path);

// A path of fewer than four characters has no extension to replace: no
// name can be derived from it.
[[nodiscard]] bool tooShortToName(std::u16string_view path);

// An HTML page: the path ends in ".htm" or ".html".
[[nodiscard]] bool isHtmlPage(std::u16string_view path);

// The source ends in ".html": no text-output name is derived for it.
[[nodiscard]] bool endsInHtml(std::u16string_view source);

// The source is a text file (".txt"), which the converter leaves as it is:
// it is its own text output.
[[nodiscard]] bool isTextFile(std::u16string_view source);

// fTxtName: the text output the converter writes for a source, the source
// less its last four characters, plus ".txt". Raises Overflow for a path
// longer than 32,767 characters and InvalidArgument for one too short to
// name.
[[nodiscard]] std::u16string fTxtName(std::u16string_view source);

// The page made from a text output: the output less its last four
// characters, plus ".html". Empty when the output is too short to name.
[[nodiscard]] std::u16string pagePath(std::u16string_view textOutput);

// The page title: the page's file name without its extension.
[[nodiscard]] std::u16string_view pageTitle(std::u16string_view textOutput);

}  // namespace quill
