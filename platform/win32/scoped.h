// Non-copyable owners of Win32 handles, each closing its handle the one right way.
#pragma once

#include <windows.h>

namespace win32 {

template <typename T, auto Close, T Invalid = T{}>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(T handle) : handle_(handle) {}
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { reset(); }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    void reset(T handle = Invalid) {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }

private:
    T handle_ = Invalid;
};

using ScopedHandle = Scoped<HANDLE, CloseHandle>;
using ScopedBitmap = Scoped<HBITMAP, DeleteObject>;
using ScopedMemoryDC = Scoped<HDC, DeleteDC>;
using ScopedModule = Scoped<HMODULE, FreeLibrary>;

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
