// The whole way from a chart cell to figures: chizro-enclist's listing of the
// test cell, read by the ENC reader, against what GDAL's S-57 driver reads
// from the same cell (recorded in JP4TEST1.gdal.txt by
// tools/enc/gdal_expected.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "readers/enc/enc_builder.h"
#include "s57_listing.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

const std::string kData = std::string(CHIZRO_TEST_DATA_DIR) + "/enc/";
const std::string kAttributeTable = std::string(CHIZRO_TEST_DATA_DIR) + "/../../def/EncAttr.ini";
// Float vertices against GDAL's doubles, around 150 degrees.
constexpr double kTolerance = 2e-5;

struct GdalFeature {
  int Objl = 0;
  std::string Kind;                                                  // NONE, POINT, LINE, AREA
  std::vector<double> Coords;                                        // x y (z) ...
  std::map<std::string, std::pair<std::string, std::string>> Attrs;  // name -> (type, value)
};

std::vector<GdalFeature> ReadExpected(const std::string& path) {
  std::ifstream in(path);
  std::vector<GdalFeature> features;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string head;
    words >> head;
    if (head == "FEATURE") {
      GdalFeature& f = features.emplace_back();
      int n = 0;
      words >> f.Objl >> f.Kind >> n;
      for (double v; words >> v;) f.Coords.push_back(v);
    } else if (head == "ATTR") {
      std::string name, type, value;
      words >> name >> type;
      std::getline(words >> std::ws, value);
      features.back().Attrs[name] = {type, value};
    }
  }
  return features;
}

std::map<std::string, char> AttributeTypes() {
  std::map<std::string, char> types;
  std::ifstream in(kAttributeTable);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string code, acronym, type;
    std::getline(fields, code, ',');
    std::getline(fields, acronym, ',');
    std::getline(fields, type, ',');
    if (!type.empty()) types[acronym] = type[0];
  }
  return types;
}

using XY = std::pair<double, double>;

bool Near(const XY& a, const XY& b) {
  return std::abs(a.first - b.first) < kTolerance && std::abs(a.second - b.second) < kTolerance;
}

// The vertices without repeats of the same position in a row (a node shared
// by two edges stands twice in chizro's figures) and without a closing
// repeat of the first.
std::vector<XY> Distinct(std::vector<XY> points, bool ring) {
  std::vector<XY> out;
  for (const XY& p : points)
    if (out.empty() || !Near(out.back(), p)) out.push_back(p);
  if (ring && out.size() > 1 && Near(out.front(), out.back())) out.pop_back();
  return out;
}

// The same ring from any start, in either direction.
bool SameRing(const std::vector<XY>& a, std::vector<XY> b) {
  if (a.size() != b.size() || a.empty()) return false;
  for (int pass = 0; pass < 2; ++pass, std::reverse(b.begin(), b.end()))
    for (std::size_t start = 0; start < b.size();
         ++start, std::rotate(b.begin(), b.begin() + 1, b.end()))
      if (std::equal(a.begin(), a.end(), b.begin(), Near)) return true;
  return false;
}

std::vector<XY> FigurePoints(const TFigure& fig) {
  std::vector<XY> points;
  for (const TFPoint& p : fig.Points) points.emplace_back(p.x, p.y);
  return points;
}

std::vector<XY> GdalPoints(const GdalFeature& f, std::size_t stride) {
  std::vector<XY> points;
  for (std::size_t i = 0; i + 1 < f.Coords.size(); i += stride)
    points.emplace_back(f.Coords[i], f.Coords[i + 1]);
  return points;
}

class EncGdalTest : public ::testing::Test {
protected:
  void SetUp() override {
    builder_.SetProgramFolder(test::SourcePath());  // for def/EncAttr.ini
    std::ofstream out(dir_.File("JP4TEST1.txt"), std::ios::binary);
    iso8211::WriteListing(test::ReadFile(kData + "JP4TEST1.000"), out);
  }

  test::TempDir dir_;
  TMapLeafGrp leaves_{nullptr};
  TMapBuilder_Enc builder_;
};

TEST_F(EncGdalTest, FiguresMatchWhatGdalReadsFromTheCell) {
  const std::vector<GdalFeature> expected = ReadExpected(kData + "JP4TEST1.gdal.txt");
  ASSERT_EQ(expected.size(), 13u);
  const auto types = AttributeTypes();
  ASSERT_GT(types.size(), 150u);

  const auto leaf = builder_.OpenFile(leaves_, dir_.File("JP4TEST1.txt"));
  ASSERT_TRUE(leaf);
  std::vector<const TFigure*> figures;
  for (const auto& grp : leaf->FigGrps)
    for (const auto& fig : grp->Figures()) figures.push_back(fig.get());

  std::size_t matched = 0;
  for (const GdalFeature& g : expected) {
    const std::string objl = std::to_string(g.Objl);
    SCOPED_TRACE("OBJL " + objl + " " + g.Kind);
    if (g.Kind == "NONE") {
      for (const TFigure* fig : figures) EXPECT_NE(fig->ClassCode, objl);
      continue;
    }
    const TFigure* found = nullptr;
    for (const TFigure* fig : figures) {
      if (fig->ClassCode != objl) continue;
      if (g.Kind == "AREA" && fig->Kind() == TFigKind::Polygon) {
        // The coverage (302) is bounded only by edges truncated at the data
        // limit: they are its exterior ring all the same.
        if (SameRing(Distinct(FigurePoints(*fig), true), Distinct(GdalPoints(g, 2), true)))
          found = fig;
      } else if (g.Kind == "LINE" && fig->Kind() == TFigKind::Polyline) {
        if (std::ranges::equal(Distinct(FigurePoints(*fig), false),
                               Distinct(GdalPoints(g, 2), false), Near))
          found = fig;
      } else if (g.Kind == "POINT" && fig->Kind() == TFigKind::Point) {
        const std::size_t stride = g.Objl == 129 ? 3 : 2;
        if (fig->PointCount() == 1 && Near(FigurePoints(*fig)[0], GdalPoints(g, stride).at(0)) &&
            (g.Objl != 129 ||
             std::abs(std::stod(fig->GetProp("DEPTH")) - g.Coords[2]) <= 0.05 + 1e-9))
          found = fig;
      }
      if (found) break;
    }
    ASSERT_NE(found, nullptr) << "no figure of this class with GDAL's geometry";
    ++matched;
    if (g.Objl == 129) {
      // One decimal, rounded as "%.1f" rounds the double depth.
      char text[16];
      std::snprintf(text, sizeof text, "%.1f",
                    static_cast<double>(static_cast<double>(g.Coords[2])));
      EXPECT_EQ(found->GetProp("DEPTH"), text);
      continue;
    }
    if (found->Kind() == TFigKind::Polyline) {
      EXPECT_EQ(found->Props.Count(), 0u);  // lines carry no attributes
      continue;
    }
    std::size_t kept = 0;
    for (const auto& [name, typed] : g.Attrs) {
      const auto& [type, value] = typed;
      const char letter = types.count(name) ? types.at(name) : '?';
      const std::string ours = found->GetProp(name);
      if (letter != 'A' && letter != 'E' && letter != 'F' && letter != 'S') {
        EXPECT_EQ(ours, "") << name;
        continue;
      }
      ++kept;
      if (type == "Real" || type == "Integer")
        EXPECT_DOUBLE_EQ(std::stod(ours), std::stod(value)) << name;
      else
        EXPECT_EQ(ours, value) << name;
    }
    EXPECT_EQ(found->Props.Count(), kept);
  }
  EXPECT_EQ(matched, 12u);
  // Every figure answers one of GDAL's features.
  EXPECT_EQ(figures.size(), matched);

  // The leaf covers the chart at its negative longitudes.
  EXPECT_NEAR(leaf->Extent.left, -150.05, kTolerance);
  EXPECT_NEAR(leaf->Extent.right, -149.90, kTolerance);
  EXPECT_NEAR(leaf->Extent.bottom, 59.99, kTolerance);
  EXPECT_NEAR(leaf->Extent.top, 60.12, kTolerance);
}

}  // namespace
}  // namespace chizro
