// Toolkit-free drawing values: pens, brushes, fonts, and the bitmap port
// through which the model owns images (symbol images, raster figures) without
// knowing the windowing toolkit.
//
// A project is handed the loader its images load through (the window's and
// the converter's built on the toolkit's image class); without one, as in
// the headless core's tests, it loads no images.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace chizro {

// A colour as 0x00BBGGRR: red in the low byte, then green, then blue.
using TColor = std::uint32_t;

constexpr TColor MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept {
  return static_cast<TColor>(red) | (static_cast<TColor>(green) << 8) |
         (static_cast<TColor>(blue) << 16);
}
constexpr std::uint8_t ColorRed(TColor c) noexcept { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t ColorGreen(TColor c) noexcept { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t ColorBlue(TColor c) noexcept { return static_cast<std::uint8_t>(c >> 16); }

inline constexpr TColor kColorBlack = MakeColor(0, 0, 0);
inline constexpr TColor kColorWhite = MakeColor(255, 255, 255);

// Pen style numbers, as the definition files write them.
inline constexpr int kPenSolid = 0;
inline constexpr int kPenDash = 1;
inline constexpr int kPenDot = 2;
inline constexpr int kPenDashDot = 3;
inline constexpr int kPenDashDotDot = 4;
inline constexpr int kPenClear = 5;        // no line
inline constexpr int kPenInsideFrame = 6;  // solid, drawn inside the outline of closed figures

// Brush style numbers, as the definition files write them.
inline constexpr int kBrushSolid = 0;
inline constexpr int kBrushClear = 1;  // no fill
inline constexpr int kBrushHorizontal = 2;
inline constexpr int kBrushVertical = 3;
inline constexpr int kBrushFDiagonal = 4;  // forward diagonal: lower left to upper right
inline constexpr int kBrushBDiagonal = 5;  // backward diagonal: upper left to lower right
inline constexpr int kBrushCross = 6;
inline constexpr int kBrushDiagCross = 7;

struct TPen {
  TColor Color = kColorBlack;
  int Style = kPenSolid;
  int Width = 1;  // [px]
};

struct TBrush {
  TColor Color = kColorWhite;
  int Style = kBrushSolid;
};

// The face a new font gets: the Japanese UI face of the platform the
// definition files were written for. The window maps it to an installed face.
inline constexpr std::string_view kDefaultFontName = "MS UI Gothic";

struct TFont {
  TColor Color = kColorBlack;
  std::string Name{kDefaultFontName};  // face name, Shift_JIS bytes
  int Size = 9;                        // [pt]
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
};

// An image that the toolkit has loaded. The model only owns and passes it on;
// the canvas that draws it knows its concrete type.
class TBitmap {
public:
  virtual ~TBitmap() = default;
  virtual int Width() const = 0;   // [px]
  virtual int Height() const = 0;  // [px]

protected:
  TBitmap() = default;
  TBitmap(const TBitmap&) = default;
  TBitmap& operator=(const TBitmap&) = default;
};

// Loads images from files. Both return null when the file cannot be loaded.
class TBitmapLoader {
public:
  virtual ~TBitmapLoader() = default;
  virtual std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) = 0;  // ".BMP"
  virtual std::unique_ptr<TBitmap> LoadIcon(const std::string& path) = 0;    // ".ICO"

protected:
  TBitmapLoader() = default;
  TBitmapLoader(const TBitmapLoader&) = default;
  TBitmapLoader& operator=(const TBitmapLoader&) = default;
};

// A list of images meant to be drawn as Width x Height squares. Images are
// kept as they were loaded, whatever their size; the code that draws one
// stretches it into the list's square.
class TImageList final {
public:
  TImageList() = default;
  TImageList(int width, int height) : width_(width), height_(height) {}

  int Width() const noexcept { return width_; }    // [px]
  int Height() const noexcept { return height_; }  // [px]
  // Sets the size of the list's images and empties it.
  void SetSize(int width, int height);
  void Clear() noexcept { images_.clear(); }

  // Appends an image and returns its index; a null image adds nothing and
  // gives -1.
  int Add(std::unique_ptr<TBitmap> image);
  int Count() const noexcept { return static_cast<int>(images_.size()); }
  // The image at `index` (0 <= index < Count()); EListIndexError otherwise.
  const TBitmap* Get(int index) const;

private:
  int width_ = 16;
  int height_ = 16;
  std::vector<std::unique_ptr<TBitmap>> images_;
};

}  // namespace chizro
