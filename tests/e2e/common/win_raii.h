// Owners for the Win32 resources that the end-to-end helpers and tests use.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <utility>

namespace quill::e2e {

// A kernel object handle; both NULL and INVALID_HANDLE_VALUE mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] HANDLE get() const { return h_; }
    [[nodiscard]] bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    void reset(HANDLE h = nullptr) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Memory from GlobalAlloc until ownership passes elsewhere (e.g. SetClipboardData).
class UniqueGlobal {
public:
    UniqueGlobal() = default;
    explicit UniqueGlobal(HGLOBAL h) : h_(h) {}
    UniqueGlobal(UniqueGlobal&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueGlobal& operator=(UniqueGlobal&& o) noexcept {
        if (this != &o) {
            if (h_) GlobalFree(h_);
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueGlobal(const UniqueGlobal&) = delete;
    UniqueGlobal& operator=(const UniqueGlobal&) = delete;
    ~UniqueGlobal() {
        if (h_) GlobalFree(h_);
    }

    [[nodiscard]] HGLOBAL get() const { return h_; }
    [[nodiscard]] HGLOBAL release() { return std::exchange(h_, nullptr); }

private:
    HGLOBAL h_ = nullptr;
};

// GlobalLock for the lifetime of the object.
template <typename T>
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : h_(h), p_(h ? static_cast<T*>(GlobalLock(h)) : nullptr) {}
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    ~GlobalLockGuard() {
        if (p_) GlobalUnlock(h_);
    }
    [[nodiscard]] T* get() const { return p_; }
    [[nodiscard]] SIZE_T size() const { return p_ ? GlobalSize(h_) : 0; }

private:
    HGLOBAL h_;
    T* p_;
};

// The clipboard, opened for this scope. Another program may hold it for a
// moment, so opening is retried for up to timeout_ms.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner, DWORD timeout_ms = 5000) {
        const ULONGLONG end = GetTickCount64() + timeout_ms;
        while (!(open_ = OpenClipboard(owner) != FALSE) && GetTickCount64() < end) Sleep(10);
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    ~ClipboardSession() {
        if (open_) CloseClipboard();
    }
    [[nodiscard]] bool is_open() const { return open_; }

private:
    bool open_ = false;
};

// One COM interface reference.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }
    [[nodiscard]] T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    [[nodiscard]] T** put() {
        if (p_) std::exchange(p_, nullptr)->Release();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// OleInitialize / OleUninitialize for the calling thread.
class OleScope {
public:
    OleScope() : hr_(OleInitialize(nullptr)) {}
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    ~OleScope() {
        if (SUCCEEDED(hr_)) OleUninitialize();
    }
    [[nodiscard]] HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

// A window this program created.
class UniqueWindow {
public:
    UniqueWindow() = default;
    explicit UniqueWindow(HWND h) : h_(h) {}
    UniqueWindow(UniqueWindow&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueWindow& operator=(UniqueWindow&& o) noexcept {
        if (this != &o) {
            if (h_) DestroyWindow(h_);
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueWindow(const UniqueWindow&) = delete;
    UniqueWindow& operator=(const UniqueWindow&) = delete;
    ~UniqueWindow() {
        if (h_ && IsWindow(h_)) DestroyWindow(h_);
    }
    [[nodiscard]] HWND get() const { return h_; }

private:
    HWND h_ = nullptr;
};

class UniqueHook {
public:
    explicit UniqueHook(HHOOK h) : h_(h) {}
    UniqueHook(const UniqueHook&) = delete;
    UniqueHook& operator=(const UniqueHook&) = delete;
    ~UniqueHook() {
        if (h_) UnhookWindowsHookEx(h_);
    }
    [[nodiscard]] HHOOK get() const { return h_; }

private:
    HHOOK h_;
};

}  // namespace quill::e2e
