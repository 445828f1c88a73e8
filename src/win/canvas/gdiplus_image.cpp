#include "win/canvas/gdiplus_image.h"

#include <limits>
#include <memory>

#include "win/canvas/win_api.h"

// GDI+ declares its streams with the COM interfaces that the lean Windows
// headers leave out, so these come first.
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

namespace chizro {
namespace {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

// GDI+ from its first use to the end of the program.
class TGdiplus {
public:
  TGdiplus() {
    const gp::GdiplusStartupInput input;
    ok_ = gp::GdiplusStartup(&token_, &input, nullptr) == gp::Ok;
  }
  ~TGdiplus() {
    if (ok_) gp::GdiplusShutdown(token_);
  }
  TGdiplus(const TGdiplus&) = delete;
  TGdiplus& operator=(const TGdiplus&) = delete;
  bool Ok() const noexcept { return ok_; }

private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

bool GdiplusReady() {
  static TGdiplus gdiplus;
  return gdiplus.Ok();
}

// The PNG encoder that ships with GDI+.
constexpr CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// Owns a GDI+ image.
struct TImageDeleter {
  void operator()(gp::GpImage* image) const { flat::GdipDisposeImage(image); }
};
using TImagePtr = std::unique_ptr<gp::GpImage, TImageDeleter>;

}  // namespace

bool SavePngFile(const void* pixels, int width, int height, int stride, const std::wstring& path) {
  if (!GdiplusReady()) return false;
  gp::GpBitmap* bitmap = nullptr;
  // GDI+ only reads the pixels to encode them.
  if (flat::GdipCreateBitmapFromScan0(width, height, stride, PixelFormat32bppRGB,
                                      static_cast<BYTE*>(const_cast<void*>(pixels)),
                                      &bitmap) != gp::Ok)
    return false;
  const TImagePtr image(bitmap);
  return flat::GdipSaveImageToFile(image.get(), path.c_str(), &kPngEncoder, nullptr) == gp::Ok;
}

TPixels DecodeWithGdiplus(std::span<const std::uint8_t> file) {
  if (!GdiplusReady()) throw EImageFormat("GDI+ is not available");
  if (file.size() > std::numeric_limits<UINT>::max()) throw EImageFormat("file too large");
  IStream* stream = SHCreateMemStream(file.data(), static_cast<UINT>(file.size()));
  if (!stream) throw EImageFormat("out of memory");
  gp::GpBitmap* bitmap = nullptr;
  const gp::GpStatus status = flat::GdipCreateBitmapFromStream(stream, &bitmap);
  stream->Release();
  if (status != gp::Ok || !bitmap) throw EImageFormat("not an image file");
  const TImagePtr image(bitmap);
  UINT width = 0, height = 0;
  flat::GdipGetImageWidth(image.get(), &width);
  flat::GdipGetImageHeight(image.get(), &height);
  if (width == 0 || height == 0) throw EImageFormat("no pixels (bad width or height)");
  if (std::int64_t{width} * height > kMaxImagePixels) throw EImageFormat("image too large");
  TPixels out{static_cast<int>(width), static_cast<int>(height), {}};
  out.Data.resize(std::size_t{width} * height);
  // Copied out by GDI+ into our buffer, converted to straight ARGB.
  gp::BitmapData data{};
  data.Width = width;
  data.Height = height;
  data.Stride = static_cast<INT>(width * 4);
  data.PixelFormat = PixelFormat32bppARGB;
  data.Scan0 = out.Data.data();
  const gp::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  if (flat::GdipBitmapLockBits(bitmap, &rect, gp::ImageLockModeRead | gp::ImageLockModeUserInputBuf,
                               PixelFormat32bppARGB, &data) != gp::Ok)
    throw EImageFormat("cannot read the image's pixels");
  flat::GdipBitmapUnlockBits(bitmap, &data);
  return out;
}

}  // namespace chizro
