// The ENC chart reader on listings written in the tests: feature assembly,
// soundings, attributes, the order of areas, the leaf's extent and errors.
#include "readers/enc_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "platform/errors.h"
#include "platform/program_dir.h"
#include "test_support.h"

namespace chizro {
namespace {

using Points = std::vector<TFPoint>;

constexpr unsigned kNode = 120;
constexpr unsigned kIsolated = 110;
constexpr unsigned kEdge = 130;

std::string Pointer(unsigned rcnm, std::uint32_t rcid) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X%02X%02X%02X%02X", rcnm, rcid & 0xFF, (rcid >> 8) & 0xFF,
                (rcid >> 16) & 0xFF, rcid >> 24);
  return text;
}

std::string Hex(std::string_view text) {
  std::string out = "0x";
  char pair[3];
  for (const char c : text) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
    out += pair;
  }
  return out;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7f", v);
  return text;
}

std::string Record(std::string_view body) { return "RECN 1\r\n" + std::string(body) + "****\r\n"; }

// A node or isolated node at the given (x, y) positions.
std::string Node(unsigned rcnm, int rcid, const Points& points) {
  std::string sg2d = " SG2D " + std::to_string(points.size()) + " 0";
  for (const TFPoint& p : points) sg2d += " " + Number(p.y) + " " + Number(p.x);
  return Record(" VRID 1 8 RCNM=" + std::to_string(rcnm) + " RCID=" + std::to_string(rcid) +
                " RVER=1 RUIN=1\r\n" + sg2d + "\r\n");
}

struct Sounding {
  double x, y, z;
};

std::string Soundings(int rcid, const std::vector<Sounding>& soundings) {
  std::string sg3d = " SG3D " + std::to_string(soundings.size()) + " 0";
  for (const Sounding& s : soundings)
    sg3d += " " + Number(s.y) + " " + Number(s.x) + " " + Number(s.z);
  return Record(" VRID 1 8 RCNM=110 RCID=" + std::to_string(rcid) + "\r\n" + sg3d + "\r\n");
}

// An edge from node `begin` to node `end` with its own vertices between.
std::string Edge(int rcid, int begin, int end, const Points& points) {
  std::string body =
      " VRID 1 8 RCNM=130 RCID=" + std::to_string(rcid) +
      "\r\n VRPT 2 18 NAME=" + Pointer(kNode, static_cast<std::uint32_t>(begin)) +
      " ORNT=255 USAG=255 TOPI=1 MASK=255 NAME=" + Pointer(kNode, static_cast<std::uint32_t>(end)) +
      " ORNT=255 USAG=255 TOPI=2 MASK=255\r\n";
  if (!points.empty()) {
    body += " SG2D " + std::to_string(points.size()) + " 0";
    for (const TFPoint& p : points) body += " " + Number(p.y) + " " + Number(p.x);
    body += "\r\n";
  }
  return Record(body);
}

struct Ref {
  unsigned Rcnm;
  int Rcid;
  int Ornt = 1;
  int Usag = 1;
};

std::string Fspt(const std::vector<Ref>& refs) {
  std::string line = " FSPT " + std::to_string(refs.size()) + " 0";
  for (const Ref& r : refs)
    line += " NAME=" + Pointer(r.Rcnm, static_cast<std::uint32_t>(r.Rcid)) +
            " ORNT=" + std::to_string(r.Ornt) + " USAG=" + std::to_string(r.Usag) + " MASK=255";
  return line + "\r\n";
}

std::string Attf(const std::vector<std::pair<int, std::string>>& attributes) {
  std::string line = " ATTF " + std::to_string(attributes.size()) + " 0";
  for (const auto& [code, value] : attributes)
    line += " ATTL=" + std::to_string(code) + " ATVL=" + Hex(value);
  return line + "\r\n";
}

std::string Feature(int prim, int objl, std::string_view fields) {
  return Record(" FRID 1 12 RCNM=100 RCID=1 PRIM=" + std::to_string(prim) +
                " GRUP=2 OBJL=" + std::to_string(objl) +
                " RVER=1 RUIN=1\r\n FOID 1 8 AGEN=550 "
                "FIDN=1 FIDS=1\r\n" +
                std::string(fields));
}

// A closed square ring of four nodes and four edges, nodes first+0..3 and
// edges first+0..3, lower left corner (x, y), side `side` [deg].
std::string Square(int first, double x, double y, double side) {
  const auto f = [](double v) { return static_cast<float>(v); };
  return Node(kNode, first, {{f(x), f(y)}}) + Node(kNode, first + 1, {{f(x + side), f(y)}}) +
         Node(kNode, first + 2, {{f(x + side), f(y + side)}}) +
         Node(kNode, first + 3, {{f(x), f(y + side)}}) + Edge(first, first, first + 1, {}) +
         Edge(first + 1, first + 1, first + 2, {}) + Edge(first + 2, first + 2, first + 3, {}) +
         Edge(first + 3, first + 3, first, {});
}

std::vector<Ref> SquareRing(int first, int usag = 1) {
  return {{kEdge, first, 1, usag},
          {kEdge, first + 1, 1, usag},
          {kEdge, first + 2, 1, usag},
          {kEdge, first + 3, 1, usag}};
}

constexpr std::string_view kAttributes =
    "1,AGENCY,A,\"Agency\"\r\n"
    "\r\n"
    "4,BOYSHP,E\r\n"
    "75,COLOUR,L\r\n"
    "87,DRVAL1,F\r\n"
    "116,OBJNAM,S\r\n"
    "133,SCAMIN,I\r\n"
    "500,OUTSIDE,A\r\n"
    "0,ZERO,A\r\n"
    "200,SHORT\r\n";

class EncTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.Path() / "def");
    test::WriteFile((dir_.Path() / "def" / "EncAttr.ini").string(), kAttributes);
    SetProgramDir(dir_.Path().string());
  }
  void TearDown() override { SetProgramDir(""); }

  std::unique_ptr<TMapLeaf> Open(std::string_view listing,
                                 const std::string& name = "JP4TEST1.txt") {
    const std::string path = dir_.File(name);
    test::WriteFile(path, listing);
    return builder_.OpenFile(leaves_, path);
  }

  test::TempDir dir_;
  TMapLeafGrp leaves_{nullptr};
  TMapBuilder_Enc builder_;
};

const TFigGrp* ListOf(const TMapLeaf& leaf, TFigKind kind) {
  for (const auto& grp : leaf.FigGrps)
    if (grp->Kind() == kind) return grp.get();
  return nullptr;
}

TEST_F(EncTest, OpenNamesTheLeafAfterTheFileInLatitudeLongitudeOnWgs84) {
  const auto leaf =
      Open(Square(1, 139.0, 35.0, 0.1) + Feature(3, 42, Fspt(SquareRing(1))), "JP4TEST1.lst.txt");
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->FileName, dir_.File("JP4TEST1.lst.txt"));
  EXPECT_EQ(leaf->SheetName, "JP4TEST1.lst");
  EXPECT_EQ(leaf->Name, "JP4");
  EXPECT_EQ(leaf->CoordMode, kModeLatLon);
  EXPECT_EQ(leaf->Datum, 3);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->IdleCount, 0);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  EXPECT_EQ(leaf->FigGrps[0]->Name, "JP4");
  EXPECT_EQ(builder_.OpenFile(leaves_, dir_.File("missing.txt")), nullptr);
  EXPECT_EQ(builder_.OpenFolder(leaves_, dir_.Path().string()), nullptr);
}

TEST_F(EncTest, EdgesRunWithTheirNodesInEitherOrientation) {
  // Nodes A (1) and B (2), an edge with vertices 1, 2, 3 between them.
  const std::string vectors = Node(kNode, 1, {{10, 0}}) + Node(kNode, 2, {{20, 0}}) +
                              Edge(5, 1, 2, {{11, 1}, {12, 2}, {13, 3}});
  const auto leaf = Open(vectors + Feature(2, 30, Fspt({{kEdge, 5, 1, 255}})) +
                         Feature(2, 43, Fspt({{kEdge, 5, 2, 255}})));
  const TFigGrp* lines = ListOf(*leaf, TFigKind::Polyline);
  ASSERT_NE(lines, nullptr);
  ASSERT_EQ(lines->Count(), 2);
  const TFigure& forward = *lines->Items(0);
  EXPECT_EQ(forward.ClassCode, "30");
  EXPECT_EQ(forward.Points, (Points{{10, 0}, {11, 1}, {12, 2}, {13, 3}, {20, 0}}));
  EXPECT_EQ(forward.LabelX, 12);  // the vertex at index 5 / 2
  EXPECT_EQ(forward.LabelY, 2);
  const TFigure& reverse = *lines->Items(1);
  EXPECT_EQ(reverse.ClassCode, "43");
  EXPECT_EQ(reverse.Points, (Points{{20, 0}, {13, 3}, {12, 2}, {11, 1}, {10, 0}}));
  EXPECT_TRUE(reverse.Props.Count() == 0);
}

TEST_F(EncTest, EdgeWithoutTwoNodePointersGivesOnlyItsOwnVertices) {
  const std::string edge =
      Record(" VRID 1 8 RCNM=130 RCID=1\r\n VRPT 1 9 NAME=" + Pointer(kNode, 1) +
             "\r\n SG2D 2 0 1 2 3 4\r\n");
  const auto leaf =
      Open(Node(kNode, 1, {{9, 9}}) + edge + Feature(2, 30, Fspt({{kEdge, 1, 2, 255}})));
  EXPECT_EQ(ListOf(*leaf, TFigKind::Polyline)->Items(0)->Points, (Points{{4, 3}, {2, 1}}));
}

TEST_F(EncTest, NodeThatCannotBeFoundIsLeftOut) {
  // The end node 9 is missing: the line ends at the edge's last vertex, not
  // at latitude 0, longitude 0.
  const auto leaf = Open(Node(kNode, 1, {{-150, 60}}) + Edge(1, 1, 9, {{-150.5f, 60.5f}}) +
                         Feature(2, 30, Fspt({{kEdge, 1}, {kEdge, 77}})));
  const TFigure& line = *ListOf(*leaf, TFigKind::Polyline)->Items(0);
  EXPECT_EQ(line.Points, (Points{{-150, 60}, {-150.5f, 60.5f}}));
  EXPECT_EQ(leaf->Extent, (TFRect{-150.5f, 60.5f, -150, 60}));
}

TEST_F(EncTest, AreasTakeTheirExteriorBoundaryWithItsTruncatedEdgesButNoHoles) {
  const std::string vectors = Square(1, 0, 0, 1) + Square(11, 0.25, 0.25, 0.5);
  std::vector<Ref> ring = SquareRing(1);
  for (Ref r : SquareRing(11, 2)) ring.push_back(r);  // the hole
  const auto leaf =
      Open(vectors + Feature(3, 42, Fspt(ring)) + Feature(3, 302, Fspt(SquareRing(11, 3))));
  const TFigGrp* areas = ListOf(*leaf, TFigKind::Polygon);
  ASSERT_NE(areas, nullptr);
  ASSERT_EQ(areas->Count(), 2);
  // The area bounded only by edges truncated at the data limit (USAG 3) is
  // the smaller one: it comes first.
  EXPECT_EQ(areas->Items(0)->ClassCode, "302");
  EXPECT_EQ(areas->Items(0)->Points, (Points{{0.25f, 0.25f},
                                             {0.75f, 0.25f},
                                             {0.75f, 0.25f},
                                             {0.75f, 0.75f},
                                             {0.75f, 0.75f},
                                             {0.25f, 0.75f},
                                             {0.25f, 0.75f},
                                             {0.25f, 0.25f}}));
  EXPECT_EQ(areas->Items(1)->ClassCode, "42");
  EXPECT_EQ(areas->Items(1)->Points,
            (Points{{0, 0}, {1, 0}, {1, 0}, {1, 1}, {1, 1}, {0, 1}, {0, 1}, {0, 0}}));
  EXPECT_EQ(areas->Items(1)->LabelX, 1);
  EXPECT_EQ(areas->Items(1)->LabelY, 1);
}

// tests/data/enc/cut_by_limit.txt: land in the north-east corner of a cell,
// bounded by the coast (USAG 1) and by the cell's north and east limits
// (USAG 3), in that pointer order.
TEST_F(EncTest, AnAreaCutByTheCellLimitRunsAlongTheLimit) {
  const auto leaf =
      Open(test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/enc/cut_by_limit.txt"));
  const TFigGrp* areas = ListOf(*leaf, TFigKind::Polygon);
  ASSERT_NE(areas, nullptr);
  ASSERT_EQ(areas->Count(), 1);
  const TFPoint east{-149.9f, 60.02f}, north{-149.98f, 60.1f}, corner{-149.9f, 60.1f};
  // Coast, then the north limit to the corner, then down the east limit;
  // not a straight chord from the north limit back to the east one.
  EXPECT_EQ(
      areas->Items(0)->Points,
      (Points{east, {-149.93f, 60.05f}, {-149.96f, 60.07f}, north, north, corner, corner, east}));
}

TEST_F(EncTest, AListingWithoutAFeatureToDrawSaysWhy) {
  const auto leaf =
      Open(test::ReadFile(std::string(CHIZRO_TEST_DATA_DIR) + "/enc/no_features.txt"));
  ASSERT_TRUE(leaf);
  EXPECT_FALSE(leaf->HasFigures());
  EXPECT_EQ(leaf->NoFigureReason, "座標のある地物がありません");
}

TEST_F(EncTest, BoundaryInSeveralPointerFieldsIsOneArea) {
  const std::vector<Ref> ring = SquareRing(1);
  const auto leaf = Open(Square(1, 0, 0, 1) +
                         Feature(3, 42, Fspt({ring[0], ring[1]}) + Fspt({ring[2], ring[3]})));
  const TFigGrp* areas = ListOf(*leaf, TFigKind::Polygon);
  ASSERT_EQ(areas->Count(), 1);
  EXPECT_EQ(areas->Items(0)->PointCount(), 8);
}

TEST_F(EncTest, SmallerAreasComeFirst) {
  // Box areas in square arc-seconds, given largest first: 20,000,000,
  // 100, 4,000,000 and 9,000,000. Written as "%16.8f" texts, 20,000,000
  // would sort before 9,000,000.
  const double arcsec = 1.0 / 3600;
  const std::string vectors = Square(1, 0, 0, 4000 * arcsec) + Square(11, 0, 0, 10 * arcsec) +
                              Square(21, 0, 0, 2000 * arcsec) + Square(31, 0, 0, 3000 * arcsec);
  // The 20,000,000 box: 4000" wide, 5000" high.
  const std::string tall =
      Node(kNode, 41, {{static_cast<float>(4000 * arcsec), static_cast<float>(5000 * arcsec)}}) +
      Edge(41, 2, 41, {});
  const auto leaf =
      Open(vectors + tall + Feature(3, 1, Fspt({{kEdge, 1}, {kEdge, 41}, {kEdge, 3}})) +
           Feature(3, 2, Fspt(SquareRing(11))) + Feature(3, 3, Fspt(SquareRing(21))) +
           Feature(3, 4, Fspt(SquareRing(31))));
  const TFigGrp* areas = ListOf(*leaf, TFigKind::Polygon);
  ASSERT_EQ(areas->Count(), 4);
  std::vector<std::string> order;
  for (int i = 0; i < areas->Count(); ++i) order.push_back(areas->Items(i)->ClassCode);
  EXPECT_EQ(order, (std::vector<std::string>{"2", "3", "4", "1"}));
}

TEST_F(EncTest, SoundingsGiveOnePointPerDepthWithOneDecimal) {
  std::vector<Sounding> soundings;
  for (int i = 0; i < 25; ++i) soundings.push_back({-150 + 0.01 * i, 60, 0.5 * i});
  soundings[0].z = 12.34;
  soundings[1].z = 0.75;
  const auto leaf = Open(Soundings(7, soundings) +
                         Feature(1, 129, Fspt({{kIsolated, 7, 255, 255}}) + Attf({{116, "x"}})));
  const TFigGrp* points = ListOf(*leaf, TFigKind::Point);
  ASSERT_NE(points, nullptr);
  ASSERT_EQ(points->Count(), 25);
  for (int i = 0; i < 25; ++i) {
    const TFigure& p = *points->Items(i);
    EXPECT_EQ(p.ClassCode, "129");
    ASSERT_EQ(p.Props.Count(), 1u);
    ASSERT_EQ(p.PointCount(), 1);
    EXPECT_FLOAT_EQ(p.Points[0].x, static_cast<float>(-150 + 0.01 * i));
    EXPECT_EQ(p.Points[0].y, 60);
    EXPECT_EQ(p.LabelX, p.Points[0].x);
  }
  EXPECT_EQ(points->Items(0)->GetProp("DEPTH"), "12.3");
  EXPECT_EQ(points->Items(1)->GetProp("DEPTH"), "0.8");
  EXPECT_EQ(points->Items(24)->GetProp("DEPTH"), "12.0");
  EXPECT_EQ(points->Items(0)->GetProp("OBJNAM"), "");
}

TEST_F(EncTest, PointTakesTheFirstVertexOfItsNodeAndTheTypedAttributes) {
  const auto leaf = Open(Node(kIsolated, 3, {{139.5f, 35.25f}, {1, 1}}) +
                         Feature(1, 17,
                                 Fspt({{kIsolated, 99}}) + Fspt({{kIsolated, 3}}) +
                                     Attf({{1, "JP"},
                                           {4, "2"},
                                           {75, "3,4,3"},
                                           {87, "5.5"},
                                           {116, "No 3 Buoy"},
                                           {133, "20000"},
                                           {500, "out"},
                                           {200, "short"},
                                           {77, "unknown"}})));
  const TFigure& buoy = *ListOf(*leaf, TFigKind::Point)->Items(0);
  EXPECT_EQ(buoy.ClassCode, "17");
  EXPECT_EQ(buoy.Points, (Points{{139.5f, 35.25f}}));
  EXPECT_EQ(buoy.LabelY, 35.25f);
  EXPECT_EQ(buoy.GetProp("AGENCY"), "JP");
  EXPECT_EQ(buoy.GetProp("BOYSHP"), "2");
  EXPECT_EQ(buoy.GetProp("DRVAL1"), "5.5");
  EXPECT_EQ(buoy.GetProp("OBJNAM"), "No 3 Buoy");
  // Types I and L, codes outside 1..499 and entries without a type are not
  // set.
  EXPECT_EQ(buoy.Props.Count(), 4u);
}

TEST_F(EncTest, PointIsJudgedOnItsLastPointer) {
  const auto leaf = Open(Node(kIsolated, 3, {{1, 2}}) + Node(kIsolated, 4, {}) +
                         Feature(1, 17, Fspt({{kIsolated, 3}}) + Fspt({{kIsolated, 4}})) +
                         Feature(1, 18, Fspt({{kIsolated, 4}}) + Fspt({{kIsolated, 3}})) +
                         Feature(1, 19, Fspt({{kEdge, 3}})) + Feature(255, 400, ""));
  const TFigGrp* points = ListOf(*leaf, TFigKind::Point);
  ASSERT_EQ(points->Count(), 1);
  EXPECT_EQ(points->Items(0)->ClassCode, "18");
  EXPECT_EQ(leaf->FigGrpCount(), 1);
}

struct ExtentCase {
  const char* Name;
  std::string Listing;
  TFRect Extent;
};

class EncExtentTest : public EncTest, public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(EncExtentTest, LeafCoversEveryVertexBuilt) {
  const auto leaf = Open(GetParam().Listing);
  const TFRect& e = GetParam().Extent;
  EXPECT_EQ(leaf->Extent, e);
  if (e == TFRect{}) {
    EXPECT_EQ(leaf->Corners, (std::array<TFPoint, 4>{}));
  } else {
    EXPECT_EQ(
        leaf->Corners,
        (std::array<TFPoint, 4>{
            TFPoint{e.left, e.bottom}, {e.left, e.top}, {e.right, e.top}, {e.right, e.bottom}}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Charts, EncExtentTest,
    ::testing::Values(
        ExtentCase{"AreaCoversTheRest",
                   Square(1, 139, 35, 1) + Node(kIsolated, 9, {{139.5f, 35.5f}}) +
                       Feature(3, 42, Fspt(SquareRing(1))) + Feature(1, 17, Fspt({{kIsolated, 9}})),
                   {139, 36, 140, 35}},
        ExtentCase{"NegativeLongitudes",
                   Square(1, -151, 59, 1) + Feature(3, 42, Fspt(SquareRing(1))),
                   {-151, 60, -150, 59}},
        ExtentCase{"LinesAndPointsOnly",
                   Node(kNode, 1, {{-10, 5}}) + Node(kNode, 2, {{-8, 7}}) + Edge(1, 1, 2, {}) +
                       Node(kIsolated, 9, {{-12, 6}}) + Feature(2, 30, Fspt({{kEdge, 1}})) +
                       Feature(1, 17, Fspt({{kIsolated, 9}})),
                   {-12, 7, -8, 5}},
        ExtentCase{"NothingBuilt", Node(kNode, 1, {{3, 4}}), {}}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(EncTest, FactorsOfOneListingServeTheNextWithoutParameters) {
  const auto first = Open(Record(" DSPM 1 0 COMF=10 SOMF=10\r\n") + Node(kIsolated, 1, {{20, 30}}) +
                              Feature(1, 17, Fspt({{kIsolated, 1}})),
                          "A.txt");
  EXPECT_EQ(ListOf(*first, TFigKind::Point)->Items(0)->Points, (Points{{2, 3}}));
  const auto second =
      Open(Node(kIsolated, 1, {{50, 70}}) + Feature(1, 17, Fspt({{kIsolated, 1}})), "B.txt");
  EXPECT_EQ(ListOf(*second, TFigKind::Point)->Items(0)->Points, (Points{{5, 7}}));
  EXPECT_EQ(builder_.Comf, 10);
}

TEST_F(EncTest, BadFeatureFieldsEndTheLoadWithoutFigures) {
  const std::string vectors = Square(1, 0, 0, 1);
  const std::string good = Feature(3, 42, Fspt(SquareRing(1)));
  const auto leaf = Open(vectors + good);
  ASSERT_EQ(leaf->FigGrpCount(), 1);

  const std::vector<std::pair<std::string, std::string>> bad = {
      {"OBJL", Record(" FRID 1 12 RCID=1 GRUP=2 OBJL=x PRIM=3\r\n")},
      {"PRIM missing", Record(" FRID 1 12 RCID=1 GRUP=2 OBJL=42\r\n")},
      {"ORNT", Feature(2, 30, " FSPT 1 0 NAME=" + Pointer(kEdge, 1) + " USAG=1\r\n")},
      {"USAG", Feature(3, 42, " FSPT 1 0 NAME=" + Pointer(kEdge, 1) + " ORNT=1 USAG=?\r\n")},
      {"ATTL", Feature(1, 17, " ATTF 1 0 ATVL=0x41\r\n")},
      {"ATVL", Feature(1, 17, " ATTF 1 0 ATTL=116 ATVL=0xQQ\r\n")},
  };
  for (const auto& [what, record] : bad) {
    test::WriteFile(leaf->FileName, vectors + good + record);
    leaf->Unload();
    EXPECT_THROW(builder_.LoadLeaf(*leaf, nullptr, 0), EConvertError) << what;
    EXPECT_FALSE(leaf->Loaded) << what;
    // The good area read before the bad record stays.
    ASSERT_GE(leaf->FigGrpCount(), 1) << what;
    EXPECT_EQ(leaf->FigGrps[0]->Count(), 1) << what;
  }
}

TEST_F(EncTest, AttributeTableIsNeededAndMustHoldCodes) {
  const std::string listing = Node(kIsolated, 1, {{1, 2}}) + Feature(1, 17, Fspt({{kIsolated, 1}}));
  const std::string table = (dir_.Path() / "def" / "EncAttr.ini").string();
  test::WriteFile(table, "116,OBJNAM,S\r\nOBJNAM,116,S\r\n");
  EXPECT_THROW(Open(listing), EConvertError);
  std::filesystem::remove(table);
  EXPECT_THROW(Open(listing), EInOutError);
}

TEST_F(EncTest, ChartCellInsteadOfItsListingIsRefusedWithAHint) {
  const std::string cell = std::string("001583LE1 0900201 ! 3404") + std::string(100, '\0');
  try {
    Open(cell, "US1AK90M.000");
    FAIL() << "a cell was read as a listing";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("chizro-enclist"), std::string::npos) << e.what();
  }
}

TEST_F(EncTest, FeaturesPointingAtOneEdgeWithoutEndAreRefused) {
  // One edge of 5000 vertices, and lines that point at it 300 times each:
  // far more vertices than any chart of this size can hold.
  std::string edge = " VRID 1 8 RCNM=130 RCID=1\r\n SG2D 5000 0";
  for (int i = 0; i < 5000; ++i) edge += " 1 2";
  std::vector<Ref> refs(300, Ref{kEdge, 1, 1, 255});
  std::string features;
  for (int i = 0; i < 10; ++i) features += Feature(2, 30, Fspt(refs));
  EXPECT_THROW(Open(Record(edge + "\r\n") + features), EInOutError);
}

TEST(EncRegistry, KindSixtyOneIsTheChartReader) {
  const auto builder = DefaultBuilders().CreateBuilder(kKindEnc);
  EXPECT_NE(dynamic_cast<TMapBuilder_Enc*>(builder.get()), nullptr);
}

}  // namespace
}  // namespace chizro
