// Non-copyable owners of Win32 handles, each closing its handle the one right way.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win32 {

// Owns a handle whose empty value has the bits InvalidBits (0, or all ones for the file
// handles of CreateFile), and closes it with Close. Closing keeps GetLastError, so that a
// failure read after the owner has gone is the one that counts.
template <typename T, auto Close, std::uintptr_t InvalidBits = 0>
class Scoped {
public:
    static T Invalid() { return reinterpret_cast<T>(InvalidBits); }

    Scoped() = default;
    explicit Scoped(T handle) : handle_(handle) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { reset(); }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid(); }
    void reset(T handle = Invalid()) {
        if (handle_ != Invalid()) {
            const DWORD error = GetLastError();
            Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }
    // Hands the handle over to the caller, who closes it from now on.
    [[nodiscard]] T release() {
        const T handle = handle_;
        handle_ = Invalid();
        return handle;
    }

private:
    T handle_ = Invalid();
};

using ScopedHandle = Scoped<HANDLE, CloseHandle>;                    // processes, threads, tokens
using ScopedFile = Scoped<HANDLE, CloseHandle, ~std::uintptr_t{0}>;  // what CreateFile opened
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
