// The block-point reader, on the sample files under tests/data/gkupnt (the
// 14-column layout published today and the older 11-column one) and on lines
// written in the tests.
#include "readers/gkupnt_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

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

std::string Sjis(std::string_view utf8) { return Utf8ToSjis(utf8); }

std::string DataDir() { return std::string(CHIZRO_TEST_DATA_DIR) + "/gkupnt/"; }

// The header of the 11-column layout, and a record of it.
const std::string kHeader11 = Sjis(
    "都道府県名,市区町村名,大字・町丁目名,街区符号・地番,座標系番号,Ｘ座標,Ｙ座標,緯度,経度,"
    "住居表示フラグ,代表フラグ\r\n");

std::string Record11(std::string_view district, std::string_view block, std::string_view zone,
                     std::string_view x, std::string_view y) {
  return Sjis("\"東京都\",\"中央区\",") + std::string(district) + "," + std::string(block) + "," +
         std::string(zone) + "," + std::string(x) + "," + std::string(y) +
         ",35.6838,139.7759,1,1\r\n";
}

class GkuPntReader : public ::testing::Test {
protected:
  std::unique_ptr<TMapLeaf> Open(const std::string& content) {
    const std::string path = dir.File("points" + std::to_string(++files) + ".csv");
    test::WriteFile(path, content);
    return reader.OpenFile(leaves, path);
  }

  static const TFigGrp& Points(const TMapLeaf& leaf) { return *leaf.FigGrps.at(0); }

  test::TempDir dir;
  int files = 0;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_GkuPnt reader;
};

TEST_F(GkuPntReader, TodaysFileIsReadByItsColumnNames) {
  const std::string path = DataDir() + "13101-17.0a_chiyoda.csv";
  auto leaf = reader.OpenFile(leaves, path);

  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FileName, path);
  EXPECT_EQ(leaf->CoordMode, kModePlane);
  EXPECT_EQ(leaf->Zone, 9);
  EXPECT_EQ(leaf->Name, Sjis("東京都千代田区"));
  EXPECT_EQ(leaf->SheetName, leaf->Name);
  EXPECT_EQ(leaf->IdleCount, 0);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  const TFigGrp& points = Points(*leaf);
  EXPECT_EQ(points.Name, "PNT");
  ASSERT_EQ(points.Count(), 4);

  const TFigure& first = *points.Items(0);
  EXPECT_EQ(first.Name, "00000001");
  EXPECT_EQ(first.ClassCode, "PNT");
  // x is the easting (Ｙ座標), y the northing (Ｘ座標).
  EXPECT_EQ(first.Points, (std::vector<TFPoint>{{-6551.8f, -35426.3f}}));
  EXPECT_EQ(first.LabelX, -6551.8f);
  EXPECT_EQ(first.LabelY, -35426.3f);
  EXPECT_EQ(first.Texts, (Texts{Sjis("丸の内一丁目"), "1", Sjis("丸の内一丁目-1")}));

  // The sub-district follows the district; a comma inside the quoted block
  // code stays in it.
  const TFigure& last = *points.Items(3);
  EXPECT_EQ(last.Name, "00000004");
  EXPECT_EQ(last.Texts, (Texts{Sjis("神田字北"), "1,2", Sjis("神田字北-1,2")}));

  EXPECT_EQ(leaf->Extent, (TFRect{-6843.7f, -34200.0f, -6000.0f, -35501.9f}));
}

TEST_F(GkuPntReader, ElevenColumnFileIsReadByPosition) {
  auto leaf = reader.OpenFile(leaves, DataDir() + "13102_old.csv");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Name, Sjis("東京都中央区"));
  const TFigGrp& points = Points(*leaf);
  ASSERT_EQ(points.Count(), 2);
  EXPECT_EQ(points.Items(1)->Points, (std::vector<TFPoint>{{-5420.9f, -35180.1f}}));
  EXPECT_EQ(points.Items(1)->Texts.at(2), Sjis("日本橋一丁目-2"));
}

TEST_F(GkuPntReader, HeaderOnlyFileGivesALoadedLeafWithAnEmptyList) {
  auto leaf = Open(kHeader11);
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  EXPECT_EQ(Points(*leaf).Name, "PNT");
  EXPECT_EQ(Points(*leaf).Count(), 0);
  EXPECT_EQ(leaf->Extent, TFRect{});
  EXPECT_EQ(leaf->Name, "");
  EXPECT_EQ(leaf->SheetName, "");

  auto empty = Open("");
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->Loaded);
  EXPECT_EQ(Points(*empty).Count(), 0);
}

TEST_F(GkuPntReader, OnlyLinesOfElevenItemsCountAndNumberingHasNoGaps) {
  // The first line is a header even when it looks like a record.
  const std::string content =
      Record11("\"A\"", "1", "9", "10", "20") +            // header, never read
      Record11("\"A B\"", "1", "9", "-100.5", "200.25") +  // quoted blank: one item
      Record11("A B", "2", "9", "1", "2") +                // unquoted blank: 12 items
      "\r\n" +                                             // no items
      Record11("\"C\"", "3", "12", "-300", "400") +        // a later zone is not read
      Sjis(
          "\"東京都\",\"中央区\",\"D\",\"4\",\"9\",\"1\",\"2\",\"x\",\"y\",\"1\",\"1\",\"z\","
          "\"w\",\"v\"\r\n");  // 14 items without a header naming them
  auto leaf = Open(content);
  ASSERT_NE(leaf, nullptr);
  const TFigGrp& points = Points(*leaf);
  ASSERT_EQ(points.Count(), 2);
  EXPECT_EQ(points.Items(0)->Name, "00000001");
  EXPECT_EQ(points.Items(0)->Texts, (Texts{"A B", "1", "A B-1"}));
  EXPECT_EQ(points.Items(0)->Points[0], (TFPoint{200.25f, -100.5f}));
  EXPECT_EQ(points.Items(1)->Name, "00000002");
  EXPECT_EQ(points.Items(1)->Texts.at(2), "C-3");
  EXPECT_EQ(leaf->Zone, 9);
  EXPECT_EQ(leaf->Extent, (TFRect{200.25f, -100.5f, 400, -300}));
}

TEST_F(GkuPntReader, ColumnsAreFoundWhereverTheHeaderNamesThem) {
  // ASCII X and Y, columns in another order, an empty sub-district.
  const std::string header = Sjis(
      "\"Y座標\",\"X座標\",\"座標系番号\",\"街区符号・地番\",\"小字・通称名\",\"大字・丁目名\","
      "\"市区町村名\",\"都道府県名\",\"緯度\",\"経度\",\"a\",\"b\",\"c\",\"d\"\r\n");
  const std::string row = Sjis(
      "\"-10.5\",\"20.5\",\"8\",\"5\",\"\",\"本町\",\"新潟市\",\"新潟県\",\"0\",\"0\",\"1\",\"1\","
      "\"0\",\"0\"\r\n");
  auto leaf = Open(header + row);
  ASSERT_NE(leaf, nullptr);
  ASSERT_EQ(Points(*leaf).Count(), 1);
  const TFigure& p = *Points(*leaf).Items(0);
  EXPECT_EQ(p.Points[0], (TFPoint{-10.5f, 20.5f}));
  EXPECT_EQ(p.Texts, (Texts{Sjis("本町"), "5", Sjis("本町-5")}));
  EXPECT_EQ(leaf->Zone, 8);
  EXPECT_EQ(leaf->Name, Sjis("新潟県新潟市"));
}

struct BadCase {
  const char* Name;
  std::string Records;  // after the header
  enum { Convert, Float, Zone } Error;
  int PointsLeft;  // figures in the list after the error
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.Name; }

const std::string kGood = Record11("A", "1", "9", "1", "2");

class GkuPntBadInput : public GkuPntReader, public ::testing::WithParamInterface<BadCase> {};

TEST_P(GkuPntBadInput, EndsTheLoadKeepingThePointsReadSoFar) {
  const BadCase& c = GetParam();
  const std::string path = dir.File("bad.csv");
  test::WriteFile(path, kHeader11 + c.Records);
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  switch (c.Error) {
    case BadCase::Convert:
      EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EConvertError);
      break;
    case BadCase::Float:
      EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EFloatConvertError);
      break;
    case BadCase::Zone:
      EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EZoneError);
      break;
  }
  EXPECT_FALSE(leaf.Loaded);
  ASSERT_EQ(leaf.FigGrpCount(), 1) << "the list stays attached";
  EXPECT_EQ(Points(leaf).Count(), c.PointsLeft);
  // Through OpenFile the error reaches the caller and no leaf is made.
  EXPECT_ANY_THROW(reader.OpenFile(leaves, path));
}

INSTANTIATE_TEST_SUITE_P(
    Records, GkuPntBadInput,
    ::testing::Values(
        BadCase{"NorthingNotANumber", kGood + Record11("B", "2", "9", "1O.5", "2"), BadCase::Float,
                1},
        BadCase{"EastingEmpty", kGood + Record11("B", "2", "9", "1", "\"\""), BadCase::Float, 1},
        BadCase{"EastingBeyondSinglePrecision", kGood + Record11("B", "2", "9", "1", "1e39"),
                BadCase::Float, 1},
        // The zone is read from the first record, after its point is made.
        BadCase{"ZoneNotANumber", Record11("B", "2", "IX", "1", "2"), BadCase::Convert, 1},
        BadCase{"ZoneZero", Record11("B", "2", "0", "1", "2"), BadCase::Zone, 1},
        BadCase{"ZoneTwenty", Record11("B", "2", "20", "1", "2") + kGood, BadCase::Zone, 1}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(GkuPntReader, MissingFileGivesNoLeaf) {
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("none.csv")), nullptr);
  EXPECT_EQ(reader.OpenFolder(leaves, dir.Path().string()), nullptr);
}

TEST(GkuPntProject, PointsStayInZoneNineAndReloadUnchanged) {
  SetProgramDir(std::filesystem::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string());
  TMapProject project;
  ASSERT_TRUE(project.Open(DataDir() + "13101-17.0a_chiyoda.csv", kKindGkuPnt, 2));
  const TMapTheme& theme = *project.Themes->Items(0);
  EXPECT_EQ(theme.ClassDefs->Count(), 1) << "def/GkuPnt.ini";
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  const auto first = leaf.FigGrps.at(0)->Items(0)->Points;
  EXPECT_EQ(first, (std::vector<TFPoint>{{-6551.8f, -35426.3f}}));

  const auto paintAt = [&](float x, float y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  };
  paintAt(first[0].x, first[0].y);
  const TDrawClass* cls = leaf.DrawClasses->Find("PNT");
  ASSERT_NE(cls, nullptr);
  EXPECT_NE(cls->ClassDef, nullptr);
  for (int i = 0; i < 4; ++i) paintAt(-900000, -900000);
  ASSERT_FALSE(leaf.Loaded);
  paintAt(first[0].x, first[0].y);
  ASSERT_TRUE(leaf.Loaded);
  EXPECT_EQ(leaf.FigGrps.at(0)->Items(0)->Points, first);
  EXPECT_EQ(leaf.Zone, 9);
  SetProgramDir("");
}

}  // namespace
}  // namespace chizro
