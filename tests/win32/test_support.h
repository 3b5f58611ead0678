#pragma once
// Shared pieces of the in-process window tests: a started window, control
// geometry in twips, and home-made drag-and-drop data.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_window.h"
#include "message_loop.h"
#include "scoped.h"

namespace quill::win32::test {

std::u16string windowText(HWND window);

// A control's rectangle in the client area of its parent, in twips.
struct TwipsRect {
    int left, top, width, height;
};
TwipsRect controlTwips(const MainWindow& window, HWND control);

// A fresh, shown main window of this process.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void pump() { (void)pumpPending(window.hwnd()); }

    OleSession ole;
    MainWindow window{::GetModuleHandleW(nullptr), false};
};

// Data for a drop: a file list (CF_HDROP), or only text when no paths are
// given. Lives on the stack; Release never deletes it.
class DraggedData final : public IDataObject {
public:
    explicit DraggedData(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    [[nodiscard]] CLIPFORMAT format() const { return paths_.empty() ? CF_UNICODETEXT : CF_HDROP; }
    std::vector<std::wstring> paths_;
};

// A folder of its own under the temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] std::u16string path(std::u16string_view name) const {
        return path_ + u"\\" + std::u16string(name);
    }

private:
    std::u16string path_;
};

}  // namespace quill::win32::test
