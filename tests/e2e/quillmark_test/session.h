// One Quillmark under test: Quillmark.exe and the converter stand-in installed
// side by side in a folder whose name has spaces and Japanese in it (or another
// program folder, see install()), the paste helper running, Quillmark started
// and its window shown. Documents go to a folder of their own, also with spaces
// and Japanese in its name.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support.h"

namespace quill::e2e::test {

// What Quillmark shows.
inline constexpr wchar_t kIdle[] = L"Quillmark";
inline constexpr wchar_t kReady[] = L"変換準備 OK";
inline constexpr wchar_t kConverting[] = L"変換中";
inline constexpr wchar_t kWritingPages[] = L"html作成中";
inline constexpr wchar_t kPrompt[] = L"ファイルをここに落として下さい。";
inline constexpr wchar_t kStart[] = L"変換 開始";
[[nodiscard]] std::wstring pagesFailed(int count);
// A run that stopped: notFed sources wait in the queue; failed pages were not made.
[[nodiscard]] std::wstring interrupted(int notFed, int failed = 0);

// Longest an HTML run may take here: a few sources at 1.5 s each, and slack.
inline constexpr DWORD kRunLimit = 120000;

enum class Target { text1, command2, form };

// What a test saw of the window while an HTML run went on.
struct RunWatch {
    bool started = false;                // the caption turned to 変換中
    bool ended = false;                  // ... and back to Quillmark
    bool command2Converting = false;    // Command2 said 変換中 meanwhile
    bool leftTopmost = false;           // the window left the topmost band
    bool raisedMidway = false;          // ... and came back before the run ended
    bool consoleSeen = false;           // a console window was on screen
    std::vector<std::wstring> captions;  // captions shown during the run, in order
};

// The window during any HTML run: 変換中 in the caption and on Command2, out of
// the topmost band until the end, a console on screen.
void expectUsualRun(const RunWatch& run);

class QuillmarkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A document with these bytes in the documents folder; its path.
    std::wstring document(std::wstring_view name, std::string_view bytes) const;
    // The same, last written a day ago.
    std::wstring oldDocument(std::wstring_view name, std::string_view bytes) const;
    [[nodiscard]] std::wstring docPath(std::wstring_view name) const;
    // Names of the files and folders in the documents folder.
    [[nodiscard]] std::set<std::wstring> docFolder() const;

    // The command line Quillmark pastes for a source, as the converter gets it.
    [[nodiscard]] std::wstring commandFor(const std::wstring& source) const;
    [[nodiscard]] std::vector<std::wstring> converterLog() const;
    [[nodiscard]] std::vector<std::wstring> pasteLog() const;

    // The window.
    [[nodiscard]] HWND form() const { return form_; }
    [[nodiscard]] std::wstring caption() const;
    [[nodiscard]] std::wstring controlText(int id) const;
    [[nodiscard]] bool controlEnabled(int id) const;
    [[nodiscard]] bool topmost() const;
    void click(int id) const;

    // Drops the paths on the target, from another process.
    void drop(Target target, const std::vector<std::wstring>& paths) const;
    // Drops documents and waits until Quillmark has taken the drop in: Text1
    // gets a marker first and says 変換準備 OK again once the drop is handled.
    void dropDocuments(Target target, const std::vector<std::wstring>& paths) const;

    // Presses Command2 and watches the window until the run is over, for at
    // most limitMs.
    RunWatch runHtml(DWORD limitMs = kRunLimit) const;
    // The window as an HTML run leaves it, Text1 showing text1; the console closed.
    void expectIdleAfterRun(const std::wstring& text1) const;
    // Console windows on screen that were not there before Quillmark started
    // (on Windows, the one running the tests is there already).
    [[nodiscard]] std::set<HWND> newConsoles() const;
    // Whether a program with this file name runs that Quillmark started,
    // directly or through others (cmd.exe, through conhost.exe on Windows).
    [[nodiscard]] bool startedByQuillmark(std::wstring_view exeName) const;
    // Whether xdoc2txt.exe of appDir() runs, whoever started it: a conversion
    // that Quillmark lets finish outlives the console that started it.
    [[nodiscard]] bool converterRunning() const;
    // No new console window, no cmd.exe of Quillmark's and no converter running.
    [[nodiscard]] bool consoleGone() const;

    // Quillmark's folder; Quillmark.exe and xdoc2txt.exe are in it.
    [[nodiscard]] const std::wstring& appDir() const { return appDir_; }
    [[nodiscard]] const Process& quillmark() const { return quillmark_; }

    // Puts Quillmark and its converter into appDir(): by default copies of
    // Quillmark.exe and the converter stand-in, whose log is turned on.
    virtual void install();
    // The documents Quillmark is started with, on its command line; made in
    // the documents folder by the fixture.
    virtual std::vector<std::wstring> documentsAtStart() { return {}; }
    // Runs Quillmark from this folder instead.
    void useAppDir(std::wstring folder) { appDir_ = std::move(folder); }

private:
    void startPasteHelper();
    void startQuillmark();

    std::set<HWND> consolesBefore_;
    TempDir root_{L"quill e2e"};
    std::wstring appDir_ = root_.subdir(L"Quillmark アプリ");
    std::wstring docs_ = root_.subdir(L"書類 フォルダ");
    std::wstring pasteLog_ = root_.path() + L"\\paste.log";
    Process helper_;
    Process quillmark_;
    HWND form_ = nullptr;
};

// Whether a program with this file name runs anywhere (under Wine: in the prefix).
[[nodiscard]] bool processRunning(std::wstring_view exeName);

}  // namespace quill::e2e::test
