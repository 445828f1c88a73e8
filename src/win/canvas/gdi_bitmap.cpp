#include "win/canvas/gdi_bitmap.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "win/canvas/gdiplus_image.h"
#include "platform/file_path.h"

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

namespace {

// The largest file read: an image at the size limit with its headers.
constexpr std::uintmax_t kMaxFileSize =
    static_cast<std::uintmax_t>(kMaxImagePixels) * 4 + (1 << 20);

// Bitmaps and icons by their first bytes, the rest (PNG, GIF, JPEG) by GDI+.
TPixels Decode(std::span<const std::uint8_t> file) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return DecodeBmp(file);
  if (file.size() >= 4 && file[0] == 0 && file[1] == 0 && (file[2] == 1 || file[2] == 2) &&
      file[3] == 0)
    return DecodeIco(file, DecodeWithGdiplus);
  return DecodeWithGdiplus(file);
}

std::unique_ptr<TBitmap> LoadImageFile(const std::string& path) {
  const std::filesystem::path name = FsPath(path);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(name, ec);
  if (ec || size > kMaxFileSize) return nullptr;
  std::ifstream in(name, std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  try {
    return std::make_unique<TGdiBitmap>(Decode(bytes));
  } catch (const std::exception&) {
    return nullptr;  // no image, or none GDI can hold
  }
}

}  // namespace

std::unique_ptr<TBitmap> TGdiBitmapLoader::LoadBitmap(const std::string& path) {
  return LoadImageFile(path);
}

std::unique_ptr<TBitmap> TGdiBitmapLoader::LoadIcon(const std::string& path) {
  return LoadImageFile(path);
}

}  // namespace chizro
