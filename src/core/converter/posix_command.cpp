#include "converter/posix_command.h"

#include "converter/module1.h"

namespace quill {

namespace {
void appendQuoted(std::u16string& line, std::u16string_view text) {
    line += u'\'';
    for (const char16_t c : text) {
        if (c == u'\'') {
            line += u"'\\''";
        } else {
            line += c;
        }
    }
    line += u'\'';
}
}  // namespace

std::u16string posixCommandLine(std::u16string_view appDir, std::u16string_view source) {
    std::u16string program(appDir);
    program += kConverterName;
    std::u16string line;
    appendQuoted(line, program);
    line += u" -f ";
    appendQuoted(line, source);
    line += u'\n';
    return line;
}

}  // namespace quill
