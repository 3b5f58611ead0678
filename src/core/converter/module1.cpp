#include "converter/module1.h"

#include <algorithm>

#include "failure.h"

namespace quill {

std::u16string fCmdLine(std::u16string_view appDir, std::u16string_view source) {
    std::u16string line;
    line.reserve(appDir.size() + source.size() + 20);
    line += u'"';
    line += appDir;
    line += kConverterName;
    line += u"\" -f \"";
    line += source;
    line += u"\"\r\n";
    return line;
}

std::u16string fStrCut(std::u16string_view text, std::int16_t start, std::int16_t count) {
    const std::int16_t a = to16(static_cast<long long>(start) - 1);
    if (a < 0) throw RunFailure(FailureKind::InvalidArgument, "cut starts before the text");
    const std::int16_t b = to16(static_cast<long long>(start) + count);
    if (b < 1) throw RunFailure(FailureKind::InvalidArgument, "cut ends before the text");

    std::u16string result(
        text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(a), text.size())));
    const auto rightFrom = static_cast<std::size_t>(b - 1);
    if (rightFrom < text.size()) result += text.substr(rightFrom);
    return result;
}

}  // namespace quill
