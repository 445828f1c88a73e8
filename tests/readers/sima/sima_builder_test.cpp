// The SIMA reader on fixture files under tests/data/sima (several sections,
// missing heights, half-width katakana titles, closed and open parcels,
// point numbers zero, missing and repeated, Shift_JIS and UTF-8 names), its
// faults, the zone its coordinates are taken in, and SIMA written from a
// real 地図XML excerpt, read back by a parser of this test and by the reader,
// against a recorded reading of the XML by Python (tools/fixtures/sima).
#include "readers/sima/sima_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/file_path.h"
#include "platform/sjis.h"
#include "service/map_service.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Sima, ReaderGolden, ::testing::ValuesIn(GoldenRows("sima/golden.tsv")),
                         RowName<GoldenCase>);
INSTANTIATE_TEST_SUITE_P(Sima, ReaderBadFile, ::testing::ValuesIn(BadFileRows("sima/bad_files.tsv")),
                         RowName<BadFileCase>);

std::vector<const TFigure*> FiguresOf(const TMapLeaf& leaf, const std::string& utf8Class) {
  std::vector<const TFigure*> out;
  const std::string code = Utf8ToSjis(utf8Class);
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      if (fig->ClassCode == code) out.push_back(fig.get());
  return out;
}

TMapLeaf& OnlyLeaf(TMapProject& project) {
  return *project.Themes->Items(0)->Leaves->Items(0);
}

// ---------------------------------------------------------------------------
// The zone of the coordinates.

// T1 of sections.sim: X -35000, Y 12000 (the model's east 12000, north -35000).
constexpr double kT1East = 12000.0;
constexpr double kT1North = -35000.0;

const TFigure& T1(const TMapLeaf& leaf) { return *FiguresOf(leaf, "座標点").at(0); }

TEST(SimaZone, AFixedZoneIsTheFilesAndAChangeMovesItAsProjDoes) {
  TMapProject project{DefaultBuilders()};
  project.ChooseZone(TZone::Stated(2));
  project.Open(DataPath("sima/sections.sim"), KindNumber(TKind::Sima), TOpenMode::File);
  TMapLeaf& leaf = OnlyLeaf(project);
  EXPECT_EQ(leaf.Zone, TZone::Stated(2));
  EXPECT_FALSE(leaf.AwaitsZone);
  EXPECT_TRUE(project.TakeNotices().empty());
  EXPECT_DOUBLE_EQ(T1(leaf).Points[0].x, kT1East);
  EXPECT_DOUBLE_EQ(T1(leaf).Points[0].y, kT1North);
  // Zone II into zone I, as PROJ converts EPSG:2444 into EPSG:2443.
  project.ChooseZone(TZone::Stated(1));
  const TFPoint expected = ProjTransform("EPSG:2444", "EPSG:2443", kT1East, kT1North);
  EXPECT_NEAR(T1(leaf).Points[0].x, expected.x, 0.001);
  EXPECT_NEAR(T1(leaf).Points[0].y, expected.y, 0.001);
}

TEST(SimaZone, WithoutAZoneTheFileWaitsAsItIsUntilTheUserChoosesOne) {
  TMapProject project{DefaultBuilders()};  // automatic: the first data chooses
  project.Open(DataPath("sima/sections.sim"), KindNumber(TKind::Sima), TOpenMode::File);
  TMapLeaf& leaf = OnlyLeaf(project);
  EXPECT_TRUE(leaf.Zone.IsLocal());
  EXPECT_TRUE(leaf.AwaitsZone);
  const std::vector<std::string> notices = project.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("出力設定"), std::string::npos);
  EXPECT_NE(notices[0].find("--zone"), std::string::npos);
  // The choice places the file where it is: its numbers are that zone's.
  project.ChooseZone(TZone::Stated(6));
  EXPECT_EQ(leaf.Zone, TZone::Stated(6));
  EXPECT_FALSE(leaf.AwaitsZone);
  EXPECT_DOUBLE_EQ(T1(leaf).Points[0].x, kT1East);
  EXPECT_DOUBLE_EQ(T1(leaf).Points[0].y, kT1North);
  // Placed, it follows the project like any data of a zone, also after a
  // reload from the file.
  project.ChooseZone(TZone::Stated(5));
  const TFPoint expected = ProjTransform("EPSG:2448", "EPSG:2447", kT1East, kT1North);
  EXPECT_NEAR(T1(leaf).Points[0].x, expected.x, 0.001);
  leaf.Unload();
  project.Themes->Items(0)->LoadLeaf(leaf);
  ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  EXPECT_NEAR(T1(leaf).Points[0].x, expected.x, 0.001);
  EXPECT_NEAR(T1(leaf).Points[0].y, expected.y, 0.001);
}

TEST(SimaZone, DataOpenedBeforeGivesItsZone) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/46505-3411-1_excerpt.xml"), KindNumber(TKind::Moj), TOpenMode::File);
  ASSERT_EQ(project.Zone, TZone::Stated(2));
  project.Open(DataPath("sima/sections.sim"), KindNumber(TKind::Sima), TOpenMode::File);
  TMapLeaf& leaf = *project.Themes->Items(1)->Leaves->Items(0);
  EXPECT_EQ(leaf.Zone, TZone::Stated(2));
  EXPECT_FALSE(leaf.AwaitsZone);
  EXPECT_DOUBLE_EQ(T1(leaf).Points[0].x, kT1East);
}

// ---------------------------------------------------------------------------
// SIMA out, checked by a reading of its own.

// The file as this test reads it: A01 points by number, parcels as their
// names and point numbers; and the bytes it must be made of.
struct TWritten {
  std::map<long, std::tuple<std::string, double, double>> Points;  // number: name, X, Y
  std::vector<std::pair<std::string, std::vector<long>>> Parcels;
  bool CrLfOnly = true;
};

TWritten ReadWritten(const std::string& bytes) {
  TWritten w;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos || end == 0 || bytes[end - 1] != '\r') w.CrLfOnly = false;
    std::string line = bytes.substr(start, (end == std::string::npos ? bytes.size() : end) - start);
    start = end == std::string::npos ? bytes.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, ',');) f.push_back(field);
    if (f.empty()) continue;
    if (f[0] == "A01") {
      w.Points[std::stol(f.at(1))] = {SjisToUtf8(f.at(2)), std::stod(f.at(3)), std::stod(f.at(4))};
    } else if (f[0] == "D00") {
      w.Parcels.push_back({SjisToUtf8(f.at(2)), {}});
    } else if (f[0] == "B01") {
      w.Parcels.back().second.push_back(std::stol(f.at(1)));
    }
  }
  return w;
}

// The recorded reading: parcels by 地番 with their sorted corners
// ("X,Y" to the millimetre), and named points.
struct TOracle {
  std::map<std::string, std::set<std::string>> Parcels;
  std::map<std::string, std::pair<double, double>> Points;
};

TOracle ReadOracle(const std::string& file) {
  TOracle o;
  for (const TableRow& r : ReadTable(DataPath(file))) {
    if (r.at(0) == "parcel") {
      std::set<std::string>& corners = o.Parcels[r.at(1)];
      std::stringstream ss(r.at(3));
      for (std::string c; ss >> c;) corners.insert(c);
      EXPECT_EQ(corners.size(), std::stoul(r.at(2))) << r.at(1);
    } else {
      o.Points[r.at(1)] = {std::stod(r.at(2)), std::stod(r.at(3))};
    }
  }
  return o;
}

std::string Corner(double x, double y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f,%.3f", x, y);
  return buf;
}

struct TRoundTrip {
  const char* Map;     // under tests/data
  const char* Oracle;  // under tests/data
  const char* Zone;
};
class SimaRoundTrip : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(SimaRoundTrip, WrittenAndReadBackTheParcelsAreTheXmlsToTheMillimetre) {
  const TRoundTrip& c = GetParam();
  const TOracle oracle = ReadOracle(c.Oracle);
  TempDir dir;
  const std::string sima = dir.File("out.sim");
  TMapService service(SourcePath(), nullptr);
  service.ApplyMapSettings({TZone::Stated(std::stoi(c.Zone)), 0});
  ASSERT_EQ(service.Open({DataPath(c.Map)}).Added, 1);
  const TSimaStats stats = service.WriteSima(sima);
  EXPECT_EQ(stats.Parcels, static_cast<std::int64_t>(oracle.Parcels.size()));

  // This test's own reading of the bytes.
  const TWritten written = ReadWritten(ReadFile(sima));
  EXPECT_TRUE(written.CrLfOnly);
  std::map<std::string, std::set<std::string>> parcels;
  for (const auto& [name, ring] : written.Parcels)
    for (const long n : ring) {
      const auto& [pointName, x, y] = written.Points.at(n);
      parcels[name].insert(Corner(x, y));
    }
  EXPECT_EQ(parcels, oracle.Parcels);
  // Every named point once, where the XML has it; a point shared by the
  // parcels is not written twice.
  std::set<std::pair<std::string, std::string>> seen;
  for (const auto& [n, point] : written.Points) {
    const auto& [name, x, y] = point;
    EXPECT_TRUE(seen.insert({name, Corner(x, y)}).second) << name << " twice";
    if (name.empty()) continue;
    ASSERT_TRUE(oracle.Points.contains(name)) << name;
    EXPECT_EQ(Corner(x, y), Corner(oracle.Points.at(name).first, oracle.Points.at(name).second));
  }
  std::size_t named = 0;
  for (const auto& [n, point] : written.Points) named += std::get<0>(point).empty() ? 0 : 1;
  EXPECT_EQ(named, oracle.Points.size());

  // Read back as SIMA in the same zone: the parcels' corners and names.
  TMapProject project{DefaultBuilders()};
  project.ChooseZone(TZone::Stated(std::stoi(c.Zone)));
  project.Open(sima, KindNumber(TKind::Sima), TOpenMode::File);
  std::map<std::string, std::set<std::string>> back;
  for (const TFigure* fig : FiguresOf(OnlyLeaf(project), "画地")) {
    std::set<std::string>& corners = back[SjisToUtf8(fig->Texts.at(0))];
    for (const TFPoint& p : fig->Points) corners.insert(Corner(p.y, p.x));
  }
  EXPECT_EQ(back, oracle.Parcels);
}

INSTANTIATE_TEST_SUITE_P(
    Moj, SimaRoundTrip,
    ::testing::Values(TRoundTrip{"moj/46505-3411-1_excerpt.xml",
                                 "sima/46505-3411-1_excerpt.parcels.tsv", "2"},
                      TRoundTrip{"moj/parcels_zone9.xml", "sima/parcels_zone9.parcels.tsv", "9"}),
    [](const auto& row) { return TestNameOf(row.param.Map); });

TEST(SimaOut, DataWithoutPointsIsCountedAndNothingWithoutPointsIsWritten) {
  TempDir dir;
  const std::string sima = dir.File("out.sim");
  TMapService service(SourcePath(), nullptr);
  service.ApplyMapSettings({TZone::Stated(9), 0});
  // A GPX track has no survey points: beside a SIMA file it is counted.
  ASSERT_EQ(service.Open({DataPath("gpx/gpx11_tracks.gpx")}).Added, 1);
  try {
    service.WriteSima(sima);
    ADD_FAILURE() << "written without points";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("SIMA で書ける点や画地がありません"), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(IsRegularFile(sima));
  ASSERT_EQ(service.Open({DataPath("sima/sections.sim")}).Added, 1);
  const std::string summary = SimaSummary(service.WriteSima(sima));
  EXPECT_NE(summary.find("点 7、画地 2 を"), std::string::npos) << summary;
  EXPECT_NE(summary.find("1 ファイルは書いていません"), std::string::npos) << summary;
}

}  // namespace
}  // namespace chizro::test
