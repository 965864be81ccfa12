// PNG images on the clipboard. Browsers and screenshot tools hand images over as the registered
// format "PNG", and under Wine a program that offers only image/png on the X clipboard arrives
// as "PNG" alone. Such an image is decoded and placed beside it as a CF_DIB, so that from then
// on it is treated exactly like a CF_DIB from another program.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The registered clipboard format "PNG".
UINT PngClipboardFormat();

// Decodes a PNG file image with the platform's codec into a packed DIB of 24 bits, every pixel
// composed over white. Returns the block (GMEM_MOVEABLE, unlocked; the caller owns it), or null
// when the bytes are not a whole PNG with intact chunks (CheckPngChunks), the codec cannot read
// them, or the image is larger than a DIB may be.
HGLOBAL DibFromPng(const uint8_t* data, size_t size);

// With the clipboard open: when it holds "PNG" and neither CF_BITMAP nor CF_DIB, places the
// decoded image as CF_DIB, `suppress` stored into ignoreNextClipboardChange first. Returns 1
// when a CF_DIB was placed, 0 otherwise (nothing changes on the clipboard then).
int PngToClipboard(int suppress);
