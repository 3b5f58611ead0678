#pragma once
// Where things are, and the environment the readers run in. xdoc2txt may be
// started from Wine, which leaves variables of its own, or with HOME unset.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xdoc2txt {

// The user's home folder: HOME when it is an absolute path, else the
// password database's entry for the user.
[[nodiscard]] std::string homeFolder();

// xdoc2txt's cache folder, $XDG_CACHE_HOME/xdoc2txt or ~/.cache/xdoc2txt,
// made (mode 0700) when missing; where that cannot be written,
// $TMPDIR/xdoc2txt-UID (or /tmp's). Empty when none can be had.
[[nodiscard]] std::string cacheFolder();

// The folder of the running executable (from /proc/self/exe).
[[nodiscard]] std::string executableFolder();

// The path made absolute against the working folder, so that no reader can
// take it for an option (a name may start with '-').
[[nodiscard]] std::string absolutePath(std::string_view path);

// The folder part of a path ("." for a bare name).
[[nodiscard]] std::string folderOf(std::string_view path);

// The search path the readers are looked up in: PATH's absolute entries,
// or the system's folders when PATH is unset or holds none.
[[nodiscard]] std::vector<std::string> searchPath(const char* path);

// The executable file of a program name in the search path; a name with a
// '/' is taken as it is. Nothing when there is none.
[[nodiscard]] std::optional<std::string> findProgram(std::string_view name,
                                                     const std::vector<std::string>& folders);

// The readers' environment from xdoc2txt's own: the dynamic loader's,
// Wine's, Python's and the locale's variables dropped; LC_ALL=C.UTF-8, HOME
// and PATH (the search path) set.
[[nodiscard]] std::vector<std::string> readerEnvironment(const char* const* environ,
                                                         const std::string& home,
                                                         const std::vector<std::string>& folders);

}  // namespace xdoc2txt
