// The splash window on Win32: a standard frame, the stretched picture and a timer.
#include <cstdint>
#include <cstring>

#include "base/gif_picture.h"
#include "platform/win32/system_error.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"SmsServerSplash";
constexpr UINT_PTR kTimerId = 1;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;

// Draws the GIF of an RCDATA resource, stretched to width x height, into a new bitmap; null
// when the picture cannot be read, and the window then shows without it.
HBITMAP LoadStretchedPicture(HINSTANCE instance, int resourceId, int width, int height) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
    if (!resource) return nullptr;
    const auto* bytes =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(instance, resource)));
    if (!bytes) return nullptr;
    const auto picture = base::DecodeGif({bytes, SizeofResource(instance, resource)});
    if (!picture) return nullptr;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = picture->width;
    info.header.biHeight = -picture->height;  // rows top to bottom
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    // 0x00RRGGBB in memory is an RGBQUAD: blue, green, red, reserved.
    std::memcpy(info.colours, picture->palette.data(), sizeof(info.colours));

    ScopedBitmap bitmap;
    ScopedMemoryDC memory;
    {
        const ScopedWindowDC screen(nullptr);
        bitmap.reset(CreateCompatibleBitmap(screen.get(), width, height));
        memory.reset(CreateCompatibleDC(screen.get()));
    }
    if (!bitmap || !memory) return nullptr;
    {
        const ScopedSelect select(memory.get(), bitmap.get());
        SetStretchBltMode(memory.get(), COLORONCOLOR);
        StretchDIBits(memory.get(), 0, 0, width, height, 0, 0, picture->width, picture->height,
                      picture->pixels.data(), reinterpret_cast<const BITMAPINFO*>(&info),
                      DIB_RGB_COLORS, SRCCOPY);
    }
    return bitmap.release();
}

}  // namespace

Win32SplashWindow::Win32SplashWindow(HINSTANCE instance, int iconId, int pictureId)
    : instance_(instance), iconId_(iconId), pictureId_(pictureId) {}

Win32SplashWindow::~Win32SplashWindow() { Unload(); }

std::optional<base::Failure> Win32SplashWindow::Load(const platform::SplashDesign& design,
                                                     std::function<void()> onTick) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(iconId_));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return LastErrorFailure();

    picture_.reset(
        LoadStretchedPicture(instance_, pictureId_, design.imageWidth, design.imageHeight));
    pictureWidth_ = design.imageWidth;
    pictureHeight_ = design.imageHeight;
    onTick_ = std::move(onTick);

    RECT frame{0, 0, design.clientWidth, design.clientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!CreateWindowExW(0, kWindowClass, design.caption.c_str(), kWindowStyle, left, top, width,
                         height, nullptr, nullptr, instance_, this)) {
        return LastErrorFailure();
    }
    SetTimer(window_, kTimerId, design.timerIntervalMs, nullptr);
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return std::nullopt;
}

void Win32SplashWindow::Unload() {
    if (!window_) return;
    unloading_ = true;
    DestroyWindow(window_);
}

void Win32SplashWindow::RunUntilClosed() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK Win32SplashWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32SplashWindow*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32SplashWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Win32SplashWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
        case WM_TIMER:
            if (wParam != kTimerId) break;
            KillTimer(window, kTimerId);
            if (onTick_) {
                // Taken out first: the tick destroys this window, and it runs only once.
                const auto tick = std::move(onTick_);
                onTick_ = nullptr;
                tick();
                // The start sequence has run: the program ends with it.
                PostQuitMessage(0);
            }
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_DESTROY:
            // Only a window the user closed ends the message loop. A quit message left
            // behind by an unload would make every later message box return at once.
            if (!unloading_) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            window_ = nullptr;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32SplashWindow::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    if (picture_) {
        ScopedMemoryDC memory(CreateCompatibleDC(dc));
        ScopedSelect select(memory.get(), picture_.get());
        BitBlt(dc, 0, 0, pictureWidth_, pictureHeight_, memory.get(), 0, 0, SRCCOPY);
    }
    EndPaint(window_, &paint);
}

}  // namespace win32
