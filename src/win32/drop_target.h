#pragma once
// A window's drop target: it accepts any dropped data, reads only the file
// list (CF_HDROP), and hands a copy of the paths on before Drop returns. It
// reports a copy (or a link), never a move.

#include <windows.h>

#include <ole2.h>

#include <atomic>
#include <functional>

#include "ui/form1.h"

namespace quill::win32 {

// Reads the file list of dropped data; hasFileList is false when the data
// offers none.
[[nodiscard]] DropData readDropData(IDataObject* data);

// Lives as long as the window it is registered for; the window revokes it
// before it goes, so the object itself is never deleted through Release.
class DropTarget final : public IDropTarget {
public:
    using OnDrop = std::function<void(DropData)>;

    explicit DropTarget(OnDrop onDrop) : onDrop_(std::move(onDrop)) {}
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    // Registers this target for the window; revoked by revoke() or when the
    // window is destroyed through it.
    [[nodiscard]] bool registerFor(HWND window);
    void revoke();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override;

private:
    OnDrop onDrop_;
    HWND window_ = nullptr;
    std::atomic<ULONG> references_{1};
};

}  // namespace quill::win32
