#include "converter/console_expansion.h"

#include <array>

namespace quill {

namespace {
// The names cmd.exe provides whatever the environment holds.
constexpr std::array<std::u16string_view, 15> kOwnNames = {
    u"CD",
    u"DATE",
    u"TIME",
    u"RANDOM",
    u"ERRORLEVEL",
    u"CMDEXTVERSION",
    u"CMDCMDLINE",
    u"HIGHESTNUMANODENUMBER",
    u"FIRMWARE_TYPE",
    u"__CD__",
    u"__APPDIR__",
    u"=EXITCODE",
    u"=EXITCODEASCII",
    u"PROMPT",
    u"COMSPEC",
};

// The upper-case letter of a lower-case one, in the scripts whose letters
// have a case in the system's table: Latin (basic, Latin-1, Extended-A),
// Greek, Cyrillic and the full-width Latin letters.
char16_t upper(char16_t c) {
    const auto minus = [c](int offset) { return static_cast<char16_t>(c - offset); };
    if (c >= u'a' && c <= u'z') return minus(0x20);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : minus(0x20);  // à ... þ, not ÷
    if (c == 0xFF) return 0x178;                        // ÿ
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs: capital on the even code in 0100-0137 and 014A-0177, on the
        // odd code in 0139-0148 and 0179-017E.
        const bool evenCapitals = c <= 0x137 || (c >= 0x14A && c <= 0x177);
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (evenCapitals && (c & 1) == 1) return minus(1);
        if (oddCapitals && (c & 1) == 0) return minus(1);
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? char16_t{0x3A3} : minus(0x20);  // α ... ω
    if (c >= 0x430 && c <= 0x44F) return minus(0x20);                                 // а ... я
    if (c >= 0x450 && c <= 0x45F) return minus(0x50);                                 // ѐ ... џ
    if (c >= 0xFF41 && c <= 0xFF5A) return minus(0x20);                               // ａ ... ｚ
    return c;
}

std::u16string folded(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) c = upper(c);
    return out;
}

// "=C:" ... "=Z:": the current folder of each drive.
bool isDriveFolderName(std::u16string_view name) {
    return name.size() == 3 && name[0] == u'=' && name[2] == u':' &&
           ((name[1] >= u'A' && name[1] <= u'Z') || (name[1] >= u'a' && name[1] <= u'z'));
}
}  // namespace

ConsoleVariables::ConsoleVariables(const std::vector<std::u16string>& environmentNames) {
    for (const std::u16string& name : environmentNames) {
        if (!name.empty()) folded_.insert(folded(name));
    }
    for (std::u16string_view name : kOwnNames) folded_.insert(std::u16string(name));
}

bool ConsoleVariables::isSet(std::u16string_view name) const {
    if (name.empty()) return false;
    return isDriveFolderName(name) || folded_.count(folded(name)) != 0;
}

bool consoleWouldChange(std::u16string_view line, const ConsoleVariables& variables) {
    std::size_t open = line.find(u'%');
    while (open != std::u16string_view::npos) {
        const std::size_t close = line.find(u'%', open + 1);
        if (close == std::u16string_view::npos) return false;
        const std::u16string_view name = line.substr(open + 1, close - open - 1);
        if (variables.isSet(name)) return true;
        const std::size_t colon = name.find(u':');
        if (colon != std::u16string_view::npos && variables.isSet(name.substr(0, colon))) {
            return true;
        }
        open = close;  // an unset name leaves its closing "%" to open the next pair
    }
    return false;
}

}  // namespace quill
