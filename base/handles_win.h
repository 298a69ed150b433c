// Owning, move-only wrappers for the handles the program creates.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace selvaro {

struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct KernelHandleDeleter {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

using unique_hfont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using unique_hbrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using unique_handle = std::unique_ptr<void, KernelHandleDeleter>;

// A kernel handle that reports failure as INVALID_HANDLE_VALUE owns nothing then.
inline unique_handle OwnFileHandle(HANDLE handle) {
    return unique_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A device context borrowed from a window, released when it goes out of scope.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

}  // namespace selvaro
