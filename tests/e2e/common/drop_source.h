// The data object and drop source that drop_driver hands to DoDragDrop.
//
// Both are owned by the caller's scope, not by their reference count: they must
// be declared before the OleSession of the thread that uses them, so that OLE has
// let go of them before they are destroyed.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <atomic>
#include <string>
#include <vector>

namespace quill::e2e {

// Offers one clipboard format as an HGLOBAL: a wide CF_HDROP file list or
// CF_UNICODETEXT.
class DropData final : public IDataObject {
public:
    [[nodiscard]] static std::vector<char> fileList(const std::vector<std::wstring>& paths);
    [[nodiscard]] static std::vector<char> unicodeText(const std::wstring& text);

    DropData(CLIPFORMAT format, std::vector<char> bytes)
        : format_(format), bytes_(std::move(bytes)) {}
    DropData(const DropData&) = delete;
    DropData& operator=(const DropData&) = delete;
    virtual ~DropData() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    [[nodiscard]] FORMATETC formatEtc() const {
        return {format_, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    }

    CLIPFORMAT format_;
    std::vector<char> bytes_;
    std::atomic<ULONG> refs_{1};
};

// Drops when the left button is up, cancels on Escape. Counts the calls that
// DoDragDrop makes so that another thread can pace the mouse by them.
class DropSource final : public IDropSource {
public:
    DropSource() = default;
    DropSource(const DropSource&) = delete;
    DropSource& operator=(const DropSource&) = delete;
    virtual ~DropSource() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    std::atomic<unsigned> queries{0};
    std::atomic<unsigned> feedbacks{0};
    std::atomic<DWORD> lastEffect{DROPEFFECT_NONE};
    std::atomic<bool> cancel{false};  // set by another thread to give up

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace quill::e2e
