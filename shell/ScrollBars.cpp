#include "shell/ScrollBars.h"

#include "shell/AppState.h"
#include "shell/RectangleSelection.h"
#include "views/ClipboardView.h"

namespace {

const int lastPosition = 8;

} // namespace

int ScrolledPosition(int position, WPARAM wParam) {
    // SB_LINEUP, SB_PAGEUP and so on have the same codes as their horizontal twins.
    switch (LOWORD(wParam)) {
    case SB_LINELEFT: return position > 0 ? position - 1 : 0;
    case SB_LINERIGHT: return position < lastPosition ? position + 1 : lastPosition;
    case SB_PAGELEFT: return 0;
    case SB_PAGERIGHT: return lastPosition;
    case SB_THUMBPOSITION: {
        int thumb = HIWORD(wParam);
        return thumb > lastPosition ? lastPosition : thumb;
    }
    default: return position; // the view does not follow the thumb while it is dragged
    }
}

void OnScroll(int bar, WPARAM wParam) {
    if (app.view == ViewNone)
        return;
    int h = GetScrollPos(app.mainWindow, SB_HORZ);
    int v = GetScrollPos(app.mainWindow, SB_VERT);
    int& moved = bar == SB_HORZ ? h : v;
    moved = ScrolledPosition(moved, wParam);
    SetScrollPos(app.mainWindow, bar, moved, TRUE);
    // Painted at once, not through a paint message; this also sets the view offsets. The band
    // comes off first, as the view may not cover all of it, and goes back on at the new place.
    BandBeforePaint();
    PaintClipboardView(h, v);
    BandAfterScroll();
}
