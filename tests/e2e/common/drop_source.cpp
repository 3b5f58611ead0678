#include "drop_source.h"

#include <shlobj.h>

#include <cstring>

#include "win_raii.h"

namespace quill::e2e {

std::vector<char> DropData::fileList(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& p : paths) list += p + L'\0';
    list += L'\0';
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::vector<char> bytes(sizeof header + list.size() * sizeof(wchar_t));
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, list.data(), list.size() * sizeof(wchar_t));
    return bytes;
}

std::vector<char> DropData::unicodeText(const std::wstring& text) {
    std::vector<char> bytes((text.size() + 1) * sizeof(wchar_t));
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

HRESULT DropData::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT DropData::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    if (format->cfFormat != format_ || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    return S_OK;
}

HRESULT DropData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_INVALIDARG;
    if (const HRESULT hr = QueryGetData(format); hr != S_OK) return hr;
    UniqueGlobal mem(GlobalAlloc(GMEM_MOVEABLE, bytes_.size()));
    if (!mem.get()) return E_OUTOFMEMORY;
    {
        GlobalLock<char> lock(mem.get());
        if (!lock.get()) return E_OUTOFMEMORY;
        std::memcpy(lock.get(), bytes_.data(), bytes_.size());
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = mem.release();  // the receiver frees it with ReleaseStgMedium
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT DropData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT DropData::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC fe = formatEtc();
    return SHCreateStdEnumFmtEtc(1, &fe, out);
}

HRESULT DropSource::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IDropSource) {
        *out = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT DropSource::QueryContinueDrag(BOOL escape, DWORD keyState) {
    ++queries;
    if (escape || cancel) return DRAGDROP_S_CANCEL;
    return (keyState & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT DropSource::GiveFeedback(DWORD effect) {
    lastEffect = effect;
    ++feedbacks;
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

}  // namespace quill::e2e
