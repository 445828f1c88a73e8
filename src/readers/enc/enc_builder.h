// The reader of S-57 electronic navigational charts (data kind 61), given as
// the record listing of a chart cell (readers/enc/iso8211_listing.h; the program
// chizro-enclist writes it from a cell). Area features become polygons, line
// features polylines, point features and depth soundings points. A figure's
// class is the S-57 object class code (OBJL) written as a decimal number
// ("129" for soundings); attribute values become properties named after the
// attribute table "\def\EncAttr.ini". Coordinates are longitude and latitude
// [deg] on WGS84.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "readers/common/reader_util.h"

namespace chizro {

// OpenFile gives a leaf in latitude/longitude on WGS84, named after the file
// (SheetName: the name without folder and extension; Name: its first three
// characters), loaded at once.
class TMapBuilder_Enc final : public TSingleFileBuilder {
public:
  TMapBuilder_Enc() : TSingleFileBuilder(TCoordMode::LatLon) {}

  // Reads the attribute table and the leaf's listing, and attaches, each
  // when it has figures, a polygon list (areas by ascending size of their
  // bounding box), a polyline list and a point list, all named after the
  // leaf. Areas take only their exterior boundary edges ("USAG" 1, and 3
  // where the cell's limit cuts the area), in pointer order; a
  // sounding node gives one point per sounding with the property "DEPTH".
  // The leaf's Extent and Corners are the box of every vertex built; a chart
  // without vertices keeps those it had. An error in a feature record ends the
  // load with the features before it attached. `classDefs` and `scale` are
  // not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;

  // The coordinate and sounding multiplication factors (COMF, SOMF): 1 at
  // first, then those of the last listing that gave them.
  std::int32_t Comf = 1;
  std::int32_t Somf = 1;

private:
  void PrepareLeaf(TMapLeaf& leaf) const override;
};

}  // namespace chizro
