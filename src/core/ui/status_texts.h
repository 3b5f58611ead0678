#pragma once
// Every text the window's caption, Text1 and the two buttons ever show.

#include <string>
#include <string_view>

#include "base/text_util.h"

namespace quill::texts {

inline constexpr std::u16string_view kIdleCaption = u"Quillmark";
inline constexpr std::u16string_view kReady = u"変換準備 OK";
inline constexpr std::u16string_view kConverting = u"変換中";
inline constexpr std::u16string_view kWritingHtml = u"html作成中";
inline constexpr std::u16string_view kPrompt = u"ファイルをここに落として下さい。";
inline constexpr std::u16string_view kStart = u"変換 開始";
inline constexpr std::u16string_view kTextOnly = u"txt変換";

// Told by a start that found Quillmark running and could not hand it the
// files it was given (it has no window to show it in).
inline constexpr std::u16string_view kHandOverFailed =
    u"起動中の Quillmark にファイルを渡せませんでした。";

// Shown in Text1 instead of the prompt when a run could not make some pages.
[[nodiscard]] inline std::u16string pagesFailed(int count) {
    return u"html作成失敗 " + decimal(count) + u" 件";
}

// Shown in Text1 when a run stopped before its console had been told to
// exit: notFed sources were not reached and wait in the queue, and (in the
// HTML run) failedPages pages could not be made.
[[nodiscard]] inline std::u16string interrupted(int notFed) {
    return u"変換を中断しました（未変換 " + decimal(notFed) + u" 件）";
}
[[nodiscard]] inline std::u16string interrupted(int notFed, int failedPages) {
    if (failedPages == 0) return interrupted(notFed);
    return u"変換を中断しました（未変換 " + decimal(notFed) + u" 件、html作成失敗 " +
           decimal(failedPages) + u" 件）";
}

}  // namespace quill::texts
