#include "version_resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "quillmark_version.h"
#include "scoped.h"

namespace quill::win32::test {

namespace {
constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
constexpr WORD kUnicode = 1200;

std::wstring widen(const char* ascii) {
    return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii));
}
}  // namespace

std::wstring shownVersion() {
    wchar_t shown[32];
    ::swprintf(shown, 32, L"%d.%02d", QUILL_VERSION_MAJOR, QUILL_VERSION_MINOR);
    return shown;
}

void expectProjectVersionResource(const std::wstring& program) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const DWORD high = MAKELONG(QUILL_VERSION_MINOR, QUILL_VERSION_MAJOR);
    const DWORD low = MAKELONG(QUILL_VERSION_TWEAK, QUILL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);

    // One translation, Japanese in UTF-16, and the strings under it.
    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], kJapanese);
    EXPECT_EQ(translation[1], kUnicode);
    const auto value = [&](const wchar_t* name) {
        wchar_t key[64];
        ::swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\%ls", kJapanese, kUnicode, name);
        wchar_t* text = nullptr;
        return ::VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&text), &length)
                   ? std::wstring(text)
                   : std::wstring(L"(missing)");
    };
    EXPECT_EQ(value(L"FileVersion"), shownVersion());
    EXPECT_EQ(value(L"ProductVersion"), shownVersion());
    EXPECT_EQ(value(L"ProductName"), widen(QUILL_PRODUCT_NAME));
    EXPECT_EQ(value(L"InternalName"), widen(QUILL_PRODUCT_NAME));

    // The resource itself is filed under Japanese.
    const UniqueModule module(::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    EXPECT_NE(::FindResourceExW(module.get(), RT_VERSION, MAKEINTRESOURCEW(1), kJapanese), nullptr)
        << "no version resource in Japanese";
}

}  // namespace quill::win32::test
