// The reader of PLATEAU 3D city models (3D都市モデル, data kind 54): the
// CityGML files the ministry publishes per city, one file per mesh cell and
// feature type ("53394611_bldg_6697_op.gml" under "udx/bldg/", urban
// planning zones under "udx/urf/"), usually as one zip per city. The root
// element is core:CityModel; its members are city objects.
//
// What is read (everything else is passed over without parsing its numbers):
//   bldg:Building and each bldg:BuildingPart  one closed polygon per ring of
//       its footprint: bldg:lod0FootPrint, else bldg:lod0RoofEdge, else the
//       lowest horizontal face of bldg:lod1Solid (its ground face). Holes
//       are polygons of the same class without texts.
//       Class: the name of bldg:usage (住宅, 商業施設, ...) when a code list
//       gives one, else "建物" (a part without a usage takes its building's).
//       Texts: 0 the label, the measured height and the storeys above
//       ground ("12.3m 4F"; -9999, 9999 and missing values left out), 1 the
//       name (gml:name), 2 the usage's name; a building of several polygons
//       has them on the largest only.
//   urf zones (urf:UseDistrict, urf:HeightControlDistrict,
//       urf:FirePreventionDistrict and every other urf feature with a
//       lodN MultiSurface)  one closed polygon per ring.
//       Class: the name of urf:function when a code list gives one, else the
//       zone's kind ("用途地域", "高度地区", ...).
//       Texts: 0 the label, the name with the building coverage and floor
//       area rates as percentages ("第一種住居地域 60/200"; ratios such as
//       0.6 and 2 are turned into 60 and 200), 1 the name.
// Labels stand at the pole of inaccessibility of the polygon's rings.
//
// Codes (bldg:usage, urf:function) are looked up in the code list their
// codeSpace names ("../../codelists/Building_usage.xml"): in the
// "codelists" folder beside the "udx" folder the file lies under (on disk
// or in the same zip), else in the table shipped as "def/PlateauCodes.txt".
//
// Coordinates: srsName EPSG 6697 (JGD2011 latitude, longitude, height) or
// 6668 (latitude, longitude), given once on the root's gml:boundedBy or on
// a geometry, in "lat lon [h]" order; the height is dropped. The leaf is in
// latitude/longitude, JGD2011 held as the JGD2000 frame; the project places
// it in the zone the law gives the place.
//
// Opening: a ".gml" file is one leaf; a ".zip" one leaf per CityGML member;
// a folder every ".gml" and ".zip" below it. A file opened on its own is
// built in the same pass; for a zip or folder only the root's gml:boundedBy
// is read at open (or the whole file when it has none), and the leaves are
// built when they come into view, several at once on the cores. Files are
// streamed (SAX2): memory grows with the figures, not with the file. The
// parser never reads another file or the network, and a document type
// declaration is refused.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "model/map_builder.h"

namespace chizro {

// The names of the codes of the code lists read so far, by the code list's
// leaf path (or "def:" and its file name for the shipped table), shared by
// the loads of one reader: read once, then only looked up.
class TPlateauCodes {
public:
  using TTable = std::map<std::string, std::string>;  // code → name (UTF-8)

  // The table of the code list `leafPath` (empty when it cannot be read or
  // is not a code list), read on first use.
  std::shared_ptr<const TTable> List(const std::string& leafPath);
  // The shipped table's names of the code list named `listName`
  // ("Building_usage.xml"), from `programFolder`'s def/PlateauCodes.txt.
  std::shared_ptr<const TTable> Shipped(const std::string& programFolder,
                                        const std::string& listName);

private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const TTable>> lists_;
  bool shippedRead_ = false;
  std::map<std::string, std::shared_ptr<TTable>> shipped_;
};

class TMapBuilder_Plateau final : public TMapBuilder {
public:
  TMapBuilder_Plateau();
  ~TMapBuilder_Plateau() override;

  // Null when no file of that name exists. A ".gml" file gives one leaf,
  // built whole by the same pass (loaded unless it has an error); a ".zip"
  // one leaf per CityGML member not yet in `leaves` (all but the last added
  // here, the last returned). EInOutError for a file that is not CityGML,
  // has no coordinates, or names another system, naming the file and place.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;
  // Adds one leaf per CityGML file under the folder (".gml" files and the
  // members of ".zip" archives, in path order).
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;
  // Builds the leaf's polygons. A data error (malformed XML, a coordinate
  // that is not a number, a coordinate list that does not fit the system's
  // dimension, an unknown srsName) throws EInOutError naming the file and
  // the feature; what was built before it stays attached to the leaf.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
  // Loads share only the code lists, which are guarded.
  bool ConcurrentLoads() const override { return true; }

private:
  std::unique_ptr<TPlateauCodes> codes_;
};

}  // namespace chizro
