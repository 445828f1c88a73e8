// The FGD (基盤地図情報 GML) reader on fixture files written from the FGD
// schema (tests/data/fgd): figures, positions and labels per file, a zip and a
// folder opened into a project, and the errors of bad files.
#include "readers/fgd_builder.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "coords/datum.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

const fs::path kDataDir = fs::path(CHIZRO_TEST_DATA_DIR) / "fgd";
const fs::path kDefFile = fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Fgd.ini";

// One figure expected in a file: its class, kind, vertex count, first vertex
// as written in the file (latitude/longitude, or X northing and Y easting),
// and the label the shipped class definition gives it (empty: no label).
struct FigureCase {
  const char* Code;
  TFigKind Kind;
  std::size_t Vertices;
  double North;
  double East;
  const char* Label;
};

struct FileCase {
  const char* Name;
  const char* File;
  int Mode;
  int Zone;
  std::size_t Figures;
  std::vector<FigureCase> Expected;
};

const FigureCase* FindCase(const FileCase& c, const TFigure& fig) {
  for (const FigureCase& e : c.Expected) {
    if (Utf8ToSjis(e.Code) == fig.ClassCode && e.Kind == fig.Kind() &&
        static_cast<float>(e.East) == fig.Points.front().x &&
        static_cast<float>(e.North) == fig.Points.front().y)
      return &e;
  }
  return nullptr;
}

class FgdFixture : public ::testing::TestWithParam<FileCase> {};

TEST_P(FgdFixture, BuildsFiguresAtTheFilesPositionsWithTheirLabels) {
  const FileCase& c = GetParam();
  TClassDefGrp defs;
  ASSERT_TRUE(defs.LoadFromFile(kDefFile.string()));
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  const std::unique_ptr<TMapLeaf> leaf = reader.OpenFile(leaves, (kDataDir / c.File).string());
  ASSERT_TRUE(leaf);
  EXPECT_FALSE(leaf->Loaded);
  const TFRect opened = leaf->Extent;
  reader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->CoordMode, c.Mode);
  EXPECT_EQ(leaf->Zone, c.Zone);
  EXPECT_EQ(leaf->Datum, kDatumJgd2000);
  EXPECT_EQ(leaf->Extent, opened);

  std::size_t figures = 0;
  std::vector<bool> seen(c.Expected.size());
  for (const auto& grp : leaf->FigGrps) {
    for (const auto& fig : grp->Figures()) {
      ++figures;
      ASSERT_FALSE(fig->Points.empty());
      for (const TFPoint& p : fig->Points) {
        EXPECT_GE(p.x, leaf->Extent.left);
        EXPECT_LE(p.x, leaf->Extent.right);
        EXPECT_GE(p.y, leaf->Extent.bottom);
        EXPECT_LE(p.y, leaf->Extent.top);
      }
      const FigureCase* e = FindCase(c, *fig);
      if (!e) continue;
      SCOPED_TRACE(e->Code);
      seen[static_cast<std::size_t>(e - c.Expected.data())] = true;
      EXPECT_EQ(fig->Points.size(), e->Vertices);
      const TClassDef* def = nullptr;
      for (int i = 0; i < defs.Count(); ++i)
        if (defs.Items(i)->Name == fig->ClassCode) def = defs.Items(i);
      ASSERT_NE(def, nullptr) << "no class definition";
      const std::string label = def->LabelOn ? TDrawClass(fig->ClassCode, def).LabelOf(*fig) : "";
      EXPECT_EQ(SjisToUtf8(label), e->Label);
    }
  }
  EXPECT_EQ(figures, c.Figures);
  for (std::size_t i = 0; i < seen.size(); ++i)
    EXPECT_TRUE(seen[i]) << "not found: " << c.Expected[i].Code << " " << c.Expected[i].North << " "
                         << c.Expected[i].East;
}

const FileCase kFiles[] = {
    {"Buildings",
     "FG-GML-533946-BldA-20230101-0001.xml",
     kModeLatLon,
     0,
     4,
     {{"BldA普通建物", TFigKind::Polygon, 5, 35.68, 139.77, "丸の内会館"},
      // two curve members joined at their shared point
      {"BldA堅ろう建物", TFigKind::Polygon, 5, 35.681, 139.771, ""},
      // its interior ring: a polygon of the same class, without texts
      {"BldA堅ろう建物", TFigKind::Polygon, 4, 35.6813, 139.7713, ""},
      {"BldA普通無壁舎", TFigKind::Polygon, 4, 35.683, 139.773, ""}}},
    {"RoadsAndRailway",
     "FG-GML-533946-RdEdg-20230101-0001.xml",
     kModeLatLon,
     0,
     3,
     {{"RdEdg", TFigKind::Polyline, 3, 35.679, 139.768, ""},
      {"RdCompt", TFigKind::Polyline, 2, 35.6791, 139.768, ""},
      {"RailCL", TFigKind::Polyline, 2, 35.676, 139.766, ""}}},
    {"ElevationAndControlPoints",
     "FG-GML-533946-ElevPt-20230101-0001.xml",
     kModeLatLon,
     0,
     3,
     {{"ElevPt", TFigKind::Point, 1, 35.6785, 139.7665, "3.4"},
      {"ElevPt", TFigKind::Point, 1, 35.6845, 139.7745, "21.7"},
      {"GCP", TFigKind::Point, 1, 35.6825, 139.7675, "丸の内"}}},
    {"TownWithBoundedBy",
     "FG-GML-533946-CommBdry-20230101-0001.xml",
     kModeLatLon,
     0,
     2,
     {{"CommBdry", TFigKind::Polyline, 3, 35.677, 139.765, ""},
      {"CommPt", TFigKind::Point, 1, 35.678, 139.767, "丸の内一丁目"}}},
    {"BlocksInZoneIX",
     "FG-GML-533946-SBBdry-20230101-x9.xml",
     kModePlane,
     9,
     3,
     {{"SBArea", TFigKind::Polygon, 5, -35400, -6800, ""},
      {"SBBdry", TFigKind::Polyline, 2, -35400, -6800, ""},
      {"SBAPt", TFigKind::Point, 1, -35350, -6750, "3"}}},
};

INSTANTIATE_TEST_SUITE_P(Files, FgdFixture, ::testing::ValuesIn(kFiles),
                         [](const auto& row) { return std::string(row.param.Name); });

// The root's gml:boundedBy widens the extent beyond the figures.
TEST(FgdReader, ExtentJoinsBoundedByAndFigures) {
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  const auto leaf =
      reader.OpenFile(leaves, (kDataDir / "FG-GML-533946-CommBdry-20230101-0001.xml").string());
  ASSERT_TRUE(leaf);
  EXPECT_FLOAT_EQ(leaf->Extent.left, 139.765f);  // a vertex west of the envelope
  EXPECT_FLOAT_EQ(leaf->Extent.right, 139.775f);
  EXPECT_FLOAT_EQ(leaf->Extent.bottom, 35.675f);
  EXPECT_FLOAT_EQ(leaf->Extent.top, 35.6833333f);
}

// Errors: what the message names, and how many figures stay built.
struct ErrorCase {
  const char* Name;
  const char* File;
  bool AtOpen;  // the error comes when the file is opened, not when loaded
  std::vector<const char*> Mentions;
  std::size_t KeptFigures;
};

class FgdBadFile : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(FgdBadFile, ReportsFileAndFeatureAndKeepsWhatWasBuilt) {
  const ErrorCase& c = GetParam();
  const std::string path = (kDataDir / "bad" / c.File).string();
  TMapBuilder_Fgd reader;
  TMapLeafGrp leaves(nullptr);
  std::string message;
  std::size_t kept = 0;
  try {
    const auto leaf = reader.OpenFile(leaves, path);
    ASSERT_FALSE(c.AtOpen) << "opened without error";
    ASSERT_TRUE(leaf);
    try {
      reader.LoadLeaf(*leaf, nullptr, 0);
    } catch (const EInOutError& e) {
      message = e.what();
    }
    EXPECT_FALSE(leaf->Loaded);
    for (const auto& grp : leaf->FigGrps) kept += static_cast<std::size_t>(grp->Count());
  } catch (const EInOutError& e) {
    ASSERT_TRUE(c.AtOpen) << e.what();
    message = e.what();
  }
  ASSERT_FALSE(message.empty()) << "no error";
  EXPECT_NE(message.find(path), std::string::npos) << message;
  for (const char* m : c.Mentions) EXPECT_NE(message.find(m), std::string::npos) << message;
  EXPECT_EQ(kept, c.KeptFigures);
}

const ErrorCase kBadFiles[] = {
    {"OtherNamespace",
     "other_namespace.xml",
     true,
     {"基盤地図情報", "ルート要素 'Dataset'", "http://example.com/not-fgd"},
     0},
    {"OddCoordinateCount", "odd_count.xml", false, {"BldA", "K6_2", "奇数"}, 1},
    {"UnknownSrsName", "unknown_srs.xml", false, {"RdEdg", "K1_2", "fguuid:tokyo.bl"}, 1},
    {"TruncatedPosList", "truncated.xml", false, {"RdCompt", "K1_2", "XML"}, 1},
    {"DocumentTypeDeclaration", "doctype.xml", true, {"<!DOCTYPE>"}, 0},
};

INSTANTIATE_TEST_SUITE_P(Files, FgdBadFile, ::testing::ValuesIn(kBadFiles),
                         [](const auto& row) { return std::string(row.param.Name); });

// Writes the fixtures into a zip, under a folder as the download has them,
// with one member that is not FGD.
std::string MakeZip(const fs::path& dir) {
  const std::string path = (dir / "FG-GML-533946-ALL-20230101.zip").string();
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(zip, nullptr);
  const auto add = [&](const fs::path& file, const std::string& member) {
    zip_source_t* src = zip_source_file(zip, file.c_str(), 0, -1);
    EXPECT_GE(zip_file_add(zip, member.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
  };
  for (const auto& entry : fs::directory_iterator(kDataDir))
    if (entry.is_regular_file())
      add(entry.path(), "FG-GML-533946-ALL-20230101/" + entry.path().filename().string());
  add(kDataDir / "bad" / "other_namespace.xml", "readme.xml");
  EXPECT_EQ(zip_close(zip), 0);
  return path;
}

TEST(FgdReader, ZipGivesOneLeafPerMemberThatLoadsByItsName) {
  test::TempDir dir;
  const std::string zip = MakeZip(dir.Path());
  TMapProject project;
  ASSERT_TRUE(project.Open(zip, kKindFgd, 2));
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
  EXPECT_TRUE(project.Open(zip, kKindFgd, 2));
  EXPECT_EQ(theme.Leaves->Count(), 5);
}

TEST(FgdReader, FolderModeFindsFilesAndArchivesBelowIt) {
  test::TempDir dir;
  fs::create_directories(dir.Path() / "a" / "b");
  fs::copy_file(kDataDir / "FG-GML-533946-ElevPt-20230101-0001.xml",
                dir.Path() / "a" / "b" / "FG-GML-533946-ElevPt-20230101-0001.xml");
  fs::copy_file(kDataDir / "bad" / "other_namespace.xml", dir.Path() / "a" / "other.xml");
  MakeZip(dir.Path() / "a");
  TMapProject project;
  project.Open(dir.Path().string(), kKindFgd, 1);
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 6);
}

}  // namespace
}  // namespace chizro
