#include "converter/console_expansion.h"

#include <array>

#include "converter/letter_case.h"

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

std::u16string folded(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out) c = upperCase(c);
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
