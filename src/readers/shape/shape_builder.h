// The reader of ESRI Shapefiles (data kind 71): the ".shp" geometry with its
// ".shx" index and ".dbf" attribute table beside it, as the national land
// data (国土数値情報) and the cities' planning data (都市計画決定GISデータ)
// are downloaded. shapelib reads the three files through I/O hooks of this
// reader, so that the files of a zip are read from the archive as they are.
//
//   Point, MultiPoint           one point figure per point
//   PolyLine                    one polyline per part
//   Polygon                     one polygon per ring: an exterior ring
//                               (clockwise, as the format has it) with the
//                               feature's class and texts, each hole after
//                               it with the same class and no texts; a ring
//                               that is not closed or crosses itself is
//                               drawn as it is
//   Z and M variants            as the above; Z and M are not read
//   Null shapes, MultiPatch     skipped and counted (the leaf's notice)
//
// The classes and labels come from the definition file's dataset rows by
// the .dbf's field names (readers/common/feature_set.h). The .dbf's encoding
// is that of its ".cpg" (UTF-8 or Shift_JIS), else of its language driver
// byte (0x13: Shift_JIS), else each value is taken as UTF-8 when it is valid
// UTF-8 and as Shift_JIS otherwise.
//
// The coordinate system is the ".prj" identified through PROJ against EPSG;
// without one (or one not understood) the data is placed by its coordinates
// with a notice (AssumedCrs).
//
// A leaf is one ".shp": a file, or a member of a zip ("<archive>.zip|<path
// inside>", any folder depth, zips in zips one level deep), its ".shx",
// ".dbf", ".cpg" and ".prj" beside it with the same name (ending in small or
// capital letters). A folder gives one leaf per ".shp" below it and in its
// zips.
//
// Errors name the file and the record (from 1): a ".shp" cut short, a record
// longer than the file, an index (".shx") that disagrees with the ".shp", a
// ".dbf" with fewer records than the ".shp"; the figures of the records
// before stay.
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_Shape final : public TMapBuilder {
public:
  TMapBuilder_Shape();
  ~TMapBuilder_Shape() override;

  // Null when no file of that name exists. A ".shp" gives one leaf, read
  // whole (loaded, unless it had an error after its first figure: then the
  // leaf lies over the extent of its header and its load reports the
  // error); a ".zip" one leaf per ".shp" member not yet in `leaves`, as the
  // common scan does (readers/common/file_scan.h). EInOutError for a file
  // that is not a Shapefile, or whose first record cannot be read.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;
  // One leaf per ".shp" below the folder and in its zips, placed by the
  // header's extent; each is read when it comes into view.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;
  // Reads the leaf's file whole and builds its figures; an error throws
  // EInOutError naming the file and the record, with the figures before it
  // attached. `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
};

}  // namespace chizro
