// The release zip as users get it: made by CPack (the test fixture), its file
// list read from the zip's own directory, its files read once unpacked.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ui/status_texts.h"
#include "version_resource.h"
#include "wide.h"

namespace {

using quill::win32::toWide;
using quill::win32::test::expectProjectVersionResource;
using quill::win32::test::shownVersion;

// This program's folder: build/windows/tests/package, or the unpacked test pack.
std::wstring ownFolder() {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, length);
    return path.substr(0, path.rfind(L'\\'));
}

// Where the fixture made the zip and unpacked it.
std::wstring madeFolder() {
    return ownFolder() + L"\\made";
}
std::wstring zipPath() {
    return madeFolder() + L"\\Quillmark-" + shownVersion() + L"-win64.zip";
}
std::wstring unpacked(std::wstring_view name) {
    return madeFolder() + L"\\unpacked\\" + std::wstring(name);
}

std::optional<std::string> readBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// UTF-8 to UTF-16; nullopt when the bytes are not valid UTF-8.
std::optional<std::wstring> fromUtf8(std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                          static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

std::string toUtf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return bytes;
}

// Every line ends in CR LF, the last one too.
bool crLfOnly(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    }
    return bytes.ends_with("\r\n");
}

std::uint32_t little(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

struct ZipEntry {
    std::string name;   // as stored
    bool utf8 = false;  // general purpose flag bit 11: the name is UTF-8
};

// The entries of the zip's central directory; empty when it cannot be read.
std::vector<ZipEntry> zipDirectory(std::string_view zip) {
    constexpr std::size_t kEndSize = 22;
    const std::size_t end =
        zip.size() >= kEndSize ? zip.rfind("PK\x05\x06") : std::string_view::npos;
    if (end == std::string_view::npos || end + kEndSize > zip.size()) return {};
    const std::uint32_t count = little(zip, end + 10, 2);
    std::size_t at = little(zip, end + 16, 4);
    std::vector<ZipEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 46 > zip.size() || zip.substr(at, 4) != "PK\x01\x02") return {};
        const std::uint32_t flags = little(zip, at + 8, 2);
        const std::size_t nameLength = little(zip, at + 28, 2);
        const std::size_t extra = little(zip, at + 30, 2);
        const std::size_t comment = little(zip, at + 32, 2);
        if (at + 46 + nameLength > zip.size()) return {};
        entries.push_back({std::string(zip.substr(at + 46, nameLength)), (flags & 0x800) != 0});
        at += 46 + nameLength + extra + comment;
    }
    return entries;
}

constexpr wchar_t kGuide[] = L"はじめにお読みください.txt";

TEST(ReleaseZip, HoldsExactlyTheProgramTheGuideAndTheLicenceAtItsTop) {
    const auto zip = readBytes(zipPath());
    ASSERT_TRUE(zip) << "no release zip named after the version";
    const std::vector<ZipEntry> entries = zipDirectory(*zip);
    ASSERT_FALSE(entries.empty()) << "the zip's directory could not be read";
    std::set<std::wstring> names;
    for (const ZipEntry& entry : entries) {
        const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        // Without the flag, Windows reads a name in its own code page.
        EXPECT_TRUE(ascii || entry.utf8) << "name not marked as UTF-8: " << entry.name;
        const auto name = fromUtf8(entry.name);
        ASSERT_TRUE(name) << "name not UTF-8: " << entry.name;
        names.insert(*name);
    }
    EXPECT_EQ(entries.size(), names.size()) << "a name twice";
    EXPECT_EQ(names, (std::set<std::wstring>{L"Quillmark.exe", kGuide, L"LICENSE.txt"}));
}

TEST(ReleaseZip, GuideAndLicenceAreTextForWindows) {
    const auto guide = readBytes(unpacked(kGuide));
    ASSERT_TRUE(guide) << "guide not unpacked";
    ASSERT_TRUE(guide->starts_with("\xEF\xBB\xBF")) << "no UTF-8 byte-order mark";
    EXPECT_TRUE(crLfOnly(*guide)) << "lines must end in CR LF";
    const auto text = fromUtf8(std::string_view(*guide).substr(3));
    ASSERT_TRUE(text) << "not valid UTF-8";

    // What users must know: the converter to fetch, both buttons and every
    // notice the window shows, how to add Quillmark to Send To.
    std::wstring pagesFailed = toWide(quill::texts::pagesFailed(0));
    pagesFailed.replace(pagesFailed.find(L'0'), 1, L"N");
    for (const std::wstring& topic :
         {std::wstring(L"xdoc2txt.exe"), toWide(quill::texts::kStart),
          toWide(quill::texts::kTextOnly), std::wstring(L"Tab"), toWide(quill::texts::kReady),
          toWide(quill::texts::kConverting), toWide(quill::texts::kWritingHtml),
          toWide(quill::texts::kPrompt), pagesFailed,
          std::wstring(L"変換を中断しました（未変換 N 件）"),
          std::wstring(L"変換を中断しました（未変換 N 件、html作成失敗 M 件）"),
          std::wstring(L"「exit」"), std::wstring(L"LICENSE.txt"), std::wstring(L"shell:sendto")}) {
        EXPECT_NE(text->find(topic), std::wstring::npos)
            << "the guide does not name " << toUtf8(topic);
    }

    const auto licence = readBytes(unpacked(L"LICENSE.txt"));
    ASSERT_TRUE(licence) << "licence not unpacked";
    EXPECT_TRUE(licence->starts_with("MIT License\r\n"));
    EXPECT_NE(licence->find("Copyright (c) 2026 The Quillmark developers\r\n"), std::string::npos);
    EXPECT_TRUE(crLfOnly(*licence)) << "lines must end in CR LF";
}

TEST(ReleaseZip, ProgramIsTheBuiltOneWithTheProjectVersion) {
    const std::wstring program = unpacked(L"Quillmark.exe");
    expectProjectVersionResource(program);

    // A copy of the built program lies beside this test.
    const auto built = readBytes(ownFolder() + L"\\Quillmark.exe");
    ASSERT_TRUE(built) << "no built Quillmark.exe";
    EXPECT_TRUE(readBytes(program) == built) << "the zip holds another Quillmark.exe";
}

}  // namespace
