// The control points of a map in arbitrary coordinates (任意座標) as the
// window's placement keeps them: the sidecar file beside the map
// ("<map file>.gcp", for a member of a zip "<zip>.gcp"), read when the map
// opens and written when the user places it. The file's form is the
// control-point list of readers/common/control_points.h.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "coords/control_fit.h"
#include "model/geometry.h"

namespace chizro {

// One control point, positions as the model holds them (x east, y north).
struct TControlPointEntry {
  std::string Name;              // Shift_JIS, as the map's 点番名 or 名称
  std::optional<TFPoint> Local;  // in the map's file; none: the map's point of that name
  TFPoint Zone{};                // plane coordinates in the project's zone
  std::string Map;               // the map it places (its "# 地図:" part); empty: every map
};

// A control-point file: its points and the fit it asks for (none: the
// project's), and the fits its maps' parts ask for.
struct TControlPointList {
  std::vector<TControlPointEntry> Points;
  std::optional<TFitKind> Fit;
  std::vector<std::pair<std::string, TFitKind>> MapFits;
};

// The sidecar of the map file `leafFileName` (path text; "a.zip|b.xml" for
// a member of a zip).
std::string ControlSidecarOf(const std::string& leafFileName);

// The file that opening `leafFileName` starts from: the map file, or for a
// member of a zip the outermost zip.
std::string OpenedFileOf(const std::string& leafFileName);

// Reads a control-point or SIMA file. EInOutError naming the file and line.
TControlPointList ReadControlPoints(const std::string& fileName);

// The points and the fit that place the map `leafFileName`: those of every
// map and those of its own part.
TControlPointList ControlPointsOf(const TControlPointList& all, const std::string& leafFileName);

// `all` with the points and fit of the map `leafFileName` replaced by
// `mine`: for a member of a zip in its own "# 地図:" part (so that the zip's
// sidecar keeps the other members' parts), for a file as the points of
// every map. The points that placed every map are taken to be the map's
// (the dialog started from them) and leave with the old ones.
TControlPointList WithMapPoints(const TControlPointList& all, const std::string& leafFileName,
                                const TControlPointList& mine);

// Writes `list` as a control-point file (UTF-8 with a byte order mark, CRLF),
// whole or not at all: a point with a position in the file gets it written
// to the micrometre, one without is written by name. EInOutError naming the
// file when it cannot be written.
void WriteControlPoints(const std::string& fileName, const TControlPointList& list);

}  // namespace chizro
