// The PLATEAU (3D都市モデル CityGML) reader on a real excerpt and on fixture
// files written after PLATEAU's published data definitions (tests/data/plateau):
// placement against PROJ, the footprint forms, labels and classes read by
// hand from the fixtures, code lists from a download's folder and from def/,
// zips and folders, and the errors of bad files.
#include "readers/plateau/plateau_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "readers/kind_of_file.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

constexpr int kPlateau = KindNumber(TKind::Plateau);

INSTANTIATE_TEST_SUITE_P(Plateau, ReaderGolden,
                         ::testing::ValuesIn(GoldenRows("plateau/golden.tsv")),
                         RowName<GoldenCase>);
INSTANTIATE_TEST_SUITE_P(Plateau, ReaderBadFile,
                         ::testing::ValuesIn(BadFileRows("plateau/bad_files.tsv")),
                         RowName<BadFileCase>);

// Every polygon of a leaf with its class and label (text 0), in UTF-8; holes
// (figures without texts: holes, and buildings with nothing to label) as "(no label)".
std::vector<std::string> ClassesAndLabels(const TMapLeaf& leaf) {
  std::vector<std::string> rows;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      rows.push_back(SjisToUtf8(fig->ClassCode) + " | " +
                     (fig->Texts.empty() ? "(no label)" : SjisToUtf8(fig->Texts[0])));
  return rows;
}

// A file opened and loaded with the shipped definitions and code table of
// the source tree.
std::unique_ptr<TMapLeaf> Loaded(const std::string& input) {
  static TMapLeafGrp leaves(nullptr);
  const auto reader = MakeReader(kPlateau);
  reader->SetProgramFolder(SourcePath());
  auto leaf = reader->OpenFile(leaves, DataPath(input));
  if (leaf && !leaf->Loaded) reader->LoadLeaf(*leaf, nullptr, 0);
  return leaf;
}

struct LabelCase {
  const char* Name;
  const char* Input;  // under tests/data
  std::vector<std::string> Rows;
};
void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.Input; }

class PlateauLabels : public ::testing::TestWithParam<LabelCase> {};

// The class and label of each polygon, as read by hand from the fixture.
TEST_P(PlateauLabels, ClassesAndLabelsAreTheFilesValues) {
  const auto leaf = Loaded(GetParam().Input);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(ClassesAndLabels(*leaf), GetParam().Rows);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PlateauLabels,
    ::testing::Values(
        // Usage 422 from the shipped table; a building without usage and
        // storeys; parts each with their own height.
        LabelCase{"RealBuildings",
                  "plateau/real/udx/bldg/52397519_bldg_6697_op.gml",
                  {"文教厚生施設 | 6.0m 1F", "建物 | 3.2m", "文教厚生施設 | 11.3m 2F",
                   "文教厚生施設 | 9.7m 1F"}},
        // Ratios 0.6 / 2 and 0.6 / 2 as percentages; no code list, no name.
        LabelCase{"RealUseDistricts",
                  "plateau/real/udx/urf/533915_urf_6668_yoto_op.gml",
                  {"用途地域 | 60/200", "用途地域 | 60/200"}},
        // -9999 and 9999 left out (the label is empty: no texts); 31.25 m
        // to the decimetre; code 777 named by no list.
        LabelCase{"RoofEdge",
                  "plateau/roofedge_uro14.gml",
                  {"住宅 | (no label)", "業務施設 | 31.2m", "建物 | 5F"}},
        // A courtyard (a hole) has no label; a footprint of two polygons is
        // labelled once, on the larger (the second).
        LabelCase{"FootPrintWithCourtyard",
                  "plateau/footprint_uro3.gml",
                  {"官公庁施設 | 45.0m 10F", "官公庁施設 | (no label)", "建物 | (no label)",
                   "建物 | 7.0m 2F"}},
        LabelCase{"SolidOnly", "plateau/solid_only.gml", {"共同住宅 | 15.0m 4F"}},
        // The parts take the building's usage.
        LabelCase{"Parts", "plateau/parts.gml", {"商業施設 | 40.2m 12F", "商業施設 | 8.0m 2F"}},
        // The code list beside the udx folder names 15 and 8; code 20 is not
        // in it, so the name and the kind stand; 60 / 200 are percentages
        // already, 0.8 / 4 ratios.
        LabelCase{"CityZones",
                  "plateau/city/udx/urf/533946_urf_6668_op.gml",
                  {"第一種住居地域 | 第一種住居地域 60/200", "用途地域 | 駅前地区 80/400",
                   "高度地区 | 第二種高度地区"}},
        // 999 is named by the city's list only (研究所, no class of its
        // own); 411 by both.
        LabelCase{"CityBuildings",
                  "plateau/city/udx/bldg/53394611_bldg_6668_op.gml",
                  {"建物 | 45.0m 10F", "建物 | (no label)", "住宅 | (no label)"}}),
    RowName<LabelCase>);

// The usage's name is text 2 of a building: the city's own code list names
// a code that the shipped table does not.
TEST(PlateauReader, CodeListBesideTheUdxFolderNamesTheUsage) {
  const auto leaf = Loaded("plateau/city/udx/bldg/53394611_bldg_6668_op.gml");
  ASSERT_TRUE(leaf);
  const TFigure& first = *leaf->FigGrps.front()->Items(0);
  ASSERT_EQ(first.Texts.size(), 3u);
  EXPECT_EQ(SjisToUtf8(first.Texts[2]), "研究所");
}

// A real excerpt of 横須賀市 (EPSG:6697): opened first, it puts the project in
// zone IX, and every vertex of every footprint lands where PROJ puts the
// file's own latitude and longitude (JGD2011 read in the JGD2000 frame:
// EPSG:4612 to EPSG:2451), to the millimetre.
TEST(PlateauReader, RealFootprintsLandWhereProjPutsThem) {
  const std::string file = DataPath("plateau/real/udx/bldg/52397519_bldg_6697_op.gml");
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(file, kPlateau, TOpenMode::File);
  EXPECT_EQ(project.Zone.Number(), 9);
  TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  ASSERT_TRUE(leaf.Loaded);

  // The footprints' coordinate lists, read from the text in file order.
  const std::string text = ReadFile(file);
  const std::regex footprint("<bldg:lod0FootPrint>[\\s\\S]*?<gml:posList>([^<]*)</gml:posList>");
  std::vector<std::vector<std::pair<double, double>>> rings;
  for (std::sregex_iterator it(text.begin(), text.end(), footprint), end; it != end; ++it) {
    std::istringstream numbers((*it)[1].str());
    rings.emplace_back();
    for (double lat = 0, lon = 0, h = 0; numbers >> lat >> lon >> h;)
      rings.back().emplace_back(lat, lon);
  }
  ASSERT_EQ(rings.size(), 4u);
  const TFigGrp& polygons = *leaf.FigGrps.front();
  ASSERT_EQ(polygons.Count(), 4);
  std::size_t checked = 0;
  for (int f = 0; f < polygons.Count(); ++f) {
    const TFigure& fig = *polygons.Items(f);
    const auto& ring = rings[static_cast<std::size_t>(f)];
    ASSERT_EQ(fig.Points.size(), ring.size()) << f;
    for (std::size_t i = 0; i < ring.size(); ++i, ++checked) {
      const TFPoint p = ProjTransform("EPSG:4612", "EPSG:2451", ring[i].second, ring[i].first);
      EXPECT_NEAR(fig.Points[i].x, p.x, 0.001) << f << " " << i;
      EXPECT_NEAR(fig.Points[i].y, p.y, 0.001) << f << " " << i;
    }
  }
  EXPECT_GT(checked, 40u);
}

// The label of a footprint stands inside it, also for an L-shaped one where
// the middle of the bounding box may fall outside: the polygon's own test.
TEST(PlateauReader, LabelsStandInsideTheirFootprints) {
  const auto leaf = Loaded("plateau/real/udx/bldg/52397519_bldg_6697_op.gml");
  ASSERT_TRUE(leaf);
  for (const auto& fig : leaf->FigGrps.front()->Figures()) {
    bool inside = false;
    const TFPointGrp& p = fig->Points;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
      if ((p[i].y > fig->LabelY) != (p[j].y > fig->LabelY) &&
          fig->LabelX < (p[j].x - p[i].x) * (fig->LabelY - p[i].y) / (p[j].y - p[i].y) + p[i].x)
        inside = !inside;
    EXPECT_TRUE(inside) << fig->LabelX << " " << fig->LabelY;
  }
}

const std::string kZip = "plateau/zip/13999_test-shi_2023_citygml_op.zip";

// A city's zip: one leaf per CityGML member, named by its path in the zip,
// and the code lists in the zip name the codes.
TEST(PlateauReader, CityZipGivesALeafPerModelWithItsCodeLists) {
  const std::string zip = DataPath(kZip);
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(zip, kPlateau, TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 2);
  std::vector<std::string> labels;
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    EXPECT_EQ(leaf.FileName.rfind(zip + "|13999_test-shi_2023_citygml_op/udx/", 0), 0u)
        << leaf.FileName;
    theme.LoadLeaf(leaf);
    ASSERT_TRUE(leaf.Loaded);
    for (const std::string& row : ClassesAndLabels(leaf)) labels.push_back(row);
  }
  EXPECT_EQ(labels,
            (std::vector<std::string>{"建物 | 45.0m 10F", "建物 | (no label)", "住宅 | (no label)",
                                      "第一種住居地域 | 第一種住居地域 60/200",
                                      "用途地域 | 駅前地区 80/400", "高度地区 | 第二種高度地区"}));
  project.Open(zip, kPlateau, TOpenMode::File);
  EXPECT_EQ(theme.Leaves->Count(), 2) << "every member is open already";
}

TEST(PlateauReader, FolderFindsModelsAndZipsBelowIt) {
  TempDir dir;
  fs::copy(DataPath("plateau/city"), dir.Path() / "city", fs::copy_options::recursive);
  fs::copy_file(DataPath(kZip), dir.Path() / "city.zip");
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(dir.Path().string(), kPlateau, TOpenMode::Folder);
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 4);
}

// Recognised by content: a model file and a city's zip are PLATEAU, and the
// FGD and 地図XML zips stay theirs.
TEST(PlateauReader, KindIsRecognisedByContent) {
  EXPECT_EQ(KindOfFile(DataPath("plateau/solid_only.gml")), TKind::Plateau);
  EXPECT_EQ(KindOfFile(DataPath(kZip)), TKind::Plateau);
  EXPECT_EQ(KindOfFile(DataPath("fgd/zip/FG-GML-533946-ALL-20230101.zip")), TKind::Fgd);
  EXPECT_EQ(KindOfFile(DataPath("moj/12103-0000.zip")), TKind::Moj);
  EXPECT_EQ(KindOfFile(DataPath("plateau/bad/other_root.gml")), TKind::Fgd);
}

}  // namespace
}  // namespace chizro::test
