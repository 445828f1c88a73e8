// The converter's surface on Windows: a DIB section painted through
// TGdiCanvas and written as PNG by GDI+.
#include <cstring>
#include <optional>

#include "platform/file_path.h"
#include "platform/offscreen.h"
#include "win/canvas/gdi_bitmap.h"
#include "win/canvas/gdi_canvas.h"
#include "win/canvas/gdiplus_image.h"

namespace chizro {
namespace {

class TGdiOffscreenSurface final : public TOffscreenSurface {
public:
  TGdiOffscreenSurface(int width, int height) : width_(width), height_(height) {}
  ~TGdiOffscreenSurface() override {
    canvas_.reset();
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  TGdiOffscreenSurface(const TGdiOffscreenSurface&) = delete;
  TGdiOffscreenSurface& operator=(const TGdiOffscreenSurface&) = delete;

  // A white 32-bit top-down section in a memory device context.
  bool Make(int pixelsPerInch) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!dc_ || !bitmap_ || !bits_) return false;
    std::memset(bits_, 0xFF, Stride() * static_cast<std::size_t>(height_));
    previous_ = SelectObject(dc_, bitmap_);
    canvas_.emplace(dc_, TRect{0, 0, width_, height_}, pixelsPerInch);
    return true;
  }

  TCanvas& Canvas() override { return *canvas_; }

  bool SavePng(const std::string& path) override {
    GdiFlush();  // GDI may still be drawing into the section
    return SavePngFile(bits_, width_, height_, static_cast<int>(Stride()), FsPath(path).wstring());
  }

private:
  std::size_t Stride() const { return static_cast<std::size_t>(width_) * 4; }

  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
  std::optional<TGdiCanvas> canvas_;
};

}  // namespace

std::unique_ptr<TOffscreenSurface> MakeOffscreenSurface(int width, int height, int pixelsPerInch) {
  auto surface = std::make_unique<TGdiOffscreenSurface>(width, height);
  if (!surface->Make(pixelsPerInch)) return nullptr;
  return surface;
}

std::unique_ptr<TBitmapLoader> MakeBitmapLoader() { return std::make_unique<TGdiBitmapLoader>(); }

}  // namespace chizro
