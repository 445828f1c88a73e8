// GDI+ for what GDI lacks: writing PNG files, and decoding the image formats
// beyond BMP and ICO (PNG, GIF, JPEG, TIFF) that a loader recognises by
// content. GDI+ is started on first use and stays up until the program ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "win/canvas/gdi_bitmap.h"

namespace chizro {

// Writes `height` rows of `width` 32-bit pixels (0x00RRGGBB, rows from the
// top, `stride` bytes apart) to `path` as a PNG file. False when GDI+ cannot
// write it.
bool SavePngFile(const void* pixels, int width, int height, int stride, const std::wstring& path);

// An image file in memory, in any format GDI+ reads. Throws EImageFormat.
TPixels DecodeWithGdiplus(std::span<const std::uint8_t> file);

}  // namespace chizro
