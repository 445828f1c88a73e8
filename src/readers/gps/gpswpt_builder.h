// The reader of GPS exchange text files (data kind 91) in the style of PCX5:
// lines that begin with a record letter, split as comma text, where header
// lines ("H") name the columns of the lines after them. The track points ("T")
// of a file become point figures of the class "TRK", and every two
// consecutive points of one track a two-point line of the same class. One
// file is one leaf, in latitude/longitude.
//
//   H  header    records the index of each column named DATUM, LATITUDE,
//                LONGITUDE, DATE, TIME or ALT; names not on the line keep
//                their earlier index. The track columns are known from the
//                first header that names both LATITUDE and LONGITUDE on.
//                "H  TN <name>" starts a new track: its first point is not
//                joined to the last point of the track before.
//   M  datum     the items at the DATUM column and after it, joined and in
//                capitals ("WGS 84" reads "WGS84"). "WGS84" puts the leaf in
//                the WGS84 datum, anything else or no datum line in TOKYO.
//   U  units     for the track points after it: "U  LAT LON DEG" decimal
//                degrees (the unit until a units line says otherwise),
//                "U  LAT LON DM" degrees and decimal minutes (N3539.51486 is
//                35°39.51486'), "U  LAT LON DMS" degrees, minutes and seconds
//                (N353505.856 is 35°35'05.856"). Any other units line (grid
//                coordinates) ends the load with EInOutError naming it.
//   T  track     latitude and longitude, each after a hemisphere letter ("S"
//                and "W" negative); an item that begins with a digit, sign or
//                point has no letter and is the number as a whole. DATE, TIME
//                and ALT become the point's texts (empty for a column no
//                header named).
//
// The first line of the file is never read, and every other record letter
// (waypoints, routes) is ignored.
#pragma once

#include <memory>
#include <string>

#include "readers/common/reader_util.h"

namespace chizro {

// OpenFile gives a leaf named by the file, loaded at once and kept loaded one
// paint longer (IdleCount 1).
class TMapBuilder_GPSWPT final : public TSingleFileBuilder {
public:
  TMapBuilder_GPSWPT() : TSingleFileBuilder(TCoordMode::LatLon) {}

  // Builds the "TRK" point and line lists and sets the leaf's Extent and
  // Datum; a file without track points says so in NoFigureReason. A coordinate that is not a
  // number (EFloatConvertError) or a line without an item at a known column (EListIndexError)
  // ends the load with the points before it attached. `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;

private:
  void PrepareLeaf(TMapLeaf& leaf) const override;
};

}  // namespace chizro
