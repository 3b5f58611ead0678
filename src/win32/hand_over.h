#pragma once
// Files that a later start of the program hands to the running instance's
// window with WM_COPYDATA: the paths in UTF-16, each ended by a NUL, under
// the program's tag. The running instance's window is marked as such once it
// holds the instance mutex; it takes a message only from a window of a
// process of the same user in the same session.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quill::win32 {

// WM_COPYDATA's dwData for a list of files: "QMF1".
inline constexpr ULONG_PTR kHandOverTag = 0x31464D51;

// Marks the window as the running instance's, the one files are handed to.
void markRunningInstance(HWND window);

// Hands the files to the running instance's window, waiting up to the limit
// for it to be there and to take them; true once it has.
[[nodiscard]] bool handOver(const std::vector<std::u16string>& files, std::chrono::milliseconds limit);

// The files a WM_COPYDATA message hands over; nothing for one that is not a
// list of absolute paths under the tag, or that comes from another user or
// session.
[[nodiscard]] std::optional<std::vector<std::u16string>> handedFiles(HWND sender,
                                                                     const COPYDATASTRUCT& data);

// Who runs a process: the user's security identifier and the session.
struct ProcessIdentity {
    std::vector<BYTE> user;  // the user's SID
    DWORD session = 0;

    // Nothing when the process or its token cannot be read.
    [[nodiscard]] static std::optional<ProcessIdentity> of(DWORD processId);
    [[nodiscard]] bool sameUserAndSession(const ProcessIdentity& other) const;
};

// The files named on the program's command line, as full paths.
[[nodiscard]] std::vector<std::u16string> commandLineFiles();

}  // namespace quill::win32
