// Images through the clipboard: as a device-independent bitmap or as "PNG", both ways.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/bmp.h"

namespace molvane::viewer {

// Puts the image on the clipboard as a 24-bit device-independent bitmap and
// as the registered "PNG" format: under Wine a Linux program is offered the
// image only through the PNG (image/png). False with a French message saying why.
bool CopyImage(HWND owner, const host::Bitmap24& image, std::string& error);

// The image another program put there: a device-independent bitmap of 24 or
// 32 bits, or the registered "PNG" format that browsers and screenshot tools
// use. False with a French message when there is none or it cannot be read.
bool PasteImage(HWND owner, host::Bitmap24& image, std::string& error);

// A packed device-independent bitmap (its info header, masks, then rows) of
// 24 or 32 bits, uncompressed or with the usual colour masks, rows bottom-up
// or top-down. Reads nothing outside data..data+size; anything else is
// refused with a message saying why.
bool DecodeDib(const uint8_t* data, size_t size, host::Bitmap24& image, std::string& error);

}  // namespace molvane::viewer
