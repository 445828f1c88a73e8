// The reader of national land numerical information (KSJ) files in their
// fixed-column text form (data kind 21). One file is one leaf, in latitude and
// longitude, built at once when it is opened.
//
// The first three characters of the file name name the data item; they
// choose the records that are read and are the class code of every figure:
//
//   "N01", "C23", "C28"          line records         -> lines
//   "N03", "A09"                 line, area and data  -> polygons with their
//                                attribute records       attribute values, lines
//   "A03", "A11"                 line and area records -> polygons, lines
//   any other                    nothing
//
// Records (columns counted in bytes from 1; the first line of the file is a
// header and is never read; coordinates are integers in 1/36000 degree,
// x = longitude first, then y = latitude):
//
//   "L" line record    4-9 name part, 28-33 arc number, 46-51 point count n;
//                      then ceil(n/5) lines of up to five points of 16
//                      columns (x 1-8, y 9-16). Arc name: part "@" number
//                      written "%0.6d".
//   "A" area record    4-9 name part, 10-17 / 18-25 label x / y, 26-33 second
//                      part, 34-35 name flag, 36-45 own name, 46-51 reference
//                      count n; then ceil(n/5) lines of up to five references
//                      of 14 columns (part 1-6, arc number 7-12). The polygon
//                      is named by its own name when the flag is "1", else
//                      part "@" second part.
//   "DA" data record   4-13 name of the polygon it describes; the values are
//                      N03: 17-32, 33-48, 49-64, 65-80
//                      A09: 4-13, 17-21, 22-25, 26
//
// Text fields are trimmed of blanks. Integer fields stand right-aligned: blanks
// and a sign may precede the digits, nothing may follow them. A field that
// lies (partly) beyond the end of a shorter line reads as blanks, so an
// integer field cut short by the line end is not a number.
#pragma once

#include <memory>
#include <string>

#include "readers/common/reader_util.h"

namespace chizro {

// OpenFile gives a leaf named by the data item (the first three characters of
// the file name, in capitals), in latitude/longitude, loaded at once; data
// errors are EConvertError for a field that is not an integer and
// EListIndexError for a file that ends inside a record.
class TMapBuilder_Ksj final : public TSingleFileBuilder {
public:
  TMapBuilder_Ksj() : TSingleFileBuilder(TCoordMode::LatLon) {}

  // Reads the whole file for the data item `leaf.Name` and sets the leaf's
  // Extent to the rectangle of all arc points. A data error ends the load
  // with the records before it attached. `classDefs` and `scale` are not
  // used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;

private:
  void PrepareLeaf(TMapLeaf& leaf) const override;
};

}  // namespace chizro
