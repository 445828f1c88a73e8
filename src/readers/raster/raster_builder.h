// The reader of georeferenced bitmaps (data kind 81): an image file with a
// header file beside it under the same base name and the extension ".HDR".
// One image is one leaf in latitude/longitude holding one raster figure whose
// class is the image's extension in capitals ("BMP").
//
// The header holds one keyword and its value per line, split as comma text;
// keywords match in any letter case, a keyword given twice keeps its last
// value, one that is missing counts as 0, other lines are ignored:
//
//   NCOLS   image width [px]             integer
//   NROWS   image height [px]            integer
//   ULXMAP  longitude of the upper left corner [deg]
//   ULYMAP  latitude of the upper left corner [deg]
//   XDIM    width of one pixel [deg]
//   YDIM    height of one pixel [deg]
//
// The image covers left = ULXMAP, right = ULXMAP + NCOLS * XDIM,
// top = ULYMAP, bottom = ULYMAP - NROWS * YDIM.
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_Raster final : public TMapBuilder {
public:
  // The images load through `images` (not owned); without one the figures
  // have none.
  explicit TMapBuilder_Raster(TBitmapLoader* images = nullptr) : images_(images) {}

  // The header of an image: its name without the last four characters,
  // followed by ".HDR" (or ".hdr" where only that exists on a file system
  // that tells letter cases apart).
  static std::string HeaderFileName(const std::string& imageFileName);

  // Null when the image or its header does not exist. Otherwise a leaf with
  // its Extent and Corners from the header, in latitude/longitude without a
  // zone of its own (the theme's zone serves its conversions); the image is
  // not read here. A value that is not a number (EConvertError,
  // EFloatConvertError), a keyword without a value (EListIndexError) or an
  // extent beyond the range of a single-precision float (EInOutError) ends the open.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Attaches the raster list with its one figure spanning the leaf's Extent,
  // then loads the image through the bitmap port. Without a bitmap loader
  // (the headless core) the figure has no Image; an image the loader cannot
  // read ends the load with EInOutError, the figure attached and the leaf not
  // Loaded. `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;

private:
  TBitmapLoader* images_;
};

}  // namespace chizro
