// Scope guards for device contexts and GDI objects: each releases what it holds on every path,
// so "get, select, draw, restore, delete" stays balanced.
#pragma once

#include <windows.h>

// GetDC / ReleaseDC.
class ScopedGetDC {
  public:
    explicit ScopedGetDC(HWND of) : window(of), dc(GetDC(of)) {}
    ~ScopedGetDC() {
        if (dc != nullptr) {
            ReleaseDC(window, dc);
        }
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    operator HDC() const { return dc; }

  private:
    HWND window;
    HDC dc;
};

// CreateCompatibleDC / DeleteDC.
class ScopedMemoryDC {
  public:
    explicit ScopedMemoryDC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (dc != nullptr) {
            DeleteDC(dc);
        }
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    operator HDC() const { return dc; }

  private:
    HDC dc;
};

// SelectObject, and the previous object selected back at the end.
class ScopedSelectObject {
  public:
    ScopedSelectObject(HDC into, HGDIOBJ object) : dc(into), previous(SelectObject(into, object)) {}
    ~ScopedSelectObject() {
        if (previous != nullptr && previous != HGDI_ERROR) {
            SelectObject(dc, previous);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

  private:
    HDC dc;
    HGDIOBJ previous;
};

// A GDI object (bitmap, brush, palette, ...) deleted at the end unless released.
template <typename Handle> class ScopedGdiObject {
  public:
    explicit ScopedGdiObject(Handle owned) : object(owned) {}
    ~ScopedGdiObject() {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    operator Handle() const { return object; }
    Handle Get() const { return object; }
    // Hands the object over (for example to the clipboard); it is no longer deleted here.
    Handle Release() {
        Handle handed = object;
        object = nullptr;
        return handed;
    }

  private:
    Handle object;
};
