// Non-copyable owners of Win32 handles, each closing its handle the one right way.
#pragma once

#include <windows.h>

#include <type_traits>

namespace win32 {

// Owns a handle and closes it with Close. A handle is empty when it is null, or, for the
// HANDLE owners, INVALID_HANDLE_VALUE, which CreateFile gives where others give null: one test
// for both. Closing keeps GetLastError, so that a failure read after the owner has gone is the
// one that counts. Movable, never copied.
template <typename T, auto Close>
class Scoped {
public:
    static bool IsValid(T handle) {
        if constexpr (std::is_same_v<T, HANDLE>) {
            if (handle == INVALID_HANDLE_VALUE) return false;
        }
        return handle != nullptr;
    }

    Scoped() = default;
    explicit Scoped(T handle) : handle_(handle) {}
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { reset(); }

    T get() const { return handle_; }
    explicit operator bool() const { return IsValid(handle_); }
    void reset(T handle = nullptr) {
        if (IsValid(handle_)) {
            const DWORD error = GetLastError();
            Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }
    // Where a call that gives a handle through a pointer puts it; what was held is closed.
    T* Out() {
        reset();
        return &handle_;
    }
    // Hands the handle over to the caller, who closes it from now on.
    [[nodiscard]] T release() {
        const T handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    T handle_ = nullptr;
};

using ScopedHandle = Scoped<HANDLE, CloseHandle>;  // files, processes, threads, tokens, pipes
using ScopedKey = Scoped<HKEY, RegCloseKey>;       // registry keys
using ScopedBitmap = Scoped<HBITMAP, DeleteObject>;
using ScopedMemoryDC = Scoped<HDC, DeleteDC>;
using ScopedModule = Scoped<HMODULE, FreeLibrary>;
using ScopedLocalMemory = Scoped<HLOCAL, LocalFree>;  // what the system allocated for us

// A window's device context (GetDC), given back to the window with ReleaseDC.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ~ScopedWindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace win32
