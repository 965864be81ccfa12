// The selection rectangle of the bitmap view: marked with the mouse, dropped with Escape, kept
// on the image while the view scrolls, and shown as a band drawn by inversion.
#pragma once

#include <windows.h>

// Moves a rectangle between client and image pixels by the view offsets: with toImage 1 the
// offsets are added (client to image), with 0 they are subtracted (image to client).
RECT TranslateRect(const RECT& rect, int toImage);

// The band on the main window. DrawBand removes a band already on screen first, so at most one
// band is ever visible; EraseBand removes it when one is on screen and does nothing otherwise.
void DrawBand(const RECT& rect);
void EraseBand();

// Drops the rectangle: removes its band, puts the product title back and forgets rectClient.
void DropRectangle();

// Shows the marked rectangle: its band at rectClient and the status caption as the title.
void ShowRectangle();

// Message handlers of MainWndProc. lParam carries the pointer position in client pixels.
void OnLeftButtonDown(LPARAM lParam);
void OnMouseMove(LPARAM lParam);
void OnLeftButtonUp();
void OnCaptureLost(HWND gainedBy);
void OnKeyDown(WPARAM wParam);

// Called around every repaint of the window: the band comes off before the client area is
// painted and goes back on afterwards at the rectangle's place over the clipboard view.
void BandBeforePaint();
void BandAfterPaint();

// After the scroll bars have painted the view at new offsets: the band goes back on at the
// rectangle's new client place (whatever the screen, as the scroll bars paint the view).
void BandAfterScroll();
