// The FGD (基盤地図情報 GML) reader on fixture files written from the FGD
// schema (tests/data/fgd): figures, positions and the labels of the shipped
// definitions against golden dumps, a zip and a folder opened into a
// project, a cancel of a zip's open, and the errors of bad files.
#include "readers/fgd/fgd_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/class_def.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/open_progress.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

INSTANTIATE_TEST_SUITE_P(Fgd, ReaderGolden, ::testing::ValuesIn(GoldenRows("fgd/golden.tsv")),
                         RowName<GoldenCase>);

// Two buildings of a real download of Fukuoka (tests/data/fgd/real, see its
// README): opened first, the latitude/longitude file puts the project in zone
// II, where the notice on the plane rectangular zones puts Fukuoka, and every
// corner lands where PROJ puts the file's own numbers (JGD2011 read in the
// JGD2000 frame: EPSG:4612 to EPSG:2444), to the millimetre.
TEST(FgdReader, ARealBuildingLandsInItsLegalZoneAsProjPutsIt) {
  const std::string file = DataPath("fgd/real/FG-GML-503041-BldA-20181001-0001.xml");
  TMapProject project{DefaultBuilders()};
  project.Open(file, KindNumber(TKind::Fgd), TOpenMode::File);
  EXPECT_EQ(project.Zone.Number(), 2);
  TMapTheme& theme = *project.Themes->Items(0);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  ASSERT_TRUE(leaf.Loaded) << "built by its open";

  // The first ring of the file, read from its text.
  const std::string text = ReadFile(file);
  std::smatch ring;
  ASSERT_TRUE(std::regex_search(text, ring, std::regex("<gml:posList>([^<]*)</gml:posList>")));
  std::istringstream numbers(ring[1].str());
  std::vector<std::pair<double, double>> latLon;
  for (double lat = 0, lon = 0; numbers >> lat >> lon;) latLon.emplace_back(lat, lon);
  ASSERT_GT(latLon.size(), 20u);

  const TFigure* building = nullptr;
  for (int g = 0; g < leaf.FigGrpCount() && !building; ++g)
    if (leaf.FigGrps[static_cast<std::size_t>(g)]->Count() > 0 &&
        leaf.FigGrps[static_cast<std::size_t>(g)]->Items(0)->Kind() == TFigKind::Polygon)
      building = leaf.FigGrps[static_cast<std::size_t>(g)]->Items(0);
  ASSERT_TRUE(building);
  ASSERT_EQ(building->Points.size(), latLon.size());

  for (std::size_t i = 0; i < latLon.size(); ++i) {
    const TFPoint p = ProjTransform("EPSG:4612", "EPSG:2444", latLon[i].second, latLon[i].first);
    EXPECT_NEAR(building->Points[i].x, p.x, 0.001) << i;
    EXPECT_NEAR(building->Points[i].y, p.y, 0.001) << i;
  }
}

// Downloads since April 2025 name the frame "fguuid:jgd2024.bl"; their
// latitudes and longitudes are those of JGD2011, so the same buildings under
// either name are the same figures.
TEST(FgdReader, TodaysJgd2024FileOpensAsJgd2011) {
  const auto jgd2011 =
      OpenLoaded(KindNumber(TKind::Fgd), DataPath("fgd/real/FG-GML-503041-BldA-20181001-0001.xml"));
  const auto jgd2024 =
      OpenLoaded(KindNumber(TKind::Fgd), DataPath("fgd/real/FG-GML-503041-BldA-20250401-0001.xml"));
  ASSERT_TRUE(jgd2011);
  ASSERT_TRUE(jgd2024);
  ASSERT_GT(jgd2024->FigGrpCount(), 0);
  std::string a = DumpLeaf(*jgd2011);
  std::string b = DumpLeaf(*jgd2024);
  a = a.substr(a.find("mode"));
  b = b.substr(b.find("mode"));
  EXPECT_EQ(a, b);
}

// The classes of the shipped definitions (def/Fgd.ini), by code (UTF-8).
std::set<std::string> ShippedFgdClasses() {
  TClassDefGrp defs;
  EXPECT_TRUE(defs.LoadFromFile(
      (fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Fgd.ini").string()));
  std::set<std::string> codes;
  for (int i = 0; i < defs.Count(); ++i) codes.insert(SjisToUtf8(defs.Items(i)->Name));
  return codes;
}

// The codes of the leaf's figures (UTF-8), each once, and the figure count.
std::set<std::string> CodesOf(const TMapLeaf& leaf, std::size_t& figures) {
  std::set<std::string> codes;
  figures = 0;
  for (const auto& grp : leaf.FigGrps)
    for (int i = 0; i < grp->Count(); ++i, ++figures) codes.insert(SjisToUtf8(grp->Items(i)->ClassCode));
  return codes;
}

// One feature of every element of the FGD schema that has a geometry (and
// buildings of every type the schema lists) gives a figure of a class that
// the window draws: nothing is written that was never shown.
TEST(FgdReader, EveryFeatureOfTheSchemaHasAShippedClass) {
  const auto leaf = OpenLoaded(KindNumber(TKind::Fgd), DataPath("fgd-classes/every_feature.xml"));
  ASSERT_TRUE(leaf);
  std::size_t figures = 0;
  const std::set<std::string> codes = CodesOf(*leaf, figures);
  // 25 elements, 6 building areas and 6 outlines: one figure each, no two alike.
  EXPECT_EQ(figures, 37u);
  EXPECT_EQ(codes.size(), 37u);
  const std::set<std::string> shipped = ShippedFgdClasses();
  for (const std::string& code : codes) EXPECT_TRUE(shipped.contains(code)) << code;
}

// The download's own contour lines (four of a real file, see the folder's
// README) are index contours where the elevation is a multiple of 50 m, the
// index interval of the 1:25000 map they come from (main lines every 10 m),
// and are labelled with that elevation as the model's contours are.
TEST(FgdReader, ContourLinesAreMainOrIndexByTheirElevation) {
  const std::string file = DataPath("fgd-classes/FG-GML-503041-Cntr-20181001-0001.xml");
  const auto leaf = OpenLoaded(KindNumber(TKind::Fgd), file);
  ASSERT_TRUE(leaf);
  std::vector<std::string> altitudes;
  const std::string text = ReadFile(file);
  const std::regex alti("<alti>([^<]*)</alti>");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), alti); it != std::sregex_iterator();
       ++it)
    altitudes.push_back((*it)[1].str());
  ASSERT_EQ(altitudes, (std::vector<std::string>{"30", "20", "50", "100"}));
  std::vector<std::string> got;
  for (const auto& grp : leaf->FigGrps)
    for (int i = 0; i < grp->Count(); ++i) {
      const TFigure& fig = *grp->Items(i);
      ASSERT_FALSE(fig.Texts.empty());
      got.push_back(SjisToUtf8(fig.ClassCode) + " " + fig.Texts[0]);
    }
  EXPECT_EQ(got, (std::vector<std::string>{"Cntr主曲線 30", "Cntr主曲線 20", "Cntr計曲線 50",
                                           "Cntr計曲線 100"}));
  const std::set<std::string> shipped = ShippedFgdClasses();
  EXPECT_TRUE(shipped.contains("Cntr主曲線"));
  EXPECT_TRUE(shipped.contains("Cntr計曲線"));
}

INSTANTIATE_TEST_SUITE_P(Fgd, ReaderBadFile, ::testing::ValuesIn(BadFileRows("fgd/bad_files.tsv")),
                         RowName<BadFileCase>);

// The fixtures in a zip, under a folder as the download has them, with one
// member that is not FGD (written by tools/fixtures/fgd/make_zip.py).
const std::string kZip = "fgd/zip/FG-GML-533946-ALL-20230101.zip";

TEST(FgdReader, ZipGivesOneLeafPerMemberThatLoadsByItsName) {
  const std::string zip = DataPath(kZip);
  TMapProject project{DefaultBuilders()};
  project.Open(zip, KindNumber(TKind::Fgd), TOpenMode::File);
  ASSERT_EQ(project.Themes->Count(), 1);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 5);
  std::size_t figures = 0;
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    EXPECT_EQ(leaf.FileName.rfind(zip + "|FG-GML-533946-ALL-20230101/FG-GML-533946-", 0), 0u)
        << leaf.FileName;
    theme.LoadLeaf(leaf);
    EXPECT_TRUE(leaf.Loaded);
    for (const auto& grp : leaf.FigGrps) figures += static_cast<std::size_t>(grp->Count());
  }
  EXPECT_EQ(figures, 4u + 3u + 3u + 2u + 3u);
  // Every member is open now: a second open adds nothing.
  project.Open(zip, KindNumber(TKind::Fgd), TOpenMode::File);
  EXPECT_EQ(theme.Leaves->Count(), 5);
}

// A cancel of the zip's open, pressed at the report of member `At` (0-based,
// in the order the zip holds them): before the member is read, or while it
// is read. The members read whole before it stay, each loading its figures;
// the member the cancel cut and those after it are dropped; the cancel says
// of how many members the zip was.
struct ZipCancelCase {
  const char* Name;
  int At;
  bool WhileReading;
  std::vector<std::string> Kept;  // sheet names, in order
  std::size_t Figures;            // of the kept leaves, loaded
};

void PrintTo(const ZipCancelCase& c, std::ostream* os) { *os << c.Name; }

class FgdZipCancel : public ::testing::TestWithParam<ZipCancelCase> {};

TEST_P(FgdZipCancel, KeepsTheMembersReadWhole) {
  const ZipCancelCase& c = GetParam();
  struct TCancelAt final : TOpenProgress {
    explicit TCancelAt(const ZipCancelCase& cc) : c(cc) {}
    void Files(const std::string&, std::int64_t done, std::int64_t) override {
      member = static_cast<int>(done);
      if (member == c.At && !c.WhileReading) asked = true;
    }
    void Bytes(const std::string&, std::int64_t, std::int64_t) override {
      if (member == c.At && c.WhileReading) asked = true;
    }
    bool Cancelled() override { return asked; }
    const ZipCancelCase& c;
    int member = -1;
    bool asked = false;
  } progress(c);
  TMapProject project{DefaultBuilders()};
  std::int64_t files = -1;
  {
    const TOpenProgressScope scope(&progress);
    try {
      project.Open(DataPath(kZip), KindNumber(TKind::Fgd), TOpenMode::File);
    } catch (const EOpenCancelled& e) {
      files = e.Files;
    }
  }
  EXPECT_TRUE(progress.asked) << "the cancel was never asked";
  EXPECT_EQ(files, 6) << "5 FGD members and readme.xml";
  ASSERT_EQ(project.Themes->Count(), 1);
  TMapTheme& theme = *project.Themes->Items(0);
  std::vector<std::string> kept;
  std::size_t figures = 0;
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    kept.push_back(leaf.SheetName);
    theme.LoadLeaf(leaf);
    EXPECT_TRUE(leaf.Loaded) << leaf.SheetName;
    for (const auto& grp : leaf.FigGrps) figures += static_cast<std::size_t>(grp->Count());
  }
  EXPECT_EQ(kept, c.Kept);
  EXPECT_EQ(figures, c.Figures);
  // The members dropped open on a second open, and only they.
  project.Open(DataPath(kZip), KindNumber(TKind::Fgd), TOpenMode::File);
  EXPECT_EQ(theme.Leaves->Count(), 5);
}

const std::string kBldA = "FG-GML-533946-BldA-20230101-0001.xml";
const std::string kCommBdry = "FG-GML-533946-CommBdry-20230101-0001.xml";
const std::string kElevPt = "FG-GML-533946-ElevPt-20230101-0001.xml";
const std::string kRdEdg = "FG-GML-533946-RdEdg-20230101-0001.xml";

// Figures per member, as their golden dumps (tests/data/fgd/*.dump) list
// them: BldA 4, CommBdry 2, ElevPt 3, RdEdg 3, SBBdry 3.
INSTANTIATE_TEST_SUITE_P(
    Fgd, FgdZipCancel,
    ::testing::Values(ZipCancelCase{"BeforeTheFirst", 0, false, {}, 0},
                      ZipCancelCase{"InTheFirst", 0, true, {}, 0},
                      ZipCancelCase{"BeforeTheThird", 2, false, {kBldA, kCommBdry}, 6},
                      ZipCancelCase{"InTheThird", 2, true, {kBldA, kCommBdry}, 6},
                      ZipCancelCase{"InTheFifth", 4, true, {kBldA, kCommBdry, kElevPt, kRdEdg}, 12},
                      ZipCancelCase{"BeforeTheLast",
                                    5,
                                    false,
                                    {kBldA, kCommBdry, kElevPt, kRdEdg,
                                     "FG-GML-533946-SBBdry-20230101-x9.xml"},
                                    15}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST(FgdReader, FolderModeFindsFilesAndArchivesBelowIt) {
  TempDir dir;
  fs::create_directories(dir.Path() / "a" / "b");
  fs::copy_file(DataPath("fgd/FG-GML-533946-ElevPt-20230101-0001.xml"),
                dir.Path() / "a" / "b" / "FG-GML-533946-ElevPt-20230101-0001.xml");
  fs::copy_file(DataPath("fgd/bad/other_namespace.xml"), dir.Path() / "a" / "other.xml");
  fs::copy_file(DataPath(kZip), dir.Path() / "a" / "all.zip");
  TMapProject project{DefaultBuilders()};
  project.Open(dir.Path().string(), KindNumber(TKind::Fgd), TOpenMode::Folder);
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 6);
}

// The files of a folder are read at once on the cores: the leaves still come
// in path order, and the error reported is that of the first bad file.
TEST(FgdReader, FolderLeavesAndErrorsComeInPathOrder) {
  TempDir dir;
  const std::vector<std::pair<const char*, const char*>> files = {
      {"1-bldA.xml", "fgd/FG-GML-533946-BldA-20230101-0001.xml"},
      {"2-doctype.xml", "fgd/bad/doctype.xml"},
      {"3-other.xml", "fgd/bad/other_namespace.xml"},
      {"4-odd.xml", "fgd/bad/odd_count.xml"},
      {"5-doctype.xml", "fgd/bad/doctype.xml"},
      {"6-rdEdg.xml", "fgd/FG-GML-533946-RdEdg-20230101-0001.xml"},
      {"7-elevPt.xml", "fgd/FG-GML-533946-ElevPt-20230101-0001.xml"},
  };
  for (const auto& [name, source] : files) fs::copy_file(DataPath(source), dir.Path() / name);
  for (int round = 0; round < 5; ++round) {
    TMapProject project{DefaultBuilders()};
    const std::string error = MessageOf<EInOutError>(
        [&] { project.Open(dir.Path().string(), KindNumber(TKind::Fgd), TOpenMode::Folder); });
    EXPECT_NE(error.find("2-doctype.xml"), std::string::npos) << error;
    EXPECT_NE(error.find("<!DOCTYPE>"), std::string::npos) << error;
    ASSERT_EQ(project.Themes->Count(), 1);
    const TMapLeafGrp& leaves = *project.Themes->Items(0)->Leaves;
    std::vector<std::string> names;
    for (int i = 0; i < leaves.Count(); ++i)
      names.push_back(fs::path(leaves.Items(i)->FileName).filename().string());
    EXPECT_EQ(names,
              (std::vector<std::string>{"1-bldA.xml", "4-odd.xml", "6-rdEdg.xml", "7-elevPt.xml"}))
        << "round " << round;
  }
}

}  // namespace
}  // namespace chizro::test
