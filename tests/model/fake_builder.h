// A reader for the model tests: each "file" is described in a table held by
// the test, with the coordinate system its data is in, its extent, and the
// polygon vertices its LoadLeaf builds.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/map_builder.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"

namespace chizro::test {

struct FakeFile {
  int CoordMode = kModePlane;
  int Datum = kDatumJgd2000;
  int Zone = 0;
  std::vector<TFPoint> Vertices;  // one polygon, in the file's own system
  bool LoadAtOpen = false;        // build the figures in OpenFile
  bool FailAfterFigures = false;  // LoadLeaf attaches its list, then fails
};

struct FakeData {
  std::map<std::string, FakeFile> Files;
  std::vector<std::string> LoadLog;  // file names, in the order LoadLeaf was called
};

class FakeBuilder final : public TMapBuilder {
public:
  explicit FakeBuilder(FakeData& data) : data_(data) {}

  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override {
    const auto it = data_.Files.find(fileName);
    if (it == data_.Files.end()) return nullptr;
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = fileName;
    leaf->SheetName = fileName;
    leaf->CoordMode = it->second.CoordMode;
    leaf->Datum = it->second.Datum;
    if (it->second.Zone) leaf->Zone = it->second.Zone;
    const TFRect r = ExtentOf(it->second.Vertices);
    leaf->Extent = r;
    leaf->Corners = {TFPoint{r.left, r.top}, TFPoint{r.right, r.top}, TFPoint{r.right, r.bottom},
                     TFPoint{r.left, r.bottom}};
    if (it->second.LoadAtOpen) LoadLeaf(*leaf, nullptr, 0);
    return leaf;
  }

  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, float) override {
    data_.LoadLog.push_back(leaf.FileName);
    const FakeFile& file = data_.Files.at(leaf.FileName);
    auto grp = std::make_unique<TFigPolygonGrp>();
    TFigPolygon* fig = grp->New();
    fig->ClassCode = "5101";
    fig->Points = file.Vertices;
    fig->LabelX = file.Vertices.front().x;
    fig->LabelY = file.Vertices.front().y;
    grp->UpdateExtents();
    leaf.AddFigGrp(std::move(grp));
    if (file.FailAfterFigures) throw EConvertError("x1");
    leaf.Loaded = true;
  }

private:
  static TFRect ExtentOf(const std::vector<TFPoint>& pts) {
    TFRect r{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const TFPoint& p : pts) {
      r.left = std::min(r.left, p.x);
      r.right = std::max(r.right, p.x);
      r.top = std::max(r.top, p.y);
      r.bottom = std::min(r.bottom, p.y);
    }
    return r;
  }

  FakeData& data_;
};

}  // namespace chizro::test
