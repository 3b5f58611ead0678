#pragma once
// What the console does to a typed line before it runs it. At its prompt,
// cmd.exe replaces "%NAME%" by the value of the variable NAME when NAME is
// set, and leaves the text as it is when NAME is not set (unlike in a batch
// file, where an unset variable becomes empty and "%%" stands for "%").
// Pure functions: no state, no platform.
//
// The model, for a line typed at the prompt:
// - Scanning goes from left to right. A "%" opens a pair that the next "%"
//   closes; the text between the two is the name. When that name is set, the
//   pair is replaced by the value. When it is not, the opening "%" and the
//   name stay as they are and the closing "%" opens the next pair ("%a %b%"
//   with only b set gives "%a " and b's value). So a line changes exactly
//   when some stretch of text between two consecutive "%" names a set
//   variable. A "%" with no other after it stays.
// - "%NAME:~n,m%" (a substring) and "%NAME:old=new%" (a replacement) change
//   the line when NAME, the text before the first ":", is set, whatever
//   follows the ":".
// - Names compare without regard to letter case.
// - Set are: every name of the environment the console inherits; the names
//   cmd.exe computes on every use (CD, DATE, TIME, RANDOM, ERRORLEVEL,
//   CMDEXTVERSION, CMDCMDLINE, HIGHESTNUMANODENUMBER, FIRMWARE_TYPE, __CD__,
//   __APPDIR__, =ExitCode, =ExitCodeAscii); the ones it sets for itself when
//   they are missing (PROMPT, COMSPEC); and its per-drive folders "=C:" to
//   "=Z:".
// - Nothing else of the line changes: "%1", "%*", "%~dp0" (no batch
//   arguments at the prompt), "!" (delayed expansion is off), quotes, "^",
//   "&" and the like do not affect this step.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quill {

// The variables that the console expands in a typed line.
class ConsoleVariables {
public:
    // environmentNames: the names of the variables in the environment that
    // the console inherits, as the platform lists them.
    explicit ConsoleVariables(const std::vector<std::u16string>& environmentNames);

    // Whether %name% expands: an environment name, in any letter case, or a
    // name cmd.exe provides itself.
    [[nodiscard]] bool isSet(std::u16string_view name) const;

private:
    std::unordered_set<std::u16string> folded_;
};

// True when the console, reading line at its prompt, would replace some part
// of it by a variable's value.
[[nodiscard]] bool consoleWouldChange(std::u16string_view line, const ConsoleVariables& variables);

}  // namespace quill
