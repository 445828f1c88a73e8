#include "win/gdi_bitmap.h"

#include <algorithm>
#include <cstring>

namespace chizro {

TGdiBitmap::TGdiBitmap(const TPixels& pixels) : width_(pixels.Width), height_(pixels.Height) {
  if (width_ <= 0 || height_ <= 0 ||
      pixels.Data.size() != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_))
    throw std::runtime_error("no pixels for a bitmap");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down rows, as TPixels keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_ || !bits) throw std::runtime_error("GDI cannot make a bitmap of that size");
  alpha_ = std::any_of(pixels.Data.begin(), pixels.Data.end(),
                       [](std::uint32_t p) { return (p >> 24) != 0xFF; });
  auto* out = static_cast<std::uint32_t*>(bits);
  if (!alpha_) {
    std::memcpy(out, pixels.Data.data(), pixels.Data.size() * sizeof(std::uint32_t));
    return;
  }
  // Blending takes premultiplied colours.
  for (std::size_t i = 0; i < pixels.Data.size(); ++i) {
    const std::uint32_t p = pixels.Data[i];
    const std::uint32_t a = p >> 24;
    auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    out[i] = (a << 24) | (scale((p >> 16) & 0xFF) << 16) | (scale((p >> 8) & 0xFF) << 8) |
             scale(p & 0xFF);
  }
}

TGdiBitmap::~TGdiBitmap() {
  if (bitmap_) DeleteObject(bitmap_);
}

}  // namespace chizro
