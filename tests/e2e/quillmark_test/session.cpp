#include "session.h"

#include <tlhelp32.h>

#include <algorithm>
#include <optional>

#include "on_wine.h"
#include "quill_form.h"
#include "win_util.h"

namespace quill::e2e::test {

std::wstring pagesFailed(int count) {
    return L"html作成失敗 " + std::to_wstring(count) + L" 件";
}

std::wstring interrupted(int notFed, int failed) {
    std::wstring text = L"変換を中断しました（未変換 ";
    text.append(std::to_wstring(notFed)).append(L" 件");
    if (failed > 0) text.append(L"、html作成失敗 ").append(std::to_wstring(failed)).append(L" 件");
    return text.append(L"）");
}

void expectUsualRun(const RunWatch& run) {
    EXPECT_TRUE(run.command2Converting) << "Command2 did not say 変換中";
    EXPECT_TRUE(run.leftTopmost) << "the window stayed topmost during the run";
    EXPECT_FALSE(run.raisedMidway) << "the window became topmost again before the run ended";
    EXPECT_TRUE(run.consoleSeen) << "no console window showed";
    ASSERT_FALSE(run.captions.empty());
    EXPECT_EQ(toUtf8(run.captions.front()), toUtf8(kConverting));
    for (const auto& c : run.captions)
        EXPECT_TRUE(c == kConverting || c == kWritingPages) << "caption " << toUtf8(c);
}

namespace {

// The processes running now.
std::vector<PROCESSENTRY32W> processes() {
    std::vector<PROCESSENTRY32W> all;
    const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return all;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry))
        all.push_back(entry);
    return all;
}

bool named(const PROCESSENTRY32W& process, std::wstring_view exeName) {
    return _wcsicmp(process.szExeFile, std::wstring(exeName).c_str()) == 0;
}

// When a process started; nullopt when it cannot be asked.
std::optional<ULONGLONG> start_time(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return std::nullopt;
    return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// A path in its long form, so that two spellings of one file compare equal.
std::wstring longPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    DWORD n = GetLongPathNameW(path.c_str(), full.data(), MAX_PATH);
    if (n >= MAX_PATH) {
        full.resize(n);
        n = GetLongPathNameW(path.c_str(), full.data(), n);
    }
    return n > 0 && n < full.size() ? full.substr(0, n) : path;
}

// The program file a process runs; empty when it cannot be asked.
std::wstring imageOf(DWORD pid) {
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH * 2];
    DWORD size = static_cast<DWORD>(std::size(path));
    if (!process || !QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    return longPath(std::wstring(path, size));
}

}  // namespace

bool processRunning(std::wstring_view exeName) {
    const auto all = processes();
    return std::any_of(all.begin(), all.end(), [&](const auto& p) { return named(p, exeName); });
}

void QuillmarkTest::SetUp() {
    consolesBefore_ = consoleWindows();
    ASSERT_NO_FATAL_FAILURE(install());
    ASSERT_NO_FATAL_FAILURE(startPasteHelper());
    ASSERT_NO_FATAL_FAILURE(startQuillmark());
}

void QuillmarkTest::install() {
    for (const wchar_t* exe : {L"Quillmark.exe", L"xdoc2txt.exe"}) {
        ASSERT_TRUE(CopyFileW(helperPath(exe).c_str(), (appDir_ + L"\\" + exe).c_str(), FALSE))
            << "cannot install " << toUtf8(exe);
    }
    // Its presence turns the converter's log on.
    ASSERT_TRUE(writeFileBytes(appDir_ + L"\\xdoc2txt.log", ""));
}

void QuillmarkTest::startPasteHelper() {
    helper_ = test::startPasteHelper(pasteLog_);
    ASSERT_TRUE(helper_.valid() || !win32::runningOnWine());
}

void QuillmarkTest::startQuillmark() {
    // Without a console, as from the desktop. Under Wine a program started by a
    // console program holds that console's handles even when it is a GUI program,
    // and AttachConsole then refuses it: Quillmark would not find its console.
    std::wstring command = quoteArg(appDir_ + L"\\Quillmark.exe");
    for (const std::wstring& document : documentsAtStart()) command += L" " + quoteArg(document);
    quillmark_ = start(command, Console::detached);
    ASSERT_TRUE(quillmark_.valid());
    const DWORD pid = quillmark_.pid();
    ASSERT_TRUE(pollUntil(
        [&] {
            HWND found = FindWindowW(form::kWindowClass, nullptr);
            DWORD owner = 0;
            if (found) GetWindowThreadProcessId(found, &owner);
            form_ = owner == pid && IsWindowVisible(found) ? found : nullptr;
            return form_ != nullptr;
        },
        kPatience))
        << "Quillmark's window did not show";
    EXPECT_TRUE(pollUntil([&] { return topmost(); }, kPatience)) << "not topmost at start";
}

void QuillmarkTest::TearDown() {
    if (quillmark_.valid()) {
        if (form_) PostMessageW(form_, WM_CLOSE, 0, 0);
        EXPECT_EQ(quillmark_.wait(), 0u) << "Quillmark did not close cleanly";
        quillmark_.kill();
    }
    stopPasteHelper(helper_);
}

std::wstring QuillmarkTest::document(std::wstring_view name, std::string_view bytes) const {
    std::wstring path = docPath(name);
    EXPECT_TRUE(writeFileBytes(path, bytes)) << "cannot write " << toUtf8(path);
    return path;
}

std::wstring QuillmarkTest::oldDocument(std::wstring_view name, std::string_view bytes) const {
    std::wstring path = document(name, bytes);
    const UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart -= 24ULL * 3600 * 10'000'000;  // 100-ns units
    const FILETIME dayAgo{time.LowPart, time.HighPart};
    EXPECT_TRUE(file && SetFileTime(file.get(), nullptr, nullptr, &dayAgo))
        << "cannot date " << toUtf8(path);
    return path;
}

std::wstring QuillmarkTest::docPath(std::wstring_view name) const {
    return docs_ + L"\\" + std::wstring(name);
}

std::set<std::wstring> QuillmarkTest::docFolder() const {
    return fileNames(docs_);
}

std::wstring QuillmarkTest::commandFor(const std::wstring& source) const {
    return converterCommand(appDir_, source);
}

std::vector<std::wstring> QuillmarkTest::converterLog() const {
    return readUtf8Lines(appDir_ + L"\\xdoc2txt.log");
}

std::vector<std::wstring> QuillmarkTest::pasteLog() const {
    return readUtf8Lines(pasteLog_);
}

std::wstring QuillmarkTest::caption() const {
    // A top-level window's caption is read without a message to its thread.
    wchar_t text[256] = {};
    GetWindowTextW(form_, text, 256);
    return text;
}

std::wstring QuillmarkTest::controlText(int id) const {
    // A control of another process answers WM_GETTEXT once its thread pumps.
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(GetDlgItem(form_, id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, kPatience, &copied))
        ADD_FAILURE() << "control " << id << " did not answer WM_GETTEXT";
    return text;
}

bool QuillmarkTest::controlEnabled(int id) const {
    return IsWindowEnabled(GetDlgItem(form_, id)) != FALSE;
}

bool QuillmarkTest::topmost() const {
    return (GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void QuillmarkTest::click(int id) const {
    // Posted: the handler runs for as long as the run takes.
    EXPECT_TRUE(PostMessageW(GetDlgItem(form_, id), BM_CLICK, 0, 0));
}

void QuillmarkTest::drop(Target target, const std::vector<std::wstring>& paths) const {
    static constexpr const wchar_t* kNames[] = {L"text1", L"command2", L"form"};
    std::wstring cmd = quoteArg(helperPath(L"drop_driver.exe")) + L" --target " +
                       kNames[static_cast<int>(target)] + L" --";
    for (const auto& p : paths) cmd += L" " + quoteArg(p);
    // A drag that Wine ended where no target was (exit 1) reached no target:
    // it is dragged again, as a user would.
    std::optional<DWORD> code = 1u;
    for (int attempt = 0; attempt < 3 && code == 1u; ++attempt) {
        code = run(cmd, Console::inherit, 60000);
    }
    EXPECT_EQ(code, 0u) << "drop_driver did not drop";
}

void QuillmarkTest::dropDocuments(Target target, const std::vector<std::wstring>& paths) const {
    static constexpr wchar_t kMarker[] = L"(drop under way)";
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(GetDlgItem(form_, form::kText1), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(kMarker), SMTO_NORMAL, kPatience,
                                    &result));
    drop(target, paths);
    EXPECT_TRUE(pollUntil([&] { return controlText(form::kText1) == kReady; }, kPatience))
        << "the drop was not taken in; Text1: " << toUtf8(controlText(form::kText1));
}

RunWatch QuillmarkTest::runHtml(DWORD limitMs) const {
    RunWatch watch;
    click(form::kCommand2);
    watch.started = pollUntil([&] { return caption() == kConverting; }, kPatience);
    if (!watch.started) {
        ADD_FAILURE() << "the run did not start; caption: " << toUtf8(caption());
        return watch;
    }
    watch.command2Converting =
        pollUntil([&] { return controlText(form::kCommand2) == kConverting; }, kPatience);
    watch.ended = pollUntil(
        [&] {
            // The stacking is read before the caption: Quillmark turns the
            // caption back before it raises the window, so a raised window
            // seen with a run caption was raised during the run.
            const bool top = topmost();
            const std::wstring now = caption();
            if (now == kIdle) return true;
            if (watch.captions.empty() || watch.captions.back() != now)
                watch.captions.push_back(now);
            if (!newConsoles().empty()) watch.consoleSeen = true;
            if (!top) {
                watch.leftTopmost = true;
            } else if (watch.leftTopmost) {
                watch.raisedMidway = true;
            }
            return false;
        },
        limitMs);
    EXPECT_TRUE(watch.ended) << "the run did not end; caption: " << toUtf8(caption());
    return watch;
}

void QuillmarkTest::expectIdleAfterRun(const std::wstring& text1) const {
    // The caption turns back first; Text1 and the stacking follow at once.
    EXPECT_TRUE(pollUntil([&] { return controlText(form::kText1) == text1; }, kPatience))
        << "Text1: " << toUtf8(controlText(form::kText1)) << ", expected " << toUtf8(text1);
    EXPECT_TRUE(pollUntil([&] { return topmost(); }, kPatience)) << "not topmost again";
    EXPECT_EQ(toUtf8(caption()), toUtf8(kIdle));
    EXPECT_EQ(toUtf8(controlText(form::kCommand2)), toUtf8(kStart));
    EXPECT_EQ(getClipboardText(clipboardOwner()), std::wstring(L"exit"));
    EXPECT_TRUE(pollUntil([&] { return consoleGone(); }, kPatience))
        << "the console is still there";
}

std::set<HWND> QuillmarkTest::newConsoles() const {
    std::set<HWND> found = consoleWindows();
    for (HWND before : consolesBefore_) found.erase(before);
    return found;
}

bool QuillmarkTest::startedByQuillmark(std::wstring_view exeName) const {
    // Processes name their parent by id, and a dead parent's id may be used
    // again: only processes started after Quillmark count. Quillmark's own id
    // stays its own while the test holds its handle. A process whose parent
    // has ended is not found: a cmd.exe that outlived its console host would
    // be missed (the converter is looked for by its file instead).
    const auto quillmarkStart = start_time(quillmark_.handle());
    if (!quillmarkStart) return false;
    const auto all = processes();
    std::set<DWORD> tree{quillmark_.pid()};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& p : all) {
            if (tree.contains(p.th32ProcessID) || !tree.contains(p.th32ParentProcessID)) continue;
            const UniqueHandle process(
                OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, p.th32ProcessID));
            const auto started = start_time(process.get());
            if (!started || *started < *quillmarkStart) continue;
            if (named(p, exeName)) return true;
            tree.insert(p.th32ProcessID);
            grew = true;
        }
    }
    return false;
}

bool QuillmarkTest::converterRunning() const {
    const std::wstring converter = longPath(appDir_ + L"\\xdoc2txt.exe");
    const auto all = processes();
    return std::any_of(all.begin(), all.end(), [&](const auto& p) {
        return named(p, L"xdoc2txt.exe") &&
               _wcsicmp(imageOf(p.th32ProcessID).c_str(), converter.c_str()) == 0;
    });
}

bool QuillmarkTest::consoleGone() const {
    return newConsoles().empty() && !startedByQuillmark(L"cmd.exe") && !converterRunning();
}

}  // namespace quill::e2e::test
