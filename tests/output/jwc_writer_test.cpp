// The JW_CAD writer: whole result files compared with golden files, the copy
// of the request, the number format, and runs that fail without leaving a
// result behind.
#include "output/jwc_number.h"
#include "output/jwc_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/draw_class.h"
#include "model/fake_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "support/recording_canvas.h"

namespace chizro {
namespace {

std::string JwcNumber(double value) {
  char buf[kJwcNumberMax];
  return std::string(buf, FormatJwcNumber(value, buf));
}

namespace fs = std::filesystem;

constexpr int kKind = 11;
constexpr auto Polygon = TFigKind::Polygon;
constexpr auto Polyline = TFigKind::Polyline;
constexpr auto Point = TFigKind::Point;
constexpr auto Raster = TFigKind::Raster;

// A class section of a definition file with the given order and "Prop".
std::string ClassDef(const std::string& code, int order, const std::string& prop = "0,0") {
  return "[C_" + code + "]\r\nOrder=" + std::to_string(order) +
         "\r\nVisible=1,0,0\r\nPen=0,0,1\r\nBrush=16777215,1\r\n"
         "Font=0,\"MS UI Gothic\",9,0,0,0,0,0\r\nProp=" +
         prop + "\r\n";
}

const std::string kTokyo = "\x93\x8C\x8B\x9E";  // 東京 in Shift_JIS

class JwcWriterTest : public ::testing::Test {
protected:
  void SetUp() override { fs::create_directory(dir.Path() / "def"); }

  void Defs(const std::string& text) { test::WriteFile(dir.File("def/Sdf25.ini"), text); }
  void Settings(const std::string& text) { test::WriteFile(dir.File("def/chizro.ini"), text); }
  void Request(const std::string& text) { test::WriteFile(dir.File("JWC_TEMP.TXT"), text); }

  // Opens the files as the window does: single-file mode, 96 ppi, 1:2500.
  void Open(const std::vector<std::string>& names) {
    project.SetCanvas(&canvas);
    for (const std::string& name : names) project.Open(name, kKind, TOpenMode::File);
    project.SetPixelsPerInch(96);
    project.SetScale(2500);
  }

  TJwcFiles Files() const { return TJwcFiles::In(dir.Path().string()); }
  std::string ResultPath() const { return dir.File("temp.txt"); }
  std::string Result() const { return test::ReadFile(ResultPath()); }
  bool ResultExists() const { return fs::exists(ResultPath()); }
  bool OnlyRequestAndDefsRemain() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names == std::vector<std::string>{"JWC_TEMP.TXT", "def"};
  }

  void ExpectGolden(const std::string& name) { test::ExpectGolden(Result(), "output/" + name); }

  test::TempDir dir;
  test::FakeData data;
  test::FakeBuilders reader{kKind, data};
  test::TRecordingCanvas canvas;
  TMapProject project{reader, nullptr, dir.Path().string()};
};

// Two sheets side by side, with the definitions, settings and request of
// tests/data/output/two_sheets (every kind of class, Shift_JIS titles, the
// request JW_CAD writes for a transformation that asks for a point). Sheet a
// holds every kind of figure; the first theme's top-left (0, 100) lands on
// the pick point (100, 200).
TEST_F(JwcWriterTest, WholeResultOfTwoSheetsInLayerMode) {
  fs::copy(test::DataPath("output/two_sheets"), dir.Path(), fs::copy_options::recursive);
  data.Files["a"] = {{0, 100, 100, 0},
                     {
                         // Vertices exactly as held, closing vertex included; a
                         // vertex and a label at (0.0001, 99.9999) show the double
                         // and double rounding.
                         {Polygon,
                          "1101",
                          {{0, 100}, {1.5, 97.75}, {0.0001, 99.9999}, {0, 100}},
                          {0.0001, 99.9999},
                          {"Town \"Hall\" " + kTokyo}},
                         {Polygon, "1101", {}, {10, 10}, {}},  // no vertices, no text
                         {Polygon, "1101", {{20, 20}}, {20, 20}, {"line\r\nbreak"}},
                         {Polyline, "2101", {{0, 0}, {100, 0}}, {0, 0}, {"no label"}},
                         {Polyline, "road", {{10, 10}, {20, 20}}, {10, 10}, {"no label"}},
                         {Polyline, "9999", {{5, 5}}, {5, 5}, {"undefined"}},
                         {Point, "7301", {{50, 50}}, {50, 50}, {"P1", "Bench mark"}},
                         {Point, "7301", {{60, 40}}, {60, 40}, {"P2"}},  // no text at index 1
                         {Point, "5001", {{1, 1}}, {1, 1}, {"a point of another class"}},
                         {Raster, "8001", {}, {2, 2}, {}},
                         {Polygon, "3101", {{1, 1}, {2, 2}}, {1.5, 1.5}, {"no attributes"}},
                     }};
  data.Files["b"] = {{100, 100, 200, 0},
                     {
                         {Polygon, "1101", {{150, 50}, {160, 50}, {160, 60}}, {155, 55}, {"B"}},
                         {Point, "7301", {{199, 1}}, {199, 1}, {"P3", "Last"}},
                     }};
  Open({"a", "b"});

  const TJwcStats stats = ExportJwc(project, Files());

  ExpectGolden("two_sheets_layers.txt");
  EXPECT_EQ(stats.Leaves, 2);
  EXPECT_EQ(stats.Figures, 13);
  EXPECT_EQ(stats.Vertices, 15);
  EXPECT_EQ(stats.Points, 3);
  EXPECT_EQ(stats.Labels, 6);
  EXPECT_EQ(stats.FileName, ResultPath());
}

struct ModeCase {
  const char* Name;
  const char* Output;  // null: no "Output" key
  const char* Golden;
};
void PrintTo(const ModeCase& row, std::ostream* os) { *os << row.Name; }

class JwcWriterModeTest : public JwcWriterTest, public ::testing::WithParamInterface<ModeCase> {};

// One class over two sheets: its attribute records stand once, since the
// class that ends the first sheet also starts the second.
TEST_P(JwcWriterModeTest, AttributeRecordsFollowTheLayerMode) {
  const ModeCase& c = GetParam();
  Defs(ClassDef("1101", 1, "1,0,0"));
  Settings(std::string("[Layers]\r\n") + (c.Output ? std::string("Output=") + c.Output : "") +
           "\r\n[Elements]\r\n1101=b,C,7,2,6\r\n");
  Request("hk 0\r\n");  // no pick point: (0, 0)
  data.Files["a"] = {{0, 10, 10, 0}, {{Polygon, "1101", {{0, 10}, {1.5, 7.75}}, {1, 1}, {"a"}}}};
  data.Files["b"] = {{10, 10, 20, 0}, {{Polygon, "1101", {{10, 0}}, {12, 2}, {"b"}}}};
  Open({"a", "b"});
  ExportJwc(project, Files());
  ExpectGolden(c.Golden);
}

INSTANTIATE_TEST_SUITE_P(Modes, JwcWriterModeTest,
                         ::testing::Values(ModeCase{"Layers", "L", "mode_layers.txt"},
                                           ModeCase{"LayerGroups", "G", "mode_groups.txt"},
                                           ModeCase{"None", "N", "mode_none.txt"},
                                           ModeCase{"Empty", "", "mode_none.txt"},
                                           ModeCase{"Missing", nullptr, "mode_none.txt"},
                                           ModeCase{"LowerCaseIsNoMode", "l", "mode_none.txt"}),
                         test::RowName<ModeCase>);

// Coordinates around the edges of the coordinate form: each point of class
// 7301 gives its position as a marker and a point ("pt") and as a label
// ("ch"). The origin is (0, 0) and so is the pick point.
TEST_F(JwcWriterTest, NumbersAroundTheFormatBoundaries) {
  Defs(ClassDef("7301", 1, "1,0,0"));
  Settings("[Elements]\r\n");
  Request("hp1 0 0\r\n");
  data.Files["a"] = {{0, 0, 1, -1},
                     {
                         {Point, "7301", {}, {1e-7, -1e-7}, {"1e-4"}},
                         {Point, "7301", {}, {1e-8, -1e-8}, {"1e-5"}},
                         {Point, "7301", {}, {12.345678, -0.5}, {"12345.678"}},
                         {Point, "7301", {}, {1e12, -1e13}, {"1e15 1e16"}},
                         {Point, "7301", {}, {0, 1e17}, {"0 1e20"}},
                     }};
  Open({"a"});
  ExportJwc(project, Files());
  ExpectGolden("numbers.txt");
}

// The rows of tests/data/output/requests.tsv.
class JwcRequestTest : public JwcWriterTest,
                       public ::testing::WithParamInterface<test::TableRow> {};

TEST_P(JwcRequestTest, CopiesUpToTheFirstEmptyLineWithoutHq) {
  const test::TableRow& r = GetParam();
  Defs(ClassDef("1101", 1));
  Settings("");
  Request(r.at(1));
  data.Files["a"] = {{0, 10, 10, 0}, {{Polygon, "1101", {{0, 10}}, {0, 10}, {}}}};
  Open({"a"});
  ExportJwc(project, Files());
  EXPECT_EQ(Result(), r.at(2) + r.at(3) + "\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Requests, JwcRequestTest,
    ::testing::ValuesIn(test::ReadTable(test::DataPath("output/requests.tsv"))),
    test::TableRowName);

TEST_F(JwcWriterTest, EachSheetIsCentredPaintedAndReportedInTurn) {
  Defs(ClassDef("1101", 1));
  Settings("");
  Request("hp1 0 0\r\n");
  data.Files["a"] = {{0, 10, 10, 0}, {{Polygon, "1101", {{1, 1}}, {1, 1}, {}}}};
  data.Files["b"] = {{5000, 10, 5010, 0}, {{Polygon, "1101", {{5001, 1}}, {5001, 1}, {}}}};
  Open({"a", "b"});
  ASSERT_TRUE(data.LoadLog.empty()) << "nothing is loaded before the first paint";

  std::vector<std::pair<int, int>> calls;
  ExportJwc(project, Files(), [&](int i, int n) {
    calls.emplace_back(i, n);
    EXPECT_FALSE(project.Themes->Items(0)->Leaves->Items(i)->Loaded)
        << "reported before the sheet is painted";
  });

  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}}));
  EXPECT_EQ(data.LoadLog, (std::vector<std::string>{"a", "b"}));
  EXPECT_DOUBLE_EQ(project.View->CenterX, 5005);
  EXPECT_DOUBLE_EQ(project.View->CenterY, 5);
  EXPECT_NE(canvas.Calls.find("polygon"), std::string::npos) << "the sheets were painted";
  EXPECT_EQ(Result(), "hp1 0 0\r\n1000 -9000\r\n\r\n5001000 -9000\r\n\r\n");
}

// A run with nothing to draw fails aloud instead of handing JW_CAD a drawing
// of the request lines alone.
TEST_F(JwcWriterTest, NothingToDrawIsAnErrorAndLeavesNoResult) {
  Request("hq\r\nhp1 1 2\r\n");
  EXPECT_THROW(ExportJwc(project, Files()), ENoFigures);
  EXPECT_FALSE(fs::exists(ResultPath()));
  Defs(ClassDef("1101", 1));
  data.Files["a"] = {{0, 10, 10, 0}, {{Polygon, "1101", {}, {1, 1}, {}}}};
  Open({"a"});
  EXPECT_THROW(ExportJwc(project, Files()), ENoFigures);
  EXPECT_FALSE(fs::exists(ResultPath()));
}

// Failing runs: the error reaches the caller and no result is left, not even
// the one of an earlier run.
class JwcWriterFailureTest : public JwcWriterTest {
protected:
  void SetUp() override {
    JwcWriterTest::SetUp();
    Defs(ClassDef("1101", 1));
    data.Files["a"] = {{0, 10, 10, 0}, {{Polygon, "1101", {{1, 1}}, {1, 1}, {}}}};
    Open({"a"});
    test::WriteFile(ResultPath(), "an earlier result\r\n");
  }
};

// The rows of tests/data/output/stops.tsv: the message names the file and
// its line, and for a settings entry its key.
class JwcWriterStopTest : public JwcWriterFailureTest,
                          public ::testing::WithParamInterface<test::TableRow> {};

TEST_P(JwcWriterStopTest, StopsTheRunWithoutAResult) {
  const test::TableRow& r = GetParam();
  const std::string& key = r.at(4);
  Settings(r.at(1));
  Request(r.at(2));
  const std::string file = !key.empty()
                               ? fs::path(dir.File("def/chizro.ini")).make_preferred().string()
                               : dir.File("JWC_TEMP.TXT");
  try {
    ExportJwc(project, Files());
    FAIL() << "no error";
  } catch (const EChizroError& e) {
    EXPECT_EQ(e.Detail(), r.at(5));
    EXPECT_EQ(std::string(e.what()), "'" + file + "' の " + r.at(3) + " 行目" +
                                         (!key.empty() ? " [Elements] " + key : "") + ": " +
                                         r.at(5));
  }
  EXPECT_FALSE(ResultExists());
  EXPECT_TRUE(OnlyRequestAndDefsRemain());
}

INSTANTIATE_TEST_SUITE_P(Lines, JwcWriterStopTest,
                         ::testing::ValuesIn(test::ReadTable(test::DataPath("output/stops.tsv"))),
                         test::TableRowName);

TEST_F(JwcWriterFailureTest, AShortEntryOfAnAbsentClassDoesNoHarm) {
  Settings("[Elements]\r\n5555=t\r\n1101=t,1,2,3,4\r\n");
  Request("hp1 0 0\r\n");
  ExportJwc(project, Files());
  EXPECT_EQ(Result(), "hp1 0 0\r\nlc2\r\nlt3\r\ncn4\r\n1000 -9000\r\n\r\n");
}

// Without layer separation the layer is not written, so it is not checked; a
// lower-case hexadecimal layer is written in capitals.
TEST_F(JwcWriterFailureTest, LayerIsCheckedWhereWrittenAndWrittenInCapitals) {
  Request("hp1 0 0\r\n");
  Settings("[Layers]\r\nOutput=N\r\n[Elements]\r\n1101=t,10,2,3,4\r\n");
  ExportJwc(project, Files());
  EXPECT_EQ(Result(), "hp1 0 0\r\nlc2\r\nlt3\r\ncn4\r\n1000 -9000\r\n\r\n");
  Settings("[Layers]\r\nOutput=G\r\n[Elements]\r\n1101=t,e,2,3,10\r\n");
  ExportJwc(project, Files());
  EXPECT_EQ(Result(), "hp1 0 0\r\nlgE\r\nlc2\r\nlt3\r\ncn10\r\n1000 -9000\r\n\r\n");
}

// A sheet whose load failed at a paint is read again by the run: it stops the
// run while it fails, and once mended it is written whole, without the
// partial list of the failed load beside it.
TEST_F(JwcWriterFailureTest, ASheetThatFailsToLoadStopsTheRunUntilItIsMended) {
  Settings("");
  Request("hp1 0 0\r\n");
  data.Files["a"].FailAfterFigures = true;
  EXPECT_THROW(project.Draw(), EConvertError);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  ASSERT_FALSE(leaf.LoadError.empty());
  EXPECT_THROW(ExportJwc(project, Files()), EConvertError);
  EXPECT_FALSE(ResultExists());
  EXPECT_TRUE(OnlyRequestAndDefsRemain());

  data.Files["a"].FailAfterFigures = false;
  const TJwcStats stats = ExportJwc(project, Files());
  EXPECT_EQ(stats.Figures, 1);
  EXPECT_EQ(leaf.FigGrpCount(), 1);
}

TEST_F(JwcWriterFailureTest, AResultThatCannotBeWrittenIsReported) {
  Settings("");
  Request("hp1 0 0\r\n");
  fs::remove(ResultPath());
  fs::create_directory(dir.File("temp.txt.tmp~"));  // the temporary file cannot be created
  EXPECT_THROW(ExportJwc(project, Files()), EInOutError);
  EXPECT_FALSE(ResultExists());
  fs::remove(dir.File("temp.txt.tmp~"));
}

// The C library's "%.15G" has the same digits and the same plain/scientific
// boundaries; only its exponent is written differently ("E-06", "E+20").
std::string PrintfGeneral(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  const std::size_t e = s.find('E');
  if (e == std::string::npos) return s;
  std::string exponent = s.substr(e + 1);
  const bool negative = exponent[0] == '-';
  exponent.erase(0, exponent.find_first_not_of("+-0"));
  return s.substr(0, e + 1) + (negative ? "-" : "") + exponent;
}

// Zero without a sign, the edges the random values below may miss (the
// plain/scientific boundaries, rounding up into another digit, not-a-number
// and infinity), then random floats and doubles.
TEST(JwcNumberFormat, AgreesWithTheCLibrary) {
  EXPECT_EQ(JwcNumber(0.0), "0");
  EXPECT_EQ(JwcNumber(-0.0), "0");
  for (const double v :
       {double{12345.678}, 999.9999999999999, 0.0001, 0.00001, 9.999999999999999e-5,
        999999999999999.0, 1e15, 999999999999999.9, std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::infinity()})
    EXPECT_EQ(JwcNumber(v), PrintfGeneral(v)) << v;
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> mantissa(-1, 1);
  std::uniform_int_distribution<int> exponent(-12, 22);
  int checked = 0;
  for (int i = 0; i < 100000; ++i) {
    const double d = std::ldexp(mantissa(random), exponent(random) * 3);
    for (const double v : {d, static_cast<double>(static_cast<float>(d)), std::round(d),
                           std::round(d * 1000) / 1000}) {
      if (v == 0) continue;
      ASSERT_EQ(JwcNumber(v), PrintfGeneral(v)) << std::hexfloat << v;
      ++checked;
    }
  }
  EXPECT_GT(checked, 300000);
}

// A coordinate is written in the shortest form within 0.001 of its value.
// The oracle is the C library: strtod reads the written text back, and
// "%.*f" with one decimal fewer gives the nearest shorter form, which must
// then lie beyond 0.001 (else the shorter form should have been written).
TEST(JwcNumberFormat, CoordinatesAreTheShortestFormWithinAMicrometre) {
  const auto fractionDigits = [](const std::string& s) {
    const std::size_t dot = s.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(s.size() - dot - 1);
  };
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> magnitude(-1, 9);
  std::uniform_int_distribution<int> sign(0, 1);
  int checked = 0;
  for (int i = 0; i < 100000; ++i) {
    const double d = std::pow(10.0, magnitude(random)) * (sign(random) ? -1 : 1);
    for (const double v : {d, std::round(d * 1000) / 1000, std::round(d * 100) / 100 + 0.0009,
                           std::round(d) - 0.0004}) {
      char buf[kJwcNumberMax];
      const std::string s(buf, FormatJwcCoord(v, buf));
      ASSERT_EQ(s.find_first_of("eE"), std::string::npos) << s;
      ASSERT_LE(std::fabs(std::strtod(s.c_str(), nullptr) - v), 0.001 + 1e-9) << s << " " << v;
      const int digits = fractionDigits(s);
      if (digits > 0) {
        char shorter[64];
        std::snprintf(shorter, sizeof shorter, "%.*f", digits - 1, v);
        ASSERT_GT(std::fabs(std::strtod(shorter, nullptr) - v), 0.001 - 1e-6)
            << s << " could be " << shorter;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 400000);
  for (const auto& [v, text] :
       std::vector<std::pair<double, std::string>>{{0.0, "0"},
                                                   {-0.0004, "0"},
                                                   {12.3491, "12.35"},
                                                   {-150000000.0004, "-150000000"},
                                                   {0.0015, "0.002"},
                                                   {1e9, "1000000000"},
                                                   {999999999.9999, "1000000000"},
                                                   {-999999.99995, "-1000000"},
                                                   {1048576.125, "1048576.125"},
                                                   {2.5e12, "2500000000000"}}) {
    char buf[kJwcNumberMax];
    EXPECT_EQ(std::string(buf, FormatJwcCoord(v, buf)), text) << v;
  }
}

}  // namespace
}  // namespace chizro
