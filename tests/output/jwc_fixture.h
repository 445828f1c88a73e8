// Fixtures for the writer tests: a reader that builds leaves from tables held
// by the test, and a program directory with its definition, settings and
// request files.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/map_builder.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"

namespace chizro::test {

struct FigureData {
  TFigKind Kind = TFigKind::Polygon;
  std::string Code;
  std::vector<TFPoint> Points;
  TFPoint Label;
  std::vector<std::string> Texts;
};

struct LeafData {
  TFRect Extent;
  std::vector<FigureData> Figures;
};

// Files by name; LoadLeaf builds a leaf's figures into one list per kind, in
// the order polygons, polylines, points, rasters, each in table order.
class TableBuilder final : public TMapBuilder {
public:
  explicit TableBuilder(const std::map<std::string, LeafData>& files, int* loads = nullptr)
      : files_(files), loads_(loads) {}

  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override {
    const auto it = files_.find(fileName);
    if (it == files_.end()) return nullptr;
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = fileName;
    leaf->SheetName = fileName;
    leaf->CoordMode = kModePlane;
    leaf->Datum = kDatumJgd2000;
    leaf->Extent = it->second.Extent;
    return leaf;
  }

  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, float) override {
    if (loads_) ++*loads_;
    const LeafData& data = files_.at(leaf.FileName);
    auto polygons = std::make_unique<TFigPolygonGrp>();
    auto polylines = std::make_unique<TFigPolylineGrp>();
    auto points = std::make_unique<TFigPointGrp>();
    auto rasters = std::make_unique<TFigRasterGrp>();
    for (const FigureData& f : data.Figures) {
      TFigure* fig = nullptr;
      switch (f.Kind) {
        case TFigKind::Polygon:
          fig = polygons->New();
          break;
        case TFigKind::Polyline:
          fig = polylines->New();
          break;
        case TFigKind::Point:
          fig = points->New();
          break;
        case TFigKind::Raster:
          fig = rasters->New();
          break;
      }
      fig->ClassCode = f.Code;
      fig->Points = f.Points;
      fig->LabelX = f.Label.x;
      fig->LabelY = f.Label.y;
      fig->Texts = f.Texts;
      fig->UpdateExtent();
      if (f.Points.empty()) fig->Extent = {f.Label.x, f.Label.y, f.Label.x, f.Label.y};
    }
    leaf.AddFigGrp(std::move(polygons));
    leaf.AddFigGrp(std::move(polylines));
    leaf.AddFigGrp(std::move(points));
    leaf.AddFigGrp(std::move(rasters));
    leaf.Loaded = true;
  }

private:
  const std::map<std::string, LeafData>& files_;
  int* loads_;
};

}  // namespace chizro::test
