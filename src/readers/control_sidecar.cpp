#include "readers/control_sidecar.h"

#include <algorithm>

#include "platform/convert.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "readers/common/control_points.h"
#include "readers/common/leaf_path.h"

namespace chizro {

std::string ControlSidecarOf(const std::string& leafFileName) { return SidecarOf(leafFileName); }

std::string OpenedFileOf(const std::string& leafFileName) {
  return TLeafPath::Parse(leafFileName).File;
}

TControlPointList ReadControlPoints(const std::string& fileName) {
  const TControlFile file = ReadControlFile(fileName);
  TControlPointList list;
  list.Fit = file.Fit;
  list.MapFits = file.MapFits;
  for (const TControlEntry& e : file.Entries) {
    TControlPointEntry p;
    p.Name = e.Name;
    p.Map = e.Map;
    // The file's x is north, the model's y.
    if (e.x && e.y) p.Local = TFPoint{*e.y, *e.x};
    p.Zone = {e.Y, e.X};
    list.Points.push_back(std::move(p));
  }
  return list;
}

TControlPointList ControlPointsOf(const TControlPointList& all, const std::string& leafFileName) {
  TControlPointList mine;
  mine.Fit = all.Fit;
  for (const auto& [map, fit] : all.MapFits)
    if (ControlMapMatches(map, leafFileName)) mine.Fit = fit;
  for (const TControlPointEntry& p : all.Points)
    if (ControlMapMatches(p.Map, leafFileName)) mine.Points.push_back(p);
  return mine;
}

TControlPointList WithMapPoints(const TControlPointList& all, const std::string& leafFileName,
                                const TControlPointList& mine) {
  const bool member = TLeafPath::Parse(leafFileName).InArchive();
  const std::string map = member ? ControlMapName(leafFileName) : std::string();
  TControlPointList out;
  // The file's own fit serves the other members of a zip as it did.
  out.Fit = member ? all.Fit : mine.Fit;
  for (const auto& [other, fit] : all.MapFits)
    if (!ControlMapMatches(other, leafFileName)) out.MapFits.emplace_back(other, fit);
  if (member && mine.Fit) out.MapFits.emplace_back(map, *mine.Fit);
  for (const TControlPointEntry& p : all.Points)
    if (!p.Map.empty() && !ControlMapMatches(p.Map, leafFileName)) out.Points.push_back(p);
  for (TControlPointEntry p : mine.Points) {
    p.Map = map;
    out.Points.push_back(std::move(p));
  }
  return out;
}

namespace {

std::string FitLine(TFitKind fit) {
  return std::string(kFitLinePrefix) + (fit == TFitKind::Affine ? kAffineFitName : kHelmertFitName) +
         "\r\n";
}

std::string PointLine(const TControlPointEntry& p) {
  std::string name = SjisToUtf8(p.Name);
  // A comma would split the name: the map's own names have none.
  for (char& c : name)
    if (c == ',') c = '_';
  std::string line = name + ",";
  if (p.Local)
    line += FixedText(p.Local->y, 6) + "," + FixedText(p.Local->x, 6);
  else
    line += ",";
  return line + "," + FixedText(p.Zone.y, 4) + "," + FixedText(p.Zone.x, 4) + "\r\n";
}

}  // namespace

void WriteControlPoints(const std::string& fileName, const TControlPointList& list) {
  std::string text = "\xEF\xBB\xBF# chizro の位置合わせ: 地図の点 (x 北, y 東) と公共座標 (X 北, Y 東) [m]\r\n";
  if (list.Fit) text += FitLine(*list.Fit);
  text += "名前,x,y,X,Y\r\n";
  // The points of every map, then each map's part in the order met.
  std::vector<std::string> maps;
  for (const TControlPointEntry& p : list.Points) {
    if (p.Map.empty())
      text += PointLine(p);
    else if (std::find(maps.begin(), maps.end(), p.Map) == maps.end())
      maps.push_back(p.Map);
  }
  for (const auto& [map, fit] : list.MapFits)
    if (std::find(maps.begin(), maps.end(), map) == maps.end()) maps.push_back(map);
  for (const std::string& map : maps) {
    text += std::string(kMapLinePrefix) + map + "\r\n";
    for (const auto& [other, fit] : list.MapFits)
      if (other == map) text += FitLine(fit);
    for (const TControlPointEntry& p : list.Points)
      if (p.Map == map) text += PointLine(p);
  }
  WriteWholeFile(fileName, text);
}

}  // namespace chizro
