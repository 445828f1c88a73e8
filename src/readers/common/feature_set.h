// What the readers of GIS feature files (Shapefile, GeoJSON) share once a
// feature's geometry and attributes are read: the coordinate system of the
// data, the class and label the definition file gives a feature by its
// dataset, and the figure lists the features become.
//
// Coordinate systems. A file names its system by a WKT (a Shapefile's .prj,
// in ESRI's or OGC's dialect) or by an EPSG code (a GeoJSON's legacy "crs"
// member); PROJ identifies a WKT against EPSG. The systems placed are JGD2000
// and JGD2011 latitude/longitude (EPSG:4612, 6668) and their 19 plane
// rectangular zones (EPSG:2443-2461, 6669-6687), the Tokyo datum's
// latitude/longitude and zones (EPSG:4301, 30161-30179) and WGS 84 (4326,
// and OGC's CRS84). JGD2011 is held in the JGD2000 frame, as the other
// readers do. Data without a system, or with one not understood, is placed by
// its coordinates with a notice: coordinates that fit Japan in degrees are
// JGD2011 latitude/longitude, anything else plane coordinates of the
// project's zone. Latitude/longitude data leaves the zone to the project,
// which takes the one the law gives its place (TMapProject::AdoptDataZone).
//
// Classes and labels. The definition file names the datasets known by their
// field names, each in a section [D_<name>] (asked in file order):
//   Fields=<field>,<field>,...   every one must be in the file (names compared
//                                without regard to ASCII letter case)
//   Class=<code>                 the class code of the dataset's figures
//   ClassField=<field>           optional: the class is <code>_<value of the
//                                field> when the definition file has it
//   Label=<template>             the label: "{field}" replaced by the value
// The first dataset whose fields are all present decides. A feature of any
// other file goes to one of three classes by its geometry, "面" (polygons),
// "線" (lines) and "点" (points), labelled by the first field named 名称,
// name or NAME. Every figure carries all its fields as properties.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coords/datum.h"
#include "coords/zone.h"
#include "model/map_figure.h"
#include "readers/common/reader_util.h"

namespace chizro {

class TMapLeaf;

// A coordinate system a file states (or the one assumed for it).
struct TFeatureCrs {
  TCoordMode Mode = TCoordMode::LatLon;
  TZone Zone;  // the stated zone of plane data; unstated: the project's
  TDatum Datum = TDatum::Jgd2000;
  friend bool operator==(const TFeatureCrs&, const TFeatureCrs&) = default;
};

// The system of an EPSG code among those placed, or nothing.
std::optional<TFeatureCrs> CrsOfEpsg(int code);

// The EPSG code PROJ identifies for a WKT (ESRI or OGC), or 0 when PROJ
// cannot read it or finds no code it is sure of. `name` gets the system's
// name as the WKT gives it (for the notice).
int IdentifyWkt(const std::string& wkt, std::string* name = nullptr);

// The system for data whose own is missing or not understood, from the
// extent of its coordinates, with the notice that says what was assumed;
// `why` begins the notice ("座標系 (.prj) がありません").
TFeatureCrs AssumedCrs(const TExtentBuilder& extent, const std::string& why, std::string& notice);

// Sets the leaf's CoordMode, Zone and Datum.
void SetLeafCrs(TMapLeaf& leaf, const TFeatureCrs& crs);

// One dataset row of the definition file.
struct TDatasetRule {
  std::string Name;                 // the section, without "D_"
  std::vector<std::string> Fields;  // UTF-8
  std::string Class;                // UTF-8
  std::string ClassField;           // UTF-8, may be empty
  std::string Label;                // UTF-8 template
};

// The dataset rows and the class sections of a definition file.
class TFeatureRules {
public:
  TFeatureRules() = default;
  // Reads the rows of the definition file `defFile` (Shift_JIS); a missing
  // file gives no rows.
  static TFeatureRules Load(const std::string& defFile);
  // The rules of the definition file the readers are installed with, in
  // `programFolder`.
  static TFeatureRules ForProgram(const std::string& programFolder);

  // The first row whose fields are all in `fields` (UTF-8), or null.
  const TDatasetRule* Match(const std::vector<std::string>& fields) const;
  bool HasClass(std::string_view code) const;  // code in UTF-8

  std::vector<TDatasetRule> Rules;
  std::vector<std::string> Classes;  // UTF-8 codes of the [C_...] sections
};

// The geometry kinds of figures.
enum class TGeomKind : std::uint8_t { Polygon, Line, Point };

// The figures of one file as its features are read: classes and labels by
// the rules, running counts, the extent, and what was skipped.
class TFeatureSet {
public:
  explicit TFeatureSet(const TFeatureRules& rules, bool build = true);

  // Starts a feature: its number (the record, from 1) and its fields
  // (names and values in UTF-8, in the file's order). The fields are
  // matched against the rules when their names change.
  void BeginFeature(long long number, const std::vector<std::string>& names,
                    const std::vector<std::string>& values);
  // A point, a line (two points or more; fewer are skipped and counted),
  // a polygon's ring (the exterior ring, then its holes: each a polygon
  // figure with the points as the file has them, so that a ring that is
  // not closed or crosses itself is drawn as it is; rings of fewer than two
  // points are skipped and counted). Coordinates must be finite (the caller
  // checks). Without `build` only the extent grows and figures are counted.
  void AddPoint(TFPoint p);
  void AddLine(TFPointGrp points);
  void AddRing(TFPointGrp points, bool exterior);
  // A feature without geometry (a null shape, an empty geometry).
  void SkipEmpty() { ++Skipped; }

  // Moves the lists into the leaf and sets its Extent (when any point was
  // read) and, when nothing was drawn, its NoFigureReason.
  void AttachTo(TMapLeaf& leaf);
  bool AnyFigure() const { return figures_ > 0; }

  TExtentBuilder Extent;
  long long Skipped = 0;  // null shapes, empty geometries, degenerate parts

private:
  // Adds a line's or ring's points to the extent; true when a figure is to
  // be built of them (fewer than two points are skipped and counted, a scan
  // that builds nothing counts the figure).
  bool Takes(const TFPointGrp& points);

  // The class code (Shift_JIS) and the texts of the feature for a kind.
  void Decorate(TFigure& fig, TGeomKind kind);
  std::string ClassOf(TGeomKind kind) const;

  const TFeatureRules& rules_;
  bool build_;
  long long number_ = 0;
  const std::vector<std::string>* names_ = nullptr;
  const std::vector<std::string>* values_ = nullptr;
  std::vector<std::string> matchedNames_;
  const TDatasetRule* rule_ = nullptr;
  bool matched_ = false;
  std::string label_;       // Shift_JIS, of the current feature
  std::string ruleClass_;   // Shift_JIS, of the current feature ("" generic)
  TFigPolygon* exterior_ = nullptr;  // the feature's last exterior ring
  long long figures_ = 0;
  std::unique_ptr<TFigPolygonGrp> polygons_ = std::make_unique<TFigPolygonGrp>();
  std::unique_ptr<TFigPolylineGrp> lines_ = std::make_unique<TFigPolylineGrp>();
  std::unique_ptr<TFigPointGrp> points_ = std::make_unique<TFigPointGrp>();
};

// Text of a file's attribute (bytes of an unknown encoding) in UTF-8:
// UTF-8 when it is valid UTF-8, else Shift_JIS.
std::string Utf8OfUnknown(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

}  // namespace chizro
