// The check of a feature reader (Shapefile, GeoJSON) against what GDAL read
// from the same fixtures (tests/data/<folder>/oracle.tsv, recorded by
// tools/fixtures/shape/make_fixtures.py): the zone the project takes, the
// number of figures of each kind, the first and the last point of each kind
// placed in that zone compared with PROJ's placement of GDAL's coordinates
// within 1 mm, and the attribute values of the first features.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/sjis.h"
#include "readers/common/reader_util.h"
#include "readers/data_kinds.h"
#include "support/leaf_dump.h"

namespace chizro::test {

// The facts of one fixture file.
struct OracleFile {
  std::string Folder;  // under tests/data
  std::string Name;
  int Kind = 0;
  int Srs = 0;
  int Zone = 0;
  int Features = 0;
  // kind -> figures, first x y, last x y
  std::map<std::string, std::vector<double>> Figures;
  // feature number, field, value
  std::vector<std::tuple<int, std::string, std::string>> Attributes;
};

// A file opened and loaded by the reader of `kind` with the shipped
// definition file (its dataset rows), for the tests of classes and labels.
inline std::unique_ptr<TMapLeaf> OpenWithShippedDefs(int kind, const std::string& path) {
  static TMapLeafGrp leaves(nullptr);
  const auto reader = MakeReader(kind);
  reader->SetProgramFolder(SourcePath());
  auto leaf = reader->OpenFile(leaves, path);
  if (leaf && !leaf->Loaded) reader->LoadLeaf(*leaf, nullptr, 2500);
  return leaf;
}

inline void PrintTo(const OracleFile& f, std::ostream* os) { *os << f.Folder << "/" << f.Name; }

inline std::vector<OracleFile> ReadOracle(const std::string& folder, int kind) {
  std::ifstream in(DataPath(folder + "/oracle.tsv"));
  std::vector<OracleFile> files;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string cell; std::getline(ss, cell, '\t');) f.push_back(cell);
    if (files.empty() || files.back().Name != f[0]) {
      files.emplace_back();
      files.back().Folder = folder;
      files.back().Name = f[0];
      files.back().Kind = kind;
    }
    OracleFile& file = files.back();
    if (f[1] == "features") file.Features = std::stoi(f[2]);
    else if (f[1] == "srs") file.Srs = std::stoi(f[2]);
    else if (f[1] == "zone") file.Zone = std::stoi(f[2]);
    else if (f[1] == "attr") file.Attributes.emplace_back(std::stoi(f[2]), f[3], f.size() > 4 ? f[4] : "");
    else {
      std::vector<double> v;
      for (std::size_t i = 2; i < f.size(); ++i) v.push_back(std::stod(f[i]));
      file.Figures[f[1]] = v;
    }
  }
  return files;
}

inline TFigKind KindOfName(const std::string& name) {
  return name == "polygon" ? TFigKind::Polygon : name == "line" ? TFigKind::Polyline : TFigKind::Point;
}

// The source system of a fixture as PROJ names it: its EPSG code, or for a
// file without one the system the reader assumes (JGD2011 degrees when GDAL's
// first coordinate is in degrees, else none: plane coordinates stay).
inline std::string SourceCrs(const OracleFile& f, double firstX) {
  if (f.Srs != 0) return "EPSG:" + std::to_string(f.Srs);
  return std::fabs(firstX) <= 180 ? "EPSG:6668" : "";
}

inline void CheckAgainstOracle(const OracleFile& f) {
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  // The Tokyo datum's data is placed in a Tokyo project: the check is then
  // of the projection alone, not of a datum shift PROJ may do otherwise.
  const bool tokyo = f.Srs == 4301 || (f.Srs >= 30161 && f.Srs <= 30179);
  if (tokyo) project.SetCoordSystem(TCoordMode::Plane, TZone::Stated(9), TDatum::Tokyo);
  project.Open(DataPath(f.Folder + "/" + f.Name), f.Kind, TOpenMode::File);
  ASSERT_EQ(project.Themes->Count(), 1);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  EXPECT_EQ(project.Zone.Number(), f.Zone);
  const int base = tokyo ? 30160 : 2442;
  const std::string target = "EPSG:" + std::to_string(base + f.Zone);
  for (const auto& [kindName, v] : f.Figures) {
    const TFigKind kind = KindOfName(kindName);
    std::vector<const TFigure*> figs;
    for (const auto& grp : leaf.FigGrps)
      if (grp->Kind() == kind)
        for (const auto& fig : grp->Figures()) figs.push_back(fig.get());
    ASSERT_EQ(figs.size(), static_cast<std::size_t>(v[0])) << kindName;
    const std::string source = SourceCrs(f, v[1]);
    const auto place = [&](double x, double y) {
      return source.empty() ? TFPoint{x, y} : ProjTransform(source, target, x, y);
    };
    const TFPoint first = place(v[1], v[2]);
    const TFPoint last = place(v[3], v[4]);
    EXPECT_NEAR(figs.front()->Points.front().x, first.x, 0.001) << kindName;
    EXPECT_NEAR(figs.front()->Points.front().y, first.y, 0.001) << kindName;
    EXPECT_NEAR(figs.back()->Points.back().x, last.x, 0.001) << kindName;
    EXPECT_NEAR(figs.back()->Points.back().y, last.y, 0.001) << kindName;
  }
  for (const auto& [number, field, value] : f.Attributes) {
    const TFigure* found = nullptr;
    for (const auto& grp : leaf.FigGrps)
      for (const auto& fig : grp->Figures())
        if (!found && fig->Name == ZeroPadded(number, 10)) found = fig.get();
    ASSERT_TRUE(found) << "feature " << number;
    EXPECT_EQ(SjisToUtf8(found->GetProp(Utf8ToSjis(field))), value) << field;
  }
}

}  // namespace chizro::test
