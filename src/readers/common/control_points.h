// Control points for placing a map drawn in arbitrary coordinates, as the
// user gives them in a file, and the placement fitted from them.
//
// A control-point file is text, UTF-8 (a byte order mark allowed) or
// Shift_JIS, one point a line:
//
//   # comment
//   名前,x,y,X,Y
//   K12,,,-35012.345,12003.456       x, y empty: the map's own point K12
//   A,102.500,205.250,-35000.125,12010.000
//
// x and y are the position in the map's file (x north, y east [m]); when
// both are empty, the name is that of a point of the map (a 筆界点 by its
// 点番名, a 基準点 by its 名称) and its position is the map's. X and Y are
// plane rectangular coordinates in the project's zone. A first line
// "名前,x,y,X,Y" is a header. The comment "# 変換: アフィン変換" (or
// "ヘルマート変換") asks for that fit, whatever the project's: the window
// writes it when the user chose the fit for the map.
//
// A SIMA file (".sim", or a file whose first records are SIMA's) serves as
// well: its A01 points give X and Y by their 点名, matched to the map's
// points of that name.
//
// The comment "# 地図: 13101-0101-1.xml" starts the points of one map: those
// after it, up to the next such line, place only the map of that name (a
// member of the zip the file serves, as "inner.zip|a.xml" or by its last
// name "a.xml"; or a file, by its name). Points before any such line place
// every map. A fit line inside a map's points asks for that map's fit.
//
// The sidecar "<map file>.gcp" beside a map (for a map inside a zip, beside
// the zip: "<zip>.gcp", with a "# 地図:" part for each member placed) is
// such a file, read when the map opens.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "coords/control_fit.h"
#include "model/geometry.h"

namespace chizro {

struct TControlEntry {
  std::string Name;  // Shift_JIS
  std::optional<double> x, y;  // in the map's file; none: the map's point of that name
  double X = 0, Y = 0;         // in the zone
  std::uint64_t Line = 0;
  std::string Map;  // the map it places (path text, UTF-8); empty: every map
};

struct TControlFile {
  std::string FileName;
  std::vector<TControlEntry> Entries;
  std::optional<TFitKind> Fit;  // asked for by the file, before any map's part
  // Fits asked for inside a map's part, by the map's name.
  std::vector<std::pair<std::string, TFitKind>> MapFits;

  // The points and the fit of the map `leafFileName`: the points of every
  // map and those of its own part.
  TControlFile ForMap(const std::string& leafFileName) const;
};

// The comment line that asks for a fit: the prefix, then the fit's name.
inline constexpr char kFitLinePrefix[] = "# 変換: ";
inline constexpr char kHelmertFitName[] = "ヘルマート変換";
inline constexpr char kAffineFitName[] = "アフィン変換";
// The comment line that starts one map's points: the prefix, then its name.
inline constexpr char kMapLinePrefix[] = "# 地図: ";

// The name a control-point file gives the map `leafFileName` (path text):
// a member of an archive by its members ("a.xml", "inner.zip|a.xml"), a
// file by its name without the folder.
std::string ControlMapName(const std::string& leafFileName);
// True when the points of the part `map` ("" for every map) place
// `leafFileName`.
bool ControlMapMatches(const std::string& map, const std::string& leafFileName);

// Reads a control-point file or a SIMA file. EInOutError naming the file
// and the line for a line that does not parse (too few fields, a number
// that is not one, only one of x and y), and for a file without a point.
TControlFile ReadControlFile(const std::string& fileName);

// The sidecar of a map file (path text, "a.zip|b.xml" for a member): the
// map's own file, or its outermost archive, with ".gcp" added.
std::string SidecarOf(const std::string& leafFileName);

// The placement of one map: a fit for the whole map, and fits of their own
// for the sheets (図郭) that hold enough control points.
class TMapPlacement {
public:
  // Where a position of the map's file (the model's x east, y north) goes.
  TFPoint Apply(TFPoint local) const;
  // The same by the fit of the place `where` (a sheet's middle for its
  // frame's corners, which lie on the sheet's edge).
  TFPoint ApplyAt(TFPoint where, TFPoint local) const;
  // "位置合わせ: ヘルマート変換 4点 RMSE 0.004 m (file)" and the sheets'.
  const std::string& Summary() const noexcept { return summary_; }

  // Fits `control` (its points without a position found by name through
  // `named`, Shift_JIS name to the model position) for the whole map and
  // for each sheet of `sheets` (closed rings of model positions) with at
  // least as many of the points inside it as the fit needs, by the fit the
  // file asks for, else by `kind`. EInOutError
  // naming the control file and the line of a name that matches no point;
  // EControlFitError when the points admit no fit.
  static TMapPlacement Fit(const TControlFile& control,
                           const std::function<std::optional<TFPoint>(const std::string&)>& named,
                           const std::vector<std::vector<TFPoint>>& sheets, TFitKind kind);

private:
  struct TSheetFit {
    std::vector<TFPoint> Ring;
    TPlaneTransform Transform;
  };
  TPlaneTransform whole_;
  std::vector<TSheetFit> sheets_;
  std::string summary_;
};

}  // namespace chizro
