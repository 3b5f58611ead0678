// What the end-to-end helpers know of Quillmark's main window.
#pragma once

namespace quill::e2e::form {

inline constexpr wchar_t kWindowClass[] = L"QuillmarkForm1";

// WM_COPYDATA's tag for files handed over by a later start: "QMF1", then the
// paths in UTF-16, each ended by a NUL.
inline constexpr unsigned long long kHandOverTag = 0x31464D51;

// Child control ids.
inline constexpr int kText1 = 101;     // EDIT
inline constexpr int kCommand2 = 102;  // BUTTON, starts the conversion
inline constexpr int kCommand3 = 104;  // BUTTON, placed out of view

// Layout at 96 dpi, in client pixels (Text1, Command2) and outer pixels (window).
inline constexpr int kText1X = 8, kText1Y = 8, kText1W = 241, kText1H = 18;
inline constexpr int kCommand2X = 8, kCommand2Y = 32, kCommand2W = 241, kCommand2H = 25;
inline constexpr int kWindowW = 263, kWindowH = 97;

}  // namespace quill::e2e::form
