// The KSJ fixed-column reader, on files laid out column by column in the
// tests and on the sample files under tests/data/ksj.
#include "readers/ksj_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "test_support.h"

namespace chizro {
namespace {

using Texts = std::vector<std::string>;

// One record line, built by placing texts at columns (from 1).
class Line {
public:
  Line& At(std::size_t column, std::string_view text) {
    if (s_.size() < column - 1 + text.size()) s_.resize(column - 1 + text.size(), ' ');
    s_.replace(column - 1, text.size(), text);
    return *this;
  }
  // A number right-aligned in columns first..last.
  Line& Num(std::size_t first, std::size_t last, long long v) {
    std::string text = std::to_string(v);
    text.insert(0, (last - first + 1) - text.size(), ' ');
    return At(first, text);
  }
  std::string str() const { return s_ + "\r\n"; }

private:
  std::string s_;
};

// A point in the file's units (1/36000 degree).
struct Units {
  long long x;
  long long y;
};

TFPoint Deg(Units u) {
  return {static_cast<float>(static_cast<double>(u.x) / 36000.0),
          static_cast<float>(static_cast<double>(u.y) / 36000.0)};
}

const std::string kHeader = Line().At(1, "H  NLA       N03-85     31985  80").str();

// A line record and its coordinate lines.
std::string Arc(std::string_view part, long long number, const std::vector<Units>& pts,
                long long count = -1) {
  std::string s = Line()
                      .At(1, "L")
                      .At(4, part)
                      .Num(28, 33, number)
                      .Num(46, 51, count < 0 ? pts.size() : count)
                      .str();
  for (std::size_t i = 0; i < pts.size(); i += 5) {
    Line line;
    for (std::size_t j = 0; j < 5 && i + j < pts.size(); ++j) {
      line.Num(16 * j + 1, 16 * j + 8, pts[i + j].x).Num(16 * j + 9, 16 * j + 16, pts[i + j].y);
    }
    s += line.str();
  }
  return s;
}

struct Ref {
  std::string Part;
  long long Number;
};

// An area record and its reference lines.
std::string Area(std::string_view part, Units label, std::string_view second, std::string_view flag,
                 std::string_view own, const std::vector<Ref>& refs, long long count = -1) {
  std::string s = Line()
                      .At(1, "A")
                      .At(4, part)
                      .Num(10, 17, label.x)
                      .Num(18, 25, label.y)
                      .At(26, second)
                      .At(34, flag)
                      .At(36, own)
                      .Num(46, 51, count < 0 ? static_cast<long long>(refs.size()) : count)
                      .str();
  for (std::size_t i = 0; i < refs.size(); i += 5) {
    Line line;
    for (std::size_t j = 0; j < 5 && i + j < refs.size(); ++j) {
      line.At(14 * j + 1, refs[i + j].Part).Num(14 * j + 7, 14 * j + 12, refs[i + j].Number);
    }
    s += line.str();
  }
  return s;
}

std::string DataN03(std::string_view name, const Texts& values) {
  Line line;
  line.At(1, "DA").At(4, name);
  for (std::size_t i = 0; i < values.size(); ++i) line.At(17 + 16 * i, values[i]);
  return line.str();
}

const std::vector<Units> kSquareA{{5031000, 1284000}, {5031360, 1284000}, {5031360, 1284360}};
const std::vector<Units> kSquareB{{5031360, 1284360}, {5031000, 1284360}, {5031000, 1284000}};

// Two arcs that close one square, its area record with the own name "13101"
// (flag 1), and its data attribute record.
std::string AreaFile(std::string_view flag = "1") {
  return kHeader + Arc("533946", 1, kSquareA) + Arc("533946", 2, kSquareB) +
         Area("533946", {5031180, 1284180}, "9", flag, "13101", {{"533946", 1}, {"533946", 2}}) +
         DataN03("13101", {Utf8ToSjis("東京都"), "", "", Utf8ToSjis("千代田区")});
}

std::string DataDir() { return std::string(CHIZRO_TEST_DATA_DIR) + "/ksj/"; }

class KsjReader : public ::testing::Test {
protected:
  // Opens `content` written under `name`.
  std::unique_ptr<TMapLeaf> Open(const std::string& name, const std::string& content) {
    const std::string path = dir.File(name);
    test::WriteFile(path, content);
    return reader.OpenFile(leaves, path);
  }

  test::TempDir dir;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Ksj reader;
};

TEST_F(KsjReader, AdministrativeAreasBuildPolygonsWithValuesThenLines) {
  const std::string path = DataDir() + "N03-85_13_sample.txt";
  auto leaf = reader.OpenFile(leaves, path);

  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Name, "N03");
  EXPECT_EQ(leaf->SheetName, "N03-85_13_sample.txt");
  EXPECT_EQ(leaf->FileName, path);
  EXPECT_EQ(leaf->CoordMode, kModeLatLon);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaves.Count(), 0);
  EXPECT_NEAR(leaf->Extent.left, 139.74, 1e-5);
  EXPECT_NEAR(leaf->Extent.right, 139.78, 1e-5);
  EXPECT_NEAR(leaf->Extent.top, 35.70, 1e-5);
  EXPECT_NEAR(leaf->Extent.bottom, 35.68, 1e-5);

  ASSERT_EQ(leaf->FigGrpCount(), 2);
  const TFigGrp& polygons = *leaf->FigGrps[0];
  const TFigGrp& lines = *leaf->FigGrps[1];
  EXPECT_EQ(polygons.Kind(), TFigKind::Polygon);
  EXPECT_EQ(polygons.Name, "N03");
  EXPECT_EQ(lines.Kind(), TFigKind::Polyline);
  EXPECT_EQ(lines.Name, "N03");

  // Sorted by name: the own name "13101" (flag 1) before "5339@13102".
  ASSERT_EQ(polygons.Count(), 2);
  const TFigure& chiyoda = *polygons.Items(0);
  EXPECT_EQ(chiyoda.Name, "13101");
  EXPECT_EQ(chiyoda.ClassCode, "N03");
  EXPECT_EQ(chiyoda.PointCount(), 3 + 6);
  EXPECT_EQ(chiyoda.Texts, (Texts{Utf8ToSjis("東京都"), "", "", Utf8ToSjis("千代田区")}));
  const TFigure& chuo = *polygons.Items(1);
  EXPECT_EQ(chuo.Name, "5339@13102");
  EXPECT_EQ(chuo.PointCount(), 4 + 3);
  EXPECT_EQ(chuo.Texts.at(3), Utf8ToSjis("中央区"));
  EXPECT_FLOAT_EQ(chuo.LabelX, static_cast<float>(5031720 / 36000.0));
  EXPECT_FLOAT_EQ(chuo.LabelY, static_cast<float>(1284840 / 36000.0));

  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Items(0)->Name, "533946@000001");
  EXPECT_EQ(lines.Items(2)->Name, "533946@000003");
  EXPECT_EQ(lines.Items(0)->ClassCode, "N03");
}

TEST_F(KsjReader, TwelvePointsReadFromThreeCoordinateLines) {
  auto leaf = reader.OpenFile(leaves, DataDir() + "C23-83_13_sample.txt");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Name, "C23");
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  const TFigure& coast = *leaf->FigGrps[0]->Items(0);
  EXPECT_EQ(coast.Name, "533935@000012");
  ASSERT_EQ(coast.PointCount(), 12);
  for (int i = 0; i < 12; ++i) {
    EXPECT_NEAR(coast.Points[i].x, 139.77 + 0.002 * i, 1e-5) << "point " << i;
    EXPECT_NEAR(coast.Points[i].y, 35.62 + 0.001 * (i % 3), 1e-5) << "point " << i;
  }
  // The first point lies on the extent's left edge.
  EXPECT_EQ(leaf->Extent.left, coast.Points[0].x);
  EXPECT_EQ(leaf->Extent.right, coast.Points[11].x);
}

TEST_F(KsjReader, ArcNumbersTakeAtLeastSixDigitsAndReferencesFindThem) {
  const std::vector<Units> pts{{1000, 2000}, {1100, 2100}};
  auto leaf =
      Open("A03_x.txt", kHeader + Arc("5339", 12, pts) + Arc("5339", 654321, pts) +
                            Arc(" 77 ", -5, pts) +
                            Area("5339", {0, 0}, "1", "", "", {{"5339", 12}, {"5339", 99}}));
  ASSERT_NE(leaf, nullptr);
  ASSERT_EQ(leaf->FigGrpCount(), 2);
  const TFigGrp& lines = *leaf->FigGrps[1];
  ASSERT_EQ(lines.Count(), 3);
  // Trimmed parts; "%0.6d" keeps the sign before the zeros.
  EXPECT_EQ(lines.Items(0)->Name, "5339@000012");
  EXPECT_EQ(lines.Items(1)->Name, "5339@654321");
  EXPECT_EQ(lines.Items(2)->Name, "77@-000005");
  // The polygon finds arc 12; the reference to the missing arc 99 adds nothing.
  const TFigure& pgn = *leaf->FigGrps[0]->Items(0);
  EXPECT_EQ(pgn.Name, "5339@1");
  EXPECT_EQ(pgn.Points, (std::vector<TFPoint>{Deg(pts[0]), Deg(pts[1])}));
  EXPECT_TRUE(pgn.Texts.empty()) << "A03 reads no data attribute records";
}

TEST_F(KsjReader, AreaNameFlagDecidesWhichDataRecordGivesTheValues) {
  // Flag 1: named by columns 36-45, so the data record "13101" belongs to it.
  auto own = Open("N03_own.txt", AreaFile("1"));
  ASSERT_NE(own, nullptr);
  const TFigure& a = *own->FigGrps[0]->Items(0);
  EXPECT_EQ(a.Name, "13101");
  EXPECT_EQ(a.Texts.size(), 4u);
  // Any other flag: first part "@" second part; the same data record no
  // longer matches.
  auto joined = Open("N03_joined.txt", AreaFile("2"));
  ASSERT_NE(joined, nullptr);
  const TFigure& b = *joined->FigGrps[0]->Items(0);
  EXPECT_EQ(b.Name, "533946@9");
  EXPECT_TRUE(b.Texts.empty());
  // The arcs, walked in reference order, close the square.
  EXPECT_EQ(b.Points.front(), b.Points.back());
}

TEST_F(KsjReader, UrbanAreaValuesAndFieldsBeyondAShortLine) {
  // A09 values: the name again, columns 17-21, 22-25 and 26. The record ends
  // at column 23, so the rest reads as blanks.
  const std::string data = Line().At(1, "DA").At(4, "P1").At(17, "12345").At(22, "AB").str();
  auto leaf = Open("A09_x.txt", kHeader + Arc("5339", 1, kSquareA) +
                                    Area("5339", {0, 0}, "", "1", "P1", {{"5339", 1}}) + data);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->FigGrps[0]->Items(0)->Texts, (Texts{"P1", "12345", "AB", ""}));

  // N03 values from a line longer than 80 columns stop at column 80.
  std::string n03 = DataN03("13101", {"TOKYO", "", "", "CHIYODA"});
  n03.resize(n03.size() - 2);
  n03.resize(80, ' ');
  n03 += "OVERFLOW\r\n";
  auto longLine =
      Open("N03_long.txt",
           kHeader + Arc("533946", 1, kSquareA) + Arc("533946", 2, kSquareB) +
               Area("533946", {0, 0}, "", "1", "13101", {{"533946", 1}, {"533946", 2}}) + n03);
  ASSERT_NE(longLine, nullptr);
  EXPECT_EQ(longLine->FigGrps[0]->Items(0)->Texts, (Texts{"TOKYO", "", "", "CHIYODA"}));
}

struct KindCase {
  const char* Name;
  const char* FileName;
  std::vector<TFigKind> Kinds;  // the figure lists, in order
  bool PolygonValues;
  const char* Code;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.Name; }

class KsjDataItems : public KsjReader, public ::testing::WithParamInterface<KindCase> {};

TEST_P(KsjDataItems, FileNameChoosesWhatIsBuilt) {
  const KindCase& c = GetParam();
  const std::string a09 = Line().At(1, "DA").At(4, "13101").At(17, "1").str();
  auto leaf = Open(c.FileName, AreaFile() + a09);
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->Name, c.Code);
  ASSERT_EQ(leaf->FigGrpCount(), static_cast<int>(c.Kinds.size()));
  for (std::size_t i = 0; i < c.Kinds.size(); ++i) {
    const TFigGrp& grp = *leaf->FigGrps[i];
    EXPECT_EQ(grp.Kind(), c.Kinds[i]) << "list " << i;
    EXPECT_EQ(grp.Name, c.Code);
    ASSERT_GT(grp.Count(), 0);
    EXPECT_EQ(grp.Items(0)->ClassCode, c.Code);
  }
  if (!c.Kinds.empty() && c.Kinds[0] == TFigKind::Polygon) {
    EXPECT_EQ(leaf->FigGrps[0]->Items(0)->Texts.empty(), !c.PolygonValues);
  }
}

const std::vector<TFigKind> kLines{TFigKind::Polyline};
const std::vector<TFigKind> kAreas{TFigKind::Polygon, TFigKind::Polyline};

INSTANTIATE_TEST_SUITE_P(
    Codes, KsjDataItems,
    ::testing::Values(KindCase{"Roads", "N01-95.txt", kLines, false, "N01"},
                      KindCase{"Coast", "C23.txt", kLines, false, "C23"},
                      KindCase{"Airports", "C28-07.txt", kLines, false, "C28"},
                      KindCase{"Wards", "N03-13.txt", kAreas, true, "N03"},
                      KindCase{"UrbanAreas", "A09-13.txt", kAreas, true, "A09"},
                      KindCase{"MetropolitanPlans", "A03-13.txt", kAreas, false, "A03"},
                      KindCase{"NatureReserves", "A11-13.txt", kAreas, false, "A11"},
                      KindCase{"SmallLettersName", "n03-13.txt", kAreas, true, "N03"},
                      KindCase{"OtherCode", "P05-13.txt", {}, false, "P05"},
                      KindCase{"ShortName", "N0", {}, false, "N0"}),
    [](const auto& row) { return std::string(row.param.Name); });

struct BadCase {
  const char* Name;
  std::string Content;
  bool IndexError;  // else a conversion error
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.Name; }

class KsjBadInput : public KsjReader, public ::testing::WithParamInterface<BadCase> {};

TEST_P(KsjBadInput, EndsTheReadWithItsErrorAndNoFigures) {
  const BadCase& c = GetParam();
  const std::string path = dir.File("N03-bad.txt");
  test::WriteFile(path, kHeader + c.Content);
  if (c.IndexError) {
    EXPECT_THROW(reader.OpenFile(leaves, path), EListIndexError);
  } else {
    EXPECT_THROW(reader.OpenFile(leaves, path), EConvertError);
  }
  // A later load of a leaf that was fine leaves it without figures.
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  leaf.Name = "N03";
  EXPECT_ANY_THROW(reader.LoadLeaf(leaf, nullptr, 0));
  EXPECT_EQ(leaf.FigGrpCount(), 0);
  EXPECT_FALSE(leaf.Loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Records, KsjBadInput,
    ::testing::Values(
        BadCase{"CountNotANumber", Line().At(1, "L  5339").Num(28, 33, 1).At(46, "  x2  ").str(),
                false},
        BadCase{"BlankAfterDigits", Line().At(1, "L  5339").Num(28, 33, 1).At(46, "  12  ").str(),
                false},
        BadCase{"LineEndsBeforeCount", Line().At(1, "L  5339").Num(28, 33, 1).str(), false},
        BadCase{"CoordinateLineTooShort",
                Line().At(1, "L  5339").Num(28, 33, 1).Num(46, 51, 3).str() +
                    Line().Num(1, 8, 1).Num(9, 16, 2).Num(17, 24, 3).str(),
                false},
        BadCase{"LabelNotANumber",
                Line().At(1, "A  5339").At(10, "    abc ").Num(18, 25, 1).Num(46, 51, 0).str(),
                false},
        BadCase{"EndsInsideCoordinates",
                Arc("5339", 1, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}, 7), true},
        BadCase{"EndsInsideReferences",
                Area("5339", {1, 1}, "", "1", "P",
                     {{"5339", 1}, {"5339", 2}, {"5339", 3}, {"5339", 4}, {"5339", 5}}, 6),
                true}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(KsjReader, MissingFileGivesNoLeaf) {
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("N03-none.txt")), nullptr);
  EXPECT_EQ(reader.OpenFile(leaves, dir.Path().string()), nullptr) << "a folder is no file";
  EXPECT_EQ(reader.OpenFolder(leaves, dir.Path().string()), nullptr);
}

// Through the project: the sample files land in plane rectangular zone 9
// with the definitions of def/KSJ.ini, also after an unload and reload.
class KsjProject : public ::testing::Test {
protected:
  void SetUp() override {
    SetProgramDir(std::filesystem::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string());
  }
  void TearDown() override { SetProgramDir(""); }

  void PaintAt(float x, float y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  }

  TMapProject project;
};

TEST_F(KsjProject, FiguresLandInZoneNineOnceAcrossReloads) {
  ASSERT_TRUE(project.Open(DataDir() + "N03-85_13_sample.txt", kKindKsj, 2));
  const TMapTheme& theme = *project.Themes->Items(0);
  EXPECT_EQ(theme.ClassDefs->Count(), 7) << "def/KSJ.ini";
  for (const char* code : {"N01", "C23", "C28", "N03", "A09", "A03", "A11"}) {
    EXPECT_TRUE(theme.ClassDefs->IsClassVisible(code, 2500)) << code;
  }
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  EXPECT_EQ(leaf.CoordMode, kModePlane);
  EXPECT_EQ(leaf.Datum, 2);

  const TFigure& arc = *leaf.FigGrps.at(1)->Items(0);  // 533946@000001, from 139.76E 35.70N
  double X = 0;
  double Y = 0;
  LatLonToXY(kGrs80, 9, X, Y, double{static_cast<float>(1285200 / 36000.0)},
             double{static_cast<float>(5031360 / 36000.0)});
  EXPECT_NEAR(arc.Points[0].x, Y, 0.01);
  EXPECT_NEAR(arc.Points[0].y, X, 0.01);
  const auto first = arc.Points;
  const TFRect extent = leaf.Extent;

  PaintAt(first[0].x, first[0].y);
  const TDrawClass* cls = leaf.DrawClasses->Find("N03");
  ASSERT_NE(cls, nullptr);
  EXPECT_NE(cls->ClassDef, nullptr) << "N03 has its definition";
  EXPECT_EQ(cls->Figures.size(), 2u + 3u);
  for (int i = 0; i < 4; ++i) PaintAt(-900000, -900000);
  ASSERT_FALSE(leaf.Loaded);
  PaintAt(first[0].x, first[0].y);
  ASSERT_TRUE(leaf.Loaded);
  EXPECT_EQ(leaf.FigGrps.at(1)->Items(0)->Points, first);
  EXPECT_EQ(leaf.Extent, extent);
}

}  // namespace
}  // namespace chizro
