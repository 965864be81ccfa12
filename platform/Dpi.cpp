#include "platform/Dpi.h"

namespace {

using GetDpiForSystemProc = UINT(WINAPI*)();
using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using SystemParametersInfoForDpiProc = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// A function of user32 by name, or null where this system has none.
template <typename Proc> Proc User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr)
        return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

} // namespace

UINT SystemDpi() {
    static const auto getDpiForSystem = User32Function<GetDpiForSystemProc>("GetDpiForSystem");
    UINT dpi = getDpiForSystem != nullptr ? getDpiForSystem() : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
            ReleaseDC(nullptr, screen);
        }
    }
    return dpi != 0 ? dpi : BaseDpi;
}

UINT WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowProc>("GetDpiForWindow");
    UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

int ScaleForDpi(int value, UINT dpi) {
    return MulDiv(value, static_cast<int>(dpi), static_cast<int>(BaseDpi));
}

DpiFont::DpiFont(int stockFont, UINT dpi)
    : font(static_cast<HFONT>(GetStockObject(stockFont))), owned(false) {
    UINT system = SystemDpi();
    LOGFONTA shape = {};
    if (dpi == 0 || dpi == system || font == nullptr || GetObjectA(font, sizeof shape, &shape) == 0)
        return;
    shape.lfHeight = MulDiv(shape.lfHeight, static_cast<int>(dpi), static_cast<int>(system));
    shape.lfWidth = MulDiv(shape.lfWidth, static_cast<int>(dpi), static_cast<int>(system));
    HFONT scaled = CreateFontIndirectA(&shape);
    if (scaled != nullptr) {
        font = scaled;
        owned = true;
    }
}

DpiFont::~DpiFont() {
    if (owned)
        DeleteObject(font);
}

HFONT CreateMessageFont(UINT dpi) {
    static const auto forDpi =
        User32Function<SystemParametersInfoForDpiProc>("SystemParametersInfoForDpi");
    if (forDpi != nullptr) {
        // The function has only a wide form.
        NONCLIENTMETRICSW wide = {};
        wide.cbSize = sizeof wide;
        if (forDpi(SPI_GETNONCLIENTMETRICS, sizeof wide, &wide, 0, dpi))
            return CreateFontIndirectW(&wide.lfMessageFont);
    }
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    LOGFONTA& font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return CreateFontIndirectA(&font);
}
