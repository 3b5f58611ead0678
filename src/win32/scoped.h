#pragma once
// Tiny owners for the Windows handles the program holds: each closes what it
// owns exactly once, and can be moved but not copied.

#include <windows.h>

#include <ole2.h>

#include <cstddef>
#include <utility>

namespace quill::win32 {

// An owner of a handle; Traits names its type, its empty value and how it
// is closed.
template <class Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() = default;
    explicit Scoped(Handle handle) noexcept : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    [[nodiscard]] explicit operator bool() const noexcept { return handle_ != Traits::empty(); }
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) noexcept {
        if (handle_ != Traits::empty()) Traits::close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::empty();
};

template <class H, auto Close>
struct NullEmpty {
    using Handle = H;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle handle) noexcept { Close(handle); }
};

struct FileTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) noexcept { ::CloseHandle(handle); }
};

inline void closeHandle(HANDLE handle) noexcept {
    ::CloseHandle(handle);
}
inline void freeGlobal(HGLOBAL memory) noexcept {
    ::GlobalFree(memory);
}
inline void deleteFont(HFONT font) noexcept {
    ::DeleteObject(font);
}
inline void freeLibrary(HMODULE module) noexcept {
    ::FreeLibrary(module);
}
inline void freeProcessHeap(char* block) noexcept {
    ::HeapFree(::GetProcessHeap(), 0, block);
}
inline void unhook(HHOOK hook) noexcept {
    ::UnhookWindowsHookEx(hook);
}
inline void freeEnvironmentStrings(wchar_t* block) noexcept {
    ::FreeEnvironmentStringsW(block);
}
inline void destroyWindow(HWND window) noexcept {
    ::DestroyWindow(window);
}
inline void freeLocal(wchar_t** block) noexcept {
    ::LocalFree(block);
}

// Kernel objects: processes, mutexes, events.
using UniqueHandle = Scoped<NullEmpty<HANDLE, closeHandle>>;
// Files, whose failed open gives INVALID_HANDLE_VALUE instead.
using UniqueFile = Scoped<FileTraits>;
using UniqueGlobal = Scoped<NullEmpty<HGLOBAL, freeGlobal>>;
using UniqueFont = Scoped<NullEmpty<HFONT, deleteFont>>;
using UniqueModule = Scoped<NullEmpty<HMODULE, freeLibrary>>;
// A string allocated on the process heap by someone else (e.g. Wine's path mapping).
using UniqueHeapString = Scoped<NullEmpty<char*, freeProcessHeap>>;
using UniqueHook = Scoped<NullEmpty<HHOOK, unhook>>;
// The program's environment block as GetEnvironmentStringsW gives it.
using UniqueEnvironmentBlock = Scoped<NullEmpty<wchar_t*, freeEnvironmentStrings>>;
using UniqueWindow = Scoped<NullEmpty<HWND, destroyWindow>>;
// The argument vector CommandLineToArgvW gives.
using UniqueArgv = Scoped<NullEmpty<wchar_t**, freeLocal>>;

// A global memory block locked for the lifetime of this object.
template <class T>
class GlobalLock {
public:
    explicit GlobalLock(HGLOBAL memory) noexcept
        : memory_(memory), data_(static_cast<T*>(::GlobalLock(memory))) {}
    ~GlobalLock() {
        if (data_) ::GlobalUnlock(memory_);
    }
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    [[nodiscard]] T* get() const noexcept { return data_; }
    // The block's size in bytes, which may be more than was asked for.
    [[nodiscard]] std::size_t bytes() const noexcept { return data_ ? ::GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    T* data_;
};

// The clipboard, opened for the lifetime of this object. Another program may
// hold it for a moment: the open is retried briefly before it gives up.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) noexcept {
        for (int attempt = 0; attempt < kAttempts && !open_; ++attempt) {
            open_ = ::OpenClipboard(owner) != FALSE;
            if (!open_) ::Sleep(kRetryMs);
        }
    }
    ~ClipboardSession() {
        if (open_) ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    [[nodiscard]] bool open() const noexcept { return open_; }

private:
    static constexpr int kAttempts = 20;
    static constexpr DWORD kRetryMs = 25;
    bool open_ = false;
};

// A storage medium returned by IDataObject::GetData, released on destruction.
class StorageMedium {
public:
    StorageMedium() noexcept : medium_{} {}
    ~StorageMedium() {
        if (medium_.tymed != TYMED_NULL) ::ReleaseStgMedium(&medium_);
    }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    [[nodiscard]] STGMEDIUM* put() noexcept { return &medium_; }
    [[nodiscard]] const STGMEDIUM& get() const noexcept { return medium_; }

private:
    STGMEDIUM medium_;
};

// OLE for this thread (drag and drop needs it), initialised once.
class OleSession {
public:
    OleSession() noexcept : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession() {
        if (ok_) ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    [[nodiscard]] bool ok() const noexcept { return ok_; }

private:
    bool ok_;
};

}  // namespace quill::win32
