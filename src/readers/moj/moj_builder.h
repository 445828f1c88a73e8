// The reader of 地図XML (data kind 53): the maps kept at the land registry
// offices (登記所備付地図データ), one file per map data set, published as
// zips of zips per municipality. The root element is "地図" of the namespace
// http://www.moj.go.jp/MINJI/tizuxml; its geometry is in the namespace
// http://www.moj.go.jp/MINJI/tizuzumen ("zmn").
//
//   header      地図名, 市区町村名, 座標系 ("公共座標N系" or "任意座標系"), 測地系判別
//   空間属性    zmn:GM_Point (zmn:X, zmn:Y), zmn:GM_Curve (columns either a
//               reference to a point or an inline position), zmn:GM_Surface
//               (rings of curve references, exterior first)
//   主題属性    基準点, 筆界点 (→ point), 筆界線, 仮行政界線 (→ curve, 線種別),
//               筆 (→ surface, 地番, 大字名, ...)
//   図郭        the map sheets: 地図番号, 縮尺分母 and the four corners
//
// zmn:X is the northing and zmn:Y the easting [m]; the model holds
// (easting, northing). "公共座標N系" is plane rectangular zone N, held in the
// JGD2000 frame (JGD2011 and JGD2000 differ by centimetres outside the east
// of Japan; the data are given to the millimetre of their own survey). A file
// in "任意座標系" (local coordinates) is drawn in its own coordinates, in no
// zone, and its leaf carries a notice saying so.
//
// Figures and their class codes (texts by position):
//   boundary lines, polylines: each boundary segment once, however many
//     curves and parcels carry it and in whichever direction; the class is
//     the highest 線種別 of the curves that carry it ("都道府県界線" >
//     "市区町村界線" > "大字界線" > "丁目界線" > "小字界線" > "筆界線" >
//     "未描画線"; a curve of a parcel ring that no line names is a "筆界線").
//     A 筆界線 that borders only placeholder parcels (see below) gets the
//     placeholder's boundary class: "地区外界線", "別図界線", "道界線",
//     "水界線", "長狭物不明界線". Consecutive segments of one curve and one
//     class make one polyline.
//   parcels, points at a point inside the parcel (the pole of inaccessibility
//     of its rings): "筆", or for the placeholder lot numbers "地区外-…",
//     "別図-…", "道-…", "水-…", "長狭物不明-…" the classes "地区外", "別図",
//     "道", "水", "長狭物不明". Texts: 0 地番, 1 大字名, 2 丁目名, 3 小字名,
//     4 精度区分, 5 座標値種別.
//   control points "基準点": texts 0 名称, 1 基準点種別.
//   boundary points "筆界点" (no texts) and, at the same places,
//     "筆界点番号": texts 0 点番名.
//   sheet frames "図郭", closed polylines through the four corners (as many
//     as the sheet gives, in ring order), labelled at the lower left corner:
//     texts 0 地図番号, 1 縮尺分母.
//
// Opening: a ".xml" file is one leaf; a ".zip" gives one leaf per 地図XML
// member, also inside zips in the zip ("a.zip|b.zip|c.xml"). Files are read
// as a stream (SAX2): ids are resolved through compact maps (point → curve →
// surface) once the document has been read, so memory grows with the points,
// curves and what is drawn, not with the text. The parser never reads another
// file or the network, and a document type declaration is refused.
//
// A large plain file is read in parts on all cores (readers/common/
// xml_split.h), cut between two records of 空間属性 or of 主題属性; each
// part keeps its own ids, and the parts are joined in file order before the
// ids are resolved. The result is the same as one read's; a file with an
// error in any part (or an id defined in two parts) is read again in one
// piece, which reports it at its true place.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "model/map_builder.h"

namespace chizro {

// When a file to be built (opened on its own, loaded, or asked for its
// survey data) is read in parts: from FromBytes on, in Parts parts (0: one
// per core; fewer than two: never).
struct TMojSplit {
  std::int64_t FromBytes = std::int64_t{8} << 20;
  unsigned Parts = 0;
  // When set, counts the reads whose parts were joined (not read again in
  // one piece), for a caller that checks which way a file was read.
  std::atomic<unsigned>* Joined = nullptr;
};

class TMapBuilder_Moj final : public TMapBuilder {
public:
  explicit TMapBuilder_Moj(TMojSplit split = {});
  ~TMapBuilder_Moj() override;

  // Null when no file of that name exists. An ".xml" file gives one leaf; a
  // ".zip" one leaf per 地図XML member not yet in `leaves` (all but the last
  // added to `leaves` here in the theme's system, the last returned; null
  // when every member is open already). A file opened on its own (or the
  // single member of a zip) is built whole in the same pass and comes back
  // loaded unless it has an error; otherwise the file is read once for its
  // coordinate system and extent and LoadLeaf builds the figures. A leaf in
  // "任意座標系" has no zone and carries a Notice. A zip member that fails at
  // open gets a leaf over the extent of the members that opened, so that
  // loading it reports its error.
  //
  // EInOutError for a file (or a zip without a member) that is not 地図XML,
  // for an unknown 座標系 and for a file without coordinates, naming the file
  // and what was found.
  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override;

  // Adds one leaf per 地図XML file under the folder and its subfolders
  // (".xml" files and the members of ".zip" archives, in path order). The
  // first error of a file that gave no leaf is thrown once the scan is done.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folderName) override;

  // Builds the leaf's figures. A data error (malformed or truncated XML, a
  // coordinate that is not a number, an id defined twice, a reference to an
  // id that is not there or not of the right kind, a ring whose curves do
  // not join) throws EInOutError naming the file and the element's id; what
  // could be built stays attached to the leaf.
  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp* classDefs, double scale) override;
  // The reader keeps no state but its settings: each load reads its own file.
  bool ConcurrentLoads() const override { return true; }

  // Boundary and control points by their names, and every parcel (筆,
  // named by its 地番) as its outer ring through them; holes are counted.
  bool SurveyData(const TMapLeaf& leaf, TSurveyData& data) override;

private:
  TMojSplit split_;
};

}  // namespace chizro
