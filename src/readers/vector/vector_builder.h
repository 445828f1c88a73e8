// The reader of the binary vector file (data kinds 1000 and above): a 592-byte
// header that describes the sheet, then class blocks of figure records that
// are read directly into figure lists.
//
// Layout (integers little-endian 32-bit signed, reals 32-bit IEEE floats,
// fixed-width texts NUL-padded and taken up to their first NUL byte):
//
//   header, 592 bytes
//     0   1    'H'
//     8   256  title text                       -> SheetName
//     264 4    sheet value                         (not used)
//     268 32   four corner points, x then y     -> Corners
//     300 16   left, top, right, bottom         -> Extent
//     316 4    datum code (1 to 3)              -> Datum
//     320 4    coordinate mode (1 or 2)         -> CoordMode
//     324 4    zone                             -> Zone
//     328 256  description text                    (not used)
//     588 4    number of class blocks
//   class block header, 264 bytes
//     1   256  class code text
//     260 4    number of figure records
//   figure record, 48 bytes, then its variable data
//     4   4    kind: 1 point, 2 polyline, 3 polygon
//     8   1    flag byte                           (not used)
//     12  8    label x, y
//     20  16   extent: left, top, right, bottom
//     36  4    n vertices      -> n * (x, y)
//     40  4    m values        -> m * (length L, L bytes when L > 0)
//     44  4    k properties    -> k * (key length, key, value length, value);
//                                 a key length <= 0 ends the property there,
//                                 a value length <= 0 gives an empty value
//
// The file is untrusted: every count and length is checked against the bytes
// that remain before anything is allocated for it, and a file that ends too
// early, holds a count that cannot be right or an unknown datum or coordinate
// mode ends the read with EInOutError.
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_Vector final : public TMapBuilder {
public:
  TMapBuilder_Vector() = default;

  // Reads the header only. Null when there is no file of that name or it
  // does not begin with 'H'; EInOutError when it cannot be read or is
  // shorter than the header.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Reads the header again into the leaf, then every figure record. The
  // figure lists (polygons, polylines, points, each named after the file)
  // are attached; a corrupt record (EInOutError) ends the load with the
  // records before it attached. A file of
  // no class blocks gives a loaded leaf without figure lists. `classDefs` and
  // `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
};

}  // namespace chizro
