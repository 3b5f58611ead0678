#include "drop_target.h"

#include <shellapi.h>

#include "scoped.h"
#include "wide.h"

namespace quill::win32 {

namespace {
// The effect to report for a drop: a copy, else a link. Never a move: the
// program only reads the paths, and a source told of a move may delete its
// original.
DWORD chooseEffect(DWORD allowed) {
    constexpr DWORD kPreferred[] = {DROPEFFECT_COPY, DROPEFFECT_LINK};
    for (const DWORD effect : kPreferred) {
        if (allowed & effect) return effect;
    }
    return DROPEFFECT_NONE;
}
}  // namespace

DropData readDropData(IDataObject* data) {
    DropData drop;
    if (!data) return drop;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    StorageMedium medium;
    if (FAILED(data->GetData(&format, medium.put())) || medium.get().tymed != TYMED_HGLOBAL)
        return drop;
    const auto list = reinterpret_cast<HDROP>(medium.get().hGlobal);
    drop.hasFileList = true;
    const UINT count = ::DragQueryFileW(list, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(list, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        const UINT copied = ::DragQueryFileW(list, i, path.data(), length + 1);
        path.resize(copied);
        drop.files.push_back(fromWide(path));
    }
    return drop;
}

bool DropTarget::registerFor(HWND window) {
    window_ = window;
    return SUCCEEDED(::RegisterDragDrop(window, this));
}

void DropTarget::revoke() {
    if (window_) ::RevokeDragDrop(window_);
    window_ = nullptr;
}

HRESULT DropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT DropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = chooseEffect(*effect);
    return S_OK;
}

HRESULT DropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = chooseEffect(*effect);
    return S_OK;
}

HRESULT DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (effect) *effect = chooseEffect(*effect);
    try {
        onDrop_(readDropData(data));
    } catch (...) {
        return E_UNEXPECTED;  // nothing may unwind into the drag source
    }
    return S_OK;
}

}  // namespace quill::win32
