// The converter command line, the text-output name and the string cut over
// arbitrary strings and 16-bit arguments: each result is the one described
// in converter/module1.h and base/naming.h, and every error is a
// RunFailure of the kind that the 16-bit arithmetic gives, never undefined
// behaviour.
// The check whether the console would rewrite the command line agrees with
// its own rule: the line changes exactly when the text between two
// consecutive "%", or that text up to its first ":", names a set variable.
// Input: start and count (16-bit, little-endian), a byte choosing a number
// of "x" characters put in front of the source (none for a byte below 0xF0,
// else 32,752 and up: paths around 32,767 characters), the length of the
// program folder in characters (one byte), then the folder and the source as
// UTF-16LE. The console's environment names are the folder's pieces between
// ";".

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "converter/console_expansion.h"
#include "converter/module1.h"
#include "base/naming.h"
#include "failure.h"
#include "fuzz_support.h"

namespace quill::fuzz {
namespace {

std::u16string utf16(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

// Compared as bytes: a character loop would be traced character by character.
bool same(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 2) == 0;
}

// A result or the kind of failure raised instead.
struct Outcome {
    std::optional<std::u16string> text;
    std::optional<FailureKind> failure;
    bool operator==(const Outcome& other) const {
        return failure == other.failure && text.has_value() == other.text.has_value() &&
               (!text || same(*text, *other.text));
    }
};

template <class Call>
Outcome outcome(Call&& call) {
    try {
        return {call(), std::nullopt};
    } catch (const RunFailure& failure) {
        return {std::nullopt, failure.kind()};
    }
}

Outcome failed(FailureKind kind) {
    return {std::nullopt, kind};
}

Outcome expectedTxtName(std::u16string_view source) {
    if (source.size() > 32767) return failed(FailureKind::Overflow);
    if (source.size() < 4) return failed(FailureKind::InvalidArgument);
    return {std::u16string(source.substr(0, source.size() - 4)) + u".txt", std::nullopt};
}

Outcome expectedCut(std::u16string_view text, std::int16_t start, std::int16_t count) {
    const long long a = start - 1LL;
    if (a < INT16_MIN) return failed(FailureKind::Overflow);
    if (a < 0) return failed(FailureKind::InvalidArgument);
    const long long b = static_cast<long long>(start) + count;
    if (b > INT16_MAX || b < INT16_MIN) return failed(FailureKind::Overflow);
    if (b < 1) return failed(FailureKind::InvalidArgument);
    std::u16string cut(
        text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(a), text.size())));
    if (static_cast<std::size_t>(b - 1) < text.size())
        cut += text.substr(static_cast<std::size_t>(b - 1));
    return {cut, std::nullopt};
}

// The names of the console's environment: the pieces of text between ";".
std::vector<std::u16string> environmentNames(std::u16string_view text) {
    std::vector<std::u16string> names;
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t end = std::min(text.find(u';', from), text.size());
        names.emplace_back(text.substr(from, end - from));
        from = end + 1;
    }
    return names;
}

// Whether some stretch between two consecutive "%" names a set variable:
// the whole stretch (a name may hold a ":"), or the stretch up to its first
// ":" (a substring or replacement form).
bool namesASetVariable(std::u16string_view line, const ConsoleVariables& variables) {
    std::vector<std::size_t> percents;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u'%') percents.push_back(i);
    }
    for (std::size_t k = 0; k + 1 < percents.size(); ++k) {
        const std::u16string_view stretch =
            line.substr(percents[k] + 1, percents[k + 1] - percents[k] - 1);
        if (variables.isSet(stretch) || variables.isSet(stretch.substr(0, stretch.find(u':')))) {
            return true;
        }
    }
    return false;
}

bool endsInHtmlAnyCase(std::u16string_view source) {
    if (source.size() < 5) return false;
    std::u16string last(source.substr(source.size() - 5));
    for (char16_t& c : last) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return last == u".html";
}

}  // namespace
}  // namespace quill::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill;
    using fuzz::check;
    fuzz::Input input(data, size);
    const auto start = static_cast<std::int16_t>(input.u16());
    const auto count = static_cast<std::int16_t>(input.u16());
    const std::uint8_t lengthByte = input.byte();
    const std::size_t padding = lengthByte < 0xF0 ? 0 : 32752 + 2 * (lengthByte - 0xF0);
    const std::size_t folderLength = input.byte();
    const std::u16string appDir = fuzz::utf16(input.bytes(2 * folderLength));
    const std::u16string source = std::u16string(padding, u'x') + fuzz::utf16(input.rest());

    const std::u16string line = fCmdLine(appDir, source);
    check(fuzz::same(line, u"\"" + appDir + u"xdoc2txt\" -f \"" + source + u"\"\r\n"),
          "the command line is the folder, the converter and the quoted source");

    const ConsoleVariables variables(fuzz::environmentNames(appDir));
    const bool changes = consoleWouldChange(line, variables);
    check(changes == fuzz::namesASetVariable(line, variables),
          "the console rewrites the line exactly when a % pair names a set variable");

    check(endsInHtml(source) == fuzz::endsInHtmlAnyCase(source), "HTML sources are told apart");
    check(fuzz::outcome([&] { return fTxtName(source); }) == fuzz::expectedTxtName(source),
          "the text-output name");
    for (const std::u16string* text : {&source, &line}) {
        check(fuzz::outcome([&] { return fStrCut(*text, start, count); }) ==
                  fuzz::expectedCut(*text, start, count),
              "the string cut");
    }
    return 0;
}
