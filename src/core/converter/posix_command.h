#pragma once
// The converter command line for a POSIX shell (/bin/sh), as the Linux
// program's own console runs it. Both paths stand in single quotes, inside
// which the shell takes every character as it is; a single quote itself is
// written as '\'' (close, an escaped quote, open). So no file name, whatever
// it holds (", $, `, \, ;, a line break), changes which file is read or runs
// as shell code. The shell expands no %NAME%: the console-rewrite check of
// cmd does not apply.

#include <string>
#include <string_view>

namespace quill {

// '<appDir>xdoc2txt' -f '<source>' followed by LF.
[[nodiscard]] std::u16string posixCommandLine(std::u16string_view appDir,
                                              std::u16string_view source);

}  // namespace quill
