#include "tests/win/SelectionTestSupport.h"

#include "tests/win/TestBed.h"

namespace {

const COLORREF squareColours[8] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(255, 0, 0),
                                   RGB(0, 255, 0),   RGB(0, 0, 255),     RGB(255, 255, 0),
                                   RGB(0, 255, 255), RGB(255, 0, 255)};

} // namespace

COLORREF ColourSquareAt(int x, int y) {
    return squareColours[(x / 16 + y / 16) % 8];
}

HBITMAP ColourSquaresBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < height; y += 16) {
        for (int x = 0; x < width; x += 16) {
            HBRUSH brush = CreateSolidBrush(ColourSquareAt(x, y));
            RECT square = {x, y, x + 16, y + 16};
            FillRect(memory, &square, brush);
            DeleteObject(brush);
        }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

std::string WindowTitle(HWND window) {
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

bool ShownAs(COLORREF shown, COLORREF painted) {
    static const int bits = DisplayBits();
    COLORREF mask = bits == 16 ? 0xF8F8F8 : 0xFFFFFF;
    return (shown & mask) == (painted & mask);
}

std::string BandFault(HWND window, const RECT* band) {
    ClientPixels shown = ScreenClientPixels(window);
    ClientPixels painted = PrintClientPixels(window);
    if (shown.width == 0 || shown.width != painted.width || shown.height != painted.height) {
        return "the client area could not be read";
    }
    RECT r = {};
    if (band != nullptr) {
        r.left = band->left < band->right ? band->left : band->right;
        r.right = band->left < band->right ? band->right : band->left;
        r.top = band->top < band->bottom ? band->top : band->bottom;
        r.bottom = band->top < band->bottom ? band->bottom : band->top;
    }
    int sides[4] = {}; // differing pixels on the left, top, right and bottom sides
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (ShownAs(shown.At(x, y), painted.At(x, y))) {
                continue;
            }
            bool inX = x >= r.left && x < r.right;
            bool inY = y >= r.top && y < r.bottom;
            bool onOutline = band != nullptr && ((inY && (x == r.left || x == r.right - 1)) ||
                                                 (inX && (y == r.top || y == r.bottom - 1)));
            if (!onOutline) {
                char text[160];
                snprintf(text, sizeof text, "(%d,%d) shows 0x%06lx, painted 0x%06lx: a stray mark",
                         x, y, static_cast<unsigned long>(shown.At(x, y)),
                         static_cast<unsigned long>(painted.At(x, y)));
                return text;
            }
            sides[0] += inY && x == r.left;
            sides[1] += inX && y == r.top;
            sides[2] += inY && x == r.right - 1;
            sides[3] += inX && y == r.bottom - 1;
        }
    }
    if (band == nullptr) {
        return "";
    }
    auto visibleLength = [](LONG from, LONG to, int limit) {
        LONG a = from < 0 ? 0 : from;
        LONG b = to > limit ? limit : to;
        return b > a ? int(b - a) : 0;
    };
    int width = visibleLength(r.left, r.right, shown.width);
    int height = visibleLength(r.top, r.bottom, shown.height);
    const bool visible[4] = {r.left >= 0 && r.left < shown.width,
                             r.top >= 0 && r.top < shown.height,
                             r.right - 1 >= 0 && r.right - 1 < shown.width,
                             r.bottom - 1 >= 0 && r.bottom - 1 < shown.height};
    const int lengths[4] = {height, width, height, width};
    const char* names[4] = {"left", "top", "right", "bottom"};
    for (int side = 0; side < 4; ++side) {
        if (visible[side] && lengths[side] > 0 && sides[side] * 4 < lengths[side]) {
            return std::string("the band's ") + names[side] + " side is not drawn (" +
                   std::to_string(sides[side]) + " of " + std::to_string(lengths[side]) +
                   " pixels)";
        }
    }
    return "";
}
