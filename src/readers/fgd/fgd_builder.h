// The reader of 基盤地図情報 (Fundamental Geospatial Data, data kind 52): the
// JPGIS GML files of the national mapping agency, one file per feature type
// and mesh cell (for example "FG-GML-533945-BldA-20230101-0001.xml"), usually
// delivered inside a zip. The root element is "Dataset" of the namespace
// http://fgd.gsi.go.jp/spec/2008/FGD_GMLSchema; its children are features
// whose geometry is GML 3.2.
//
// Every child of the root with a geometry becomes figures of the class named
// by its element (AdmArea, RdEdg, ElevPt, ...); buildings (BldA, BldL) carry
// their kind in the class code, element and "type" joined ("BldA普通建物",
// "BldL堅ろう建物"), so that the kinds can go to layers of their own.
//
//   "area" gml:Surface / gml:PolygonPatch   one polygon per exterior ring and
//                                           one more (without texts) per
//                                           interior ring
//   "loc"  gml:Curve / gml:LineStringSegment  one polyline
//   "pos"  gml:Point / gml:pos              one point
//
// A ring or curve made of several curve members or segments is joined into
// one line (a point repeated at a joint is dropped). The texts of a figure:
//   0  "name"; without one the elevation "alti" (ElevPt, Cntr) or the block
//      number "sbaNo" (SBAPt, SBArea)
//   1  "type"
//   2  "alti" (the elevation of a control point, GCP)
// A figure with no text 0 has no texts at all, so that it is not labelled
// with an empty text.
// The label point is the middle of an area's bounding box, the middle vertex
// of a line, the point itself.
//
// Coordinates come as the geometry's srsName says: "fguuid:jgd2000.bl",
// "fguuid:jgd2011.bl" or "fguuid:jgd2024.bl" are "latitude longitude" pairs
// [deg]; "fguuid:jgd2000.x1" .. "x19" (and jgd2011, jgd2024) are plane
// rectangular "X Y" pairs [m] (northing first) of that zone. The leaf is in
// the file's mode and zone; JGD2024 is the name the downloads have given the
// JGD2011 frame since 2025, and JGD2011 is held as the JGD2000 frame (the two
// differ by up to a few metres in eastern Japan since 2011, by centimetres
// elsewhere). A file uses one system throughout.
//
// A leaf is one file: a plain ".xml" path, or a member of a zip archive
// named "<archive>.zip|<member path inside the archive>". Opening a zip
// gives one leaf per FGD member (members that are not FGD are passed over).
// Elevation model files (feature "DEM") are the exception: the tiles of a
// zip, folder or file that share a cell size and touch form one leaf whose
// figures are contour lines (readers/fgd/fgd_dem.h).
// Files are read as a stream (SAX2 of Xerces-C++): memory grows with the
// figures built, not with the file. A large plain file opened on its own is
// read in parts on all cores (readers/common/xml_split.h), cut between two
// features; the result is the same as one read's, and a file with an error
// is read again in one piece for its message. The parser never reads another file or
// the network, and a document with a document type declaration is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

class TDemSets;

// When a file opened on its own is read in parts: from FromBytes on, in
// Parts parts (0: one per core; fewer than two: never).
struct TFgdSplit {
  std::int64_t FromBytes = std::int64_t{8} << 20;
  unsigned Parts = 0;
};

class TMapBuilder_Fgd final : public TMapBuilder {
public:
  explicit TMapBuilder_Fgd(TFgdSplit split = {});
  ~TMapBuilder_Fgd() override;

  // Null when no file of that name exists. An ".xml" file gives one leaf; a
  // ".zip" gives one leaf per FGD member not yet in `leaves`: all but the
  // last are added to `leaves` here (in the theme's coordinate system, as
  // the theme does with the one returned), the last is returned; null when
  // every member is open already. The file is read once to find its
  // coordinate system and its extent (the root's gml:boundedBy joined with
  // the box of every coordinate); the figures are built by LoadLeaf when the
  // leaf comes into view, except for a file opened on its own (or the single
  // member of a zip), which the same pass builds whole: it comes back loaded
  // unless it has an error.
  //
  // EInOutError for a file (or a zip without a member) that is not FGD,
  // naming what was found, and for a file whose first coordinate cannot be
  // read. A data error after the first coordinate leaves the leaf with the
  // extent read so far: loading it reports the error.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Adds one leaf per FGD file under the folder and its subfolders (".xml"
  // files and the members of ".zip" archives, in path order); other files
  // are passed over. The first error of a file that gave no leaf is thrown
  // once the scan is complete.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;

  // Builds the leaf's point, polyline and polygon lists and sets its Extent,
  // CoordMode, Datum and Zone from the file. A data error (malformed XML, a
  // coordinate that is not a number, an odd number of coordinates, an
  // unknown or changing srsName) throws EInOutError naming the file and the
  // feature; the figures built before it stay attached to the leaf.
  // `classDefs` and `scale` are not used.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
  // A load changes nothing of the reader: the elevation sets are read only.
  bool ConcurrentLoads() const override { return true; }

  // Drops the contours of the elevation-model leaves in `leaves`.
  void ContourIntervalChanged(TMapLeafGrp& leaves) override;

private:
  std::unique_ptr<TDemSets> dems_;
  TFgdSplit split_;
};

}  // namespace chizro
