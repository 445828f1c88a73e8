#include "readers/control_sidecar.h"

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
  for (const TControlEntry& e : file.Entries) {
    TControlPointEntry p;
    p.Name = e.Name;
    // The file's x is north, the model's y.
    if (e.x && e.y) p.Local = TFPoint{*e.y, *e.x};
    p.Zone = {e.Y, e.X};
    list.Points.push_back(std::move(p));
  }
  return list;
}

void WriteControlPoints(const std::string& fileName, const TControlPointList& list) {
  std::string text = "\xEF\xBB\xBF# chizro の位置合わせ: 地図の点 (x 北, y 東) と公共座標 (X 北, Y 東) [m]\r\n";
  if (list.Fit)
    text += std::string(kFitLinePrefix) +
            (*list.Fit == TFitKind::Affine ? kAffineFitName : kHelmertFitName) + "\r\n";
  text += "名前,x,y,X,Y\r\n";
  for (const TControlPointEntry& p : list.Points) {
    std::string name = SjisToUtf8(p.Name);
    // A comma would split the name: the map's own names have none.
    for (char& c : name)
      if (c == ',') c = '_';
    text += name + ",";
    if (p.Local) text += FixedText(p.Local->y, 6) + "," + FixedText(p.Local->x, 6);
    else text += ",";
    text += "," + FixedText(p.Zone.y, 4) + "," + FixedText(p.Zone.x, 4) + "\r\n";
  }
  WriteWholeFile(fileName, text);
}

}  // namespace chizro
