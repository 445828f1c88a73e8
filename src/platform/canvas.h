// The drawing surface port. The view and the draw classes paint through it;
// the window implements it with QPainter, the tests with a recorder.
#pragma once

#include <cstdint>

#include "model/map_view.h"

namespace chizro {

class TCanvas {
public:
  virtual ~TCanvas() = default;
  // The clip rectangle of the surface [px].
  virtual TRect ClipRect() const = 0;
  // Fills `r` with a solid colour (0x00BBGGRR).
  virtual void FillRect(const TRect& r, std::uint32_t color) = 0;
};

}  // namespace chizro
