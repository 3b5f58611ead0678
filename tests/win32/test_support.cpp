#include "test_support.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "wide.h"

namespace quill::win32::test {

std::u16string windowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return fromWide(text);
}

TwipsRect controlTwips(const MainWindow& window, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    const auto twips = [&](LONG pixels) {
        return ::MulDiv(pixels, layout::kTwipsPerInch, window.dpi());
    };
    return {twips(rect.left), twips(rect.top), twips(rect.right - rect.left),
            twips(rect.bottom - rect.top)};
}

void WindowTest::SetUp() {
    ASSERT_TRUE(ole.ok());
    ASSERT_EQ(program.start(SW_SHOWNORMAL), Program::Started::Running);
    pump();
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"quill-" +
                          std::to_wstring(::GetCurrentProcessId()) + L"-" +
                          std::to_wstring(::GetTickCount64());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    path_ = fromWide(folder);
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a double-NUL-terminated list.
    std::wstring from = toWide(path_);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&operation);
}

}  // namespace quill::win32::test
