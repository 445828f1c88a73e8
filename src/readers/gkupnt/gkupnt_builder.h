// The reader of block-level location reference point files (data kind 22):
// comma-separated text, one town block per line, each block becoming one point
// figure of the class "PNT" in plane rectangular coordinates. One file is one
// leaf.
//
// The first line is a header and never a record. Two record layouts are read:
//
//   11 items  prefecture, municipality, district, block code, zone,
//             X (northing [m]), Y (easting [m]), and four columns not read.
//   14 items  the layout published today, read by the column names of the
//             header: "大字・丁目名" (district) and "小字・通称名" (its
//             sub-district, appended to the district when not empty),
//             "街区符号・地番" (block code), "座標系番号" (zone), "Ｘ座標" and
//             "Ｙ座標" (or with the letters in ASCII), "都道府県名" and
//             "市区町村名". Only in a file whose header names the district,
//             block code, zone, X and Y columns.
//
// Lines of any other item count are skipped without a message. Every record
// gives a point named by its running number ("%0.8d", from 00000001), at
// (easting, northing), with the texts district, block code and
// district "-" block code. The first record gives the leaf its zone and its
// name (prefecture followed by municipality).
#pragma once

#include <memory>
#include <string>

#include "readers/common/reader_util.h"

namespace chizro {

// OpenFile gives a leaf in plane rectangular coordinates, loaded at once.
class TMapBuilder_GkuPnt final : public TSingleFileBuilder {
public:
  TMapBuilder_GkuPnt() : TSingleFileBuilder(TCoordMode::Plane) {}

  // Attaches the "PNT" point list first and fills it record by record: a
  // zone, X or Y that is not a number (EConvertError, EFloatConvertError) or
  // a zone outside 1..19 (EZoneError) ends the load with the points read so
  // far in the list and the leaf not Loaded. `classDefs` and `scale` are not
  // used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
};

}  // namespace chizro
