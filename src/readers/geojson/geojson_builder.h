// The reader of GeoJSON files (RFC 7946, data kind 72), as the national land
// data (国土数値情報) is downloaded today beside its Shapefiles. The file is
// read as a stream (RapidJSON's SAX reader, iterative, so that neither a
// deep nesting nor a large file needs a stack or a document in memory):
// memory grows with the figures built, not with the file.
//
//   FeatureCollection           every feature of "features"
//   Feature                     the one feature
//   a geometry                  one feature without properties
//   Point, MultiPoint           one point figure per position
//   LineString, MultiLineString one polyline per line
//   Polygon, MultiPolygon       one polygon per ring: the first ring of each
//                               polygon with the feature's class and texts,
//                               the holes after it with its class and no
//                               texts; rings are drawn as they are (also one
//                               not closed or crossing itself)
//   GeometryCollection          each of its geometries
//   a third coordinate          not read
//   null or empty geometries    skipped and counted (the leaf's notice)
//
// Classes and labels come from the definition file's dataset rows by the
// property names (readers/common/feature_set.h); every property is kept as a
// property of the figures, numbers as the file writes them.
//
// Coordinates are WGS 84 longitude/latitude as RFC 7946 says, unless the
// legacy "crs" member names one of the systems placed (for example
// "urn:ogc:def:crs:EPSG::6668", JGD2011): then that system. A "crs" naming
// another system, or coordinates outside the range of degrees without one,
// are placed by AssumedCrs with a notice.
//
// A leaf is one ".geojson" or ".json" file, or such a member of a zip (any
// folder depth); a folder gives one leaf per such file below it and in its
// zips. Invalid JSON, and JSON that is not GeoJSON, give an error naming
// the file, the line and the column; the features before it stay.
#pragma once

#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TMapBuilder_GeoJson final : public TMapBuilder {
public:
  TMapBuilder_GeoJson();
  ~TMapBuilder_GeoJson() override;

  // Null when no file of that name exists. A file gives one leaf, read
  // whole (loaded, unless it had an error after its first figure: then the
  // leaf lies over the extent read and its load reports the error); a
  // ".zip" one leaf per member not yet in `leaves`. EInOutError for a file
  // that is not GeoJSON, or whose error comes before its first figure.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;
  // One leaf per ".geojson" and ".json" below the folder and in its zips;
  // each file is read once for its extent and again when it comes into view.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;
  // Reads the leaf's file and builds its figures; an error throws
  // EInOutError naming the file, the line and the column, with the figures
  // before it attached. `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
};

}  // namespace chizro
