// Small helpers that the readers share.
#pragma once

#include <string>
#include <optional>
#include <string_view>

#include <memory>

#include "model/geometry.h"
#include "model/map_builder.h"

namespace chizro {

// The part of a path after its folder: after the last "\", ":" or "/".
std::string BaseName(const std::string& fileName);

// `s` without the blanks and control characters (codes up to 32) at its ends.
std::string_view TrimBlanks(std::string_view s);

// True when `path` names a regular file.
bool IsFile(const std::string& path);

// The whole file in memory. EInOutError naming the file when it cannot be
// opened or read to its end.
std::string ReadWholeFile(const std::string& fileName);

// A decimal number as a whole field of a text record (a leading "+"
// allowed), finite; nullopt for anything else. Locale-independent.
std::optional<double> DecimalField(std::string_view field) noexcept;

// `value` when it is finite and no larger than FLT_MAX; EFloatConvertError
// naming `text` otherwise. The bound is that of the single-precision
// coordinates the model once held, kept so that the same files are refused.
double FiniteReal(double value, std::string_view text);

// `n` in decimal with leading zeros to `width` digits ("%.*d"), the form of
// the figure names that the readers number.
std::string ZeroPadded(int n, int width);

// The rectangle around the points added (top the largest y), empty until the
// first one.
struct TExtentBuilder {
  bool Empty = true;
  TFRect Rect;

  void Add(TFPoint p) {
    if (Empty) {
      Rect = {p.x, p.y, p.x, p.y};
      Empty = false;
      return;
    }
    if (p.x < Rect.left) Rect.left = p.x;
    if (p.x > Rect.right) Rect.right = p.x;
    if (p.y < Rect.bottom) Rect.bottom = p.y;
    if (p.y > Rect.top) Rect.top = p.y;
  }
  void Add(const TExtentBuilder& other) {
    if (other.Empty) return;
    Add(TFPoint{other.Rect.left, other.Rect.bottom});
    Add(TFPoint{other.Rect.right, other.Rect.top});
  }
  // The middle of the rectangle.
  TFPoint Middle() const { return {(Rect.left + Rect.right) / 2, (Rect.bottom + Rect.top) / 2}; }
};

// Runs `read`, then `attach`, which puts what was read on the leaf; `attach`
// runs also when `read` throws, before the error goes on: what a reader built
// before an error stays attached.
template <class Read, class Attach>
void ReadThenAttach(Read&& read, Attach&& attach) {
  try {
    read();
  } catch (...) {
    attach();
    throw;
  }
  attach();
}

// A reader whose one file is one leaf, built at once when it is opened.
class TSingleFileBuilder : public TMapBuilder {
public:
  // Null when there is no file of that name. Otherwise a leaf of the file in
  // the reader's coordinate mode, prepared by PrepareLeaf, then loaded: a
  // data error reaches the caller and no leaf is returned.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) final;

protected:
  explicit TSingleFileBuilder(TCoordMode coordMode) : coordMode_(coordMode) {}
  // Sets what the reader takes from the file name (names, datum) before the
  // file is read.
  virtual void PrepareLeaf(TMapLeaf& /*leaf*/) const {}

private:
  TCoordMode coordMode_;
};

}  // namespace chizro
