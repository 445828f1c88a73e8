// A reader for the model and writer tests: each "file" is a table held by the
// test, with the coordinate system its data is in, its extent and the figures
// its LoadLeaf builds.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/map_builder.h"
#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "readers/data_kinds.h"

namespace chizro::test {

struct FigureData {
  TFigKind Kind = TFigKind::Polygon;
  std::string Code;
  std::vector<TFPoint> Points;
  TFPoint Label;
  std::vector<std::string> Texts;
};

struct FakeFile {
  TFRect Extent;
  std::vector<FigureData> Figures;
  TCoordMode CoordMode = TCoordMode::Plane;
  TDatum Datum = TDatum::Jgd2000;
  int Zone = 0;                   // 0: the file states no zone
  bool LoadAtOpen = false;        // build the figures in OpenFile
  bool FailAfterFigures = false;  // LoadLeaf attaches its lists, then fails
  std::string LeafFile = {};      // the leaf's FileName when not the file's (a sheet's folder)
};

struct FakeData {
  std::map<std::string, FakeFile> Files;
  std::vector<std::string> LoadLog;  // file names, in the order LoadLeaf was called
  bool Concurrent = false;           // the reader offers loads on several threads
  std::mutex LogMutex;
};

// LoadLeaf builds a leaf's figures into one list per kind, in the order
// polygons, polylines, points, rasters, each in table order; a kind without
// figures gets no list.
class FakeBuilder final : public TMapBuilder {
public:
  explicit FakeBuilder(FakeData& data) : data_(data) {}

  std::unique_ptr<TMapLeaf> OpenFile(TMapLeafGrp& leaves, const std::string& fileName) override {
    const auto it = data_.Files.find(fileName);
    if (it == data_.Files.end()) return nullptr;
    const FakeFile& file = it->second;
    auto leaf = std::make_unique<TMapLeaf>(&leaves);
    leaf->FileName = file.LeafFile.empty() ? fileName : file.LeafFile;
    leaf->SheetName = fileName;
    leaf->CoordMode = file.CoordMode;
    leaf->Datum = file.Datum;
    if (file.Zone) leaf->Zone = TZone::Stated(file.Zone);
    const TFRect& r = file.Extent;
    leaf->Extent = r;
    leaf->Corners = {TFPoint{r.left, r.top}, TFPoint{r.right, r.top}, TFPoint{r.right, r.bottom},
                     TFPoint{r.left, r.bottom}};
    if (file.LoadAtOpen) LoadLeaf(*leaf, nullptr, 0);
    return leaf;
  }

  // Opens every file whose name begins with the folder's and "/", in name
  // order; an error ends the scan with the leaves added so far.
  TMapLeafGrp* OpenFolder(TMapLeafGrp& leaves, const std::string& folder) override {
    for (const auto& [name, file] : data_.Files)
      if (name.starts_with(folder + "/")) leaves.Add(OpenFile(leaves, name));
    return &leaves;
  }

  bool ConcurrentLoads() const override { return data_.Concurrent; }

  void LoadLeaf(TMapLeaf& leaf, const TClassDefGrp*, double) override {
    {
      const std::lock_guard<std::mutex> lock(data_.LogMutex);
      data_.LoadLog.push_back(leaf.FileName);
    }
    const FakeFile& file = data_.Files.at(leaf.FileName);
    auto polygons = std::make_unique<TFigPolygonGrp>();
    auto polylines = std::make_unique<TFigPolylineGrp>();
    auto points = std::make_unique<TFigPointGrp>();
    auto rasters = std::make_unique<TFigRasterGrp>();
    for (const FigureData& f : file.Figures) {
      TFigure* fig = f.Kind == TFigKind::Polygon    ? polygons->New()
                     : f.Kind == TFigKind::Polyline ? static_cast<TFigure*>(polylines->New())
                     : f.Kind == TFigKind::Point    ? static_cast<TFigure*>(points->New())
                                                    : static_cast<TFigure*>(rasters->New());
      fig->ClassCode = f.Code;
      fig->Points = f.Points;
      fig->LabelX = f.Label.x;
      fig->LabelY = f.Label.y;
      fig->Texts = f.Texts;
      fig->UpdateExtent();
      if (f.Points.empty()) fig->Extent = {f.Label.x, f.Label.y, f.Label.x, f.Label.y};
    }
    if (polygons->Count()) leaf.AddFigGrp(std::move(polygons));
    if (polylines->Count()) leaf.AddFigGrp(std::move(polylines));
    if (points->Count()) leaf.AddFigGrp(std::move(points));
    if (rasters->Count()) leaf.AddFigGrp(std::move(rasters));
    if (file.FailAfterFigures) throw EConvertError("x1");
    leaf.Loaded = true;
  }

private:
  FakeData& data_;
};

// A registry for a project: the fake readers it is given, the shipped
// readers and definition files for every other kind.
class FakeBuilders final : public TBuilderRegistry {
public:
  FakeBuilders(int kind, FakeData& data) { Set(kind, data); }
  void Set(int kind, FakeData& data) { data_[kind] = &data; }

  std::string DefFileForKind(int kind) const override {
    return DefaultBuilders().DefFileForKind(kind);
  }
  std::unique_ptr<TMapBuilder> CreateBuilder(int kind, TBitmapLoader* images) const override {
    const auto it = data_.find(kind);
    return it != data_.end() ? std::make_unique<FakeBuilder>(*it->second)
                             : DefaultBuilders().CreateBuilder(kind, images);
  }

private:
  std::map<int, FakeData*> data_;
};

}  // namespace chizro::test
