// The DPI that the system and a window run at, and fonts made for a DPI. The per-monitor
// functions are looked up at run time: where the system lacks them (older Windows, parts of Wine)
// everything falls back to the system DPI, so the program starts and looks as it did there.
#pragma once

#include <windows.h>

// The DPI everything is laid out for at 100 % scaling.
constexpr UINT BaseDpi = 96;

// The system DPI (GetDpiForSystem, else the screen's LOGPIXELSY).
UINT SystemDpi();

// The DPI of the monitor the window is on (GetDpiForWindow, else the system DPI).
UINT WindowDpi(HWND window);

// A length laid out at BaseDpi, at dpi.
int ScaleForDpi(int value, UINT dpi);

// A stock font (SYSTEM_FONT, OEM_FIXED_FONT, ...) at dpi. Stock fonts are made for the system
// DPI; at another DPI this is a new font of the same face and family with its height scaled from
// the system DPI to dpi, deleted at the end. At the system DPI it is the stock font itself.
class DpiFont {
  public:
    DpiFont(int stockFont, UINT dpi);
    ~DpiFont();
    DpiFont(const DpiFont&) = delete;
    DpiFont& operator=(const DpiFont&) = delete;
    operator HFONT() const { return font; }

  private:
    HFONT font;
    bool owned;
};

// The system's message font (the one message boxes and dialogs of today's look use) at dpi, as a
// new font the caller deletes (SystemParametersInfoForDpi, else the system's metrics scaled from
// the system DPI). Null when the system gives no metrics.
HFONT CreateMessageFont(UINT dpi);
