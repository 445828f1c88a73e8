// Images for the model through GDI: the bitmap loader that symbol images and
// raster figures are loaded with on Windows, and the bitmap type the GDI
// canvas draws.
//
// BMP and ICO files are decoded here rather than by the system: the files
// come from users' folders, so the decoder checks every size and offset
// against the bytes it has and gives a clear reason for a file it refuses.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "win/canvas/win_api.h"

namespace chizro {

// A decoded image: rows from the top down, each pixel 0xAARRGGBB with
// straight (not premultiplied) alpha.
struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Data;
};

// A file that is no image the decoder reads; what() says why.
class EImageFormat : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The largest image decoded, in pixels (256 MB at 32 bits per pixel).
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;

// A Windows bitmap file (".BMP"): core and info headers up to version 5,
// 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE4, RLE8 and bit
// fields, bottom-up and top-down. Throws EImageFormat.
TPixels DecodeBmp(std::span<const std::uint8_t> file);

// The first image of an icon file (".ICO"), its AND mask made transparency.
// An image stored as PNG goes to `decodePng`; without one it is refused.
// Throws EImageFormat.
TPixels DecodeIco(std::span<const std::uint8_t> file,
                  TPixels (*decodePng)(std::span<const std::uint8_t>) = nullptr);

// An image in a 32-bit top-down DIB section.
class TGdiBitmap final : public TBitmap {
public:
  // Throws std::runtime_error when GDI cannot make the section.
  explicit TGdiBitmap(const TPixels& pixels);
  ~TGdiBitmap() override;
  TGdiBitmap(const TGdiBitmap&) = delete;
  TGdiBitmap& operator=(const TGdiBitmap&) = delete;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  HBITMAP Handle() const noexcept { return bitmap_; }
  // Some pixel is not opaque: the section holds premultiplied alpha and is
  // drawn blended.
  bool HasAlpha() const noexcept { return alpha_; }

private:
  int width_;
  int height_;
  bool alpha_ = false;
  HBITMAP bitmap_ = nullptr;
};

// Reads the file's bytes itself (the path is Shift_JIS, as the definition
// files spell it) and decodes them by content, whatever the extension. Null
// when the file is missing or is no image the decoder reads.
class TGdiBitmapLoader final : public TBitmapLoader {
public:
  TGdiBitmapLoader() = default;
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override;
  std::unique_ptr<TBitmap> LoadIcon(const std::string& path) override;
};

}  // namespace chizro
