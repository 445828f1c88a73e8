// The 位置合わせ dialog's logic in the window: a user places a 地図XML in
// arbitrary coordinates by clicking its 筆界点 and the same points on the
// 公共座標 original open beside it, or by typing their X and Y. The maps are
// the real 公共座標2系 excerpt and its copies moved by a known similarity
// and a known affine transform (tools/fixtures/placement). The oracle is
// the generator's table of the points in both systems (fit_oracle.tsv) and
// Python's reading of the original's corners (46505-3411-1_excerpt.parcels
// .tsv): placed by the dialog, every vertex of the copy must land within
// 0.1 mm of the original's.
#include "ui/placement_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "model/map_view.h"
#include "platform/convert.h"
#include "platform/sjis.h"
#include "readers/control_sidecar.h"
#include "service/map_service.h"
#include "support/fake_main_host.h"
#include "support/leaf_dump.h"
#include "test_support.h"
#include "ui/main_logic.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;
using test::TFakeHost;

const fs::path kSource = CHIZRO_SOURCE_DIR;

// A control point of the generator's table: the copy's position (x north,
// y east) and the original's plane coordinates (X north, Y east).
struct TOraclePoint {
  std::string Name;
  double x = 0, y = 0, X = 0, Y = 0;
};

std::vector<TOraclePoint> OraclePoints(const std::string& kind) {
  std::vector<TOraclePoint> points;
  for (const test::TableRow& r : test::ReadTable(test::DataPath("placement/fit_oracle.tsv")))
    if (r.at(0) == "point" && r.at(1) == kind)
      points.push_back({r.at(2), std::stod(r.at(3)), std::stod(r.at(4)), std::stod(r.at(5)),
                        std::stod(r.at(6))});
  return points;
}

class PlacementTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::copy(kSource / "def", home.Path() / "def", fs::copy_options::recursive);
    fs::copy_file(kSource / "samples" / "JWC_TEMP.TXT", home.Path() / "JWC_TEMP.TXT");
    host.logic = &logic;
    original = data.File("original.xml");
    fs::copy_file(test::DataPath("moj/46505-3411-1_excerpt.xml"), original);
  }
  void Open(const std::string& file) {
    host.choices.push_back({file, file, TKind::ByContent});
    logic.OpenMap();
  }
  // The copy `name` of tests/data/placement, without its sidecar.
  std::string Copy(const std::string& name) {
    const std::string copy = data.File(name);
    fs::copy_file(test::DataPath("placement/" + name), copy);
    return copy;
  }
  // Looks at `at` (east, north) at 1:500, as a user who pans there, and
  // clicks three pixels off it.
  void ClickNear(TFPoint at) {
    TMapView& view = *logic.Project().View;
    view.CenterX = at.x;
    view.CenterY = at.y;
    logic.Project().SetScale(500);
    const TPoint size = host.ImageSize();
    view.DeviceRect = {0, 0, size.x, size.y};
    view.PixelsPerInch = host.PixelsPerInch();
    view.UpdateTransform();
    host.RepaintImage();  // what is in view loads, as on the screen
    const TPoint p = view.WcToDc(at.x, at.y);
    logic.Click(p.x + 3, p.y - 2);
  }
  const TMapLeaf* LeafOf(const std::string& file) {
    for (int t = 0; t < logic.Project().Themes->Count(); ++t) {
      const TMapLeafGrp& leaves = *logic.Project().Themes->Items(t)->Leaves;
      for (int i = 0; i < leaves.Count(); ++i)
        if (leaves.Items(i)->FileName == file) return leaves.Items(i);
    }
    return nullptr;
  }

  test::TempDir home;
  test::TempDir data;
  TFakeHost host;
  TMainLogic logic{host, nullptr, home.Path().string()};
  std::string original;
};

struct PlacementCase {
  const char* Name;
  const char* Map;   // under tests/data/placement
  const char* Kind;  // the generator's transform: "helmert", "affine"
  TFitKind Fit;
};

class PlacementByClicks : public PlacementTest,
                          public ::testing::WithParamInterface<PlacementCase> {};

// Three points clicked on both maps and a fourth typed: the sidecar holds
// them by name and the map, opened again, lies on the original.
TEST_P(PlacementByClicks, PlacesTheMapOnTheOriginal) {
  const PlacementCase& c = GetParam();
  const std::vector<TOraclePoint> oracle = OraclePoints(c.Kind);
  ASSERT_EQ(oracle.size(), 4u);
  Open(original);
  const std::string copy = Copy(c.Map);
  Open(copy);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  ASSERT_TRUE(LeafOf(copy) && LeafOf(copy)->Zone.IsLocal());

  logic.StartPlacement();
  ASSERT_EQ(host.placementShown, 1);
  TPlacementLogic* placement = logic.Placement();
  ASSERT_NE(placement, nullptr);
  EXPECT_NE(placement->Title().find(c.Map), std::string::npos) << placement->Title();
  EXPECT_NE(placement->Hint().find("筆界点"), std::string::npos);
  if (c.Fit == TFitKind::Affine) placement->SetFit(TFitKind::Affine);

  for (std::size_t i = 0; i < 3; ++i) {
    const TOraclePoint& p = oracle[i];
    ClickNear({p.y, p.x});
    std::vector<TPlacementRow> rows = placement->Rows();
    ASSERT_EQ(rows.size(), i + 1);
    EXPECT_EQ(rows.back().Cells[0], p.Name) << "the click picks the nearest 筆界点";
    EXPECT_EQ(rows.back().Cells[3], "?");
    EXPECT_NE(placement->Hint().find(p.Name), std::string::npos);
    EXPECT_NE(placement->Hint().find("II系"), std::string::npos) << placement->Hint();
    ClickNear({p.Y, p.X});
    rows = placement->Rows();
    ASSERT_EQ(rows.size(), i + 1);
    EXPECT_NEAR(std::stod(rows[i].Cells[3]), p.X, 0.0005) << "snapped to the original's point";
    EXPECT_NEAR(std::stod(rows[i].Cells[4]), p.Y, 0.0005);
  }
  EXPECT_EQ(host.placementChanges, 6);
  EXPECT_TRUE(placement->CanAccept());
  const std::string fitName = c.Fit == TFitKind::Affine ? "アフィン変換 3点" : "ヘルマート変換 3点";
  EXPECT_NE(placement->Summary().find(fitName), std::string::npos) << placement->Summary();

  // A pick taken back, then the fourth point typed in full-width figures.
  ClickNear({oracle[3].y, oracle[3].x});
  ASSERT_EQ(placement->Rows().size(), 4u);
  placement->Remove(3);
  EXPECT_EQ(placement->Rows().size(), 3u);
  EXPECT_NE(placement->EnterTarget("1", "2").find("クリック"), std::string::npos);
  ClickNear({oracle[3].y, oracle[3].x});
  EXPECT_NE(placement->EnterTarget("-297529.38x", "0").find("X"), std::string::npos);
  char x[64], y[64];
  std::snprintf(x, sizeof x, "%.3f", oracle[3].X);
  std::snprintf(y, sizeof y, "%.3f", oracle[3].Y);
  std::string wideX;
  for (const char ch : std::string(x))
    wideX += ch == '-' ? std::string("－") : ch == '.' ? std::string("．")
                                                       : "\xEF\xBC" + std::string(1, static_cast<char>(0x90 + (ch - '0')));
  EXPECT_EQ(placement->EnterTarget(wideX, std::string(" ") + y + " "), "");
  const std::vector<TPlacementRow> rows = placement->Rows();
  ASSERT_EQ(rows.size(), 4u);
  for (const TPlacementRow& row : rows) {
    EXPECT_LT(std::stod(row.Cells[5]), 0.001) << row.Cells[0];
    EXPECT_FALSE(row.Large);
  }
  EXPECT_EQ(placement->Markers().size(), 8u);

  ASSERT_TRUE(logic.FinishPlacement(true));
  EXPECT_EQ(logic.Placement(), nullptr);
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];

  // The sidecar: each point by its name (x and y empty), X and Y as the
  // generator has them, and the fit asked for.
  const std::string sidecar = test::ReadFile(copy + ".gcp");
  EXPECT_NE(sidecar.find(c.Fit == TFitKind::Affine ? "# 変換: アフィン変換\r\n"
                                                    : "# 変換: ヘルマート変換\r\n"),
            std::string::npos)
      << sidecar;
  for (const TOraclePoint& p : oracle) {
    const std::size_t at = sidecar.find("\n" + p.Name + ",,,");
    ASSERT_NE(at, std::string::npos) << p.Name << "\n" << sidecar;
    std::stringstream line(sidecar.substr(at + p.Name.size() + 4));
    double X = 0, Y = 0;
    char comma = 0;
    line >> X >> comma >> Y;
    EXPECT_NEAR(X, p.X, 0.0005) << p.Name;
    EXPECT_NEAR(Y, p.Y, 0.0005) << p.Name;
  }

  // The map opened again in the project's zone, on the original.
  const TMapLeaf* placed = LeafOf(copy);
  ASSERT_NE(placed, nullptr);
  EXPECT_EQ(placed->Zone.Number(), 2);
  ASSERT_FALSE(host.notices.empty());
  EXPECT_NE(host.notices.back().find("位置合わせ: " + std::string(c.Fit == TFitKind::Affine
                                                                     ? "アフィン変換 4点"
                                                                     : "ヘルマート変換 4点")),
            std::string::npos)
      << host.notices.back();
  EXPECT_EQ(host.status.System, "II系 JGD2000");
  host.RepaintImage();
  const TMapLeaf& leaf = *placed;
  ASSERT_TRUE(leaf.Loaded);
  const std::vector<TFPoint> places = test::MojExcerptPlaces();
  const std::string parcel = Utf8ToSjis("筆"), outside = Utf8ToSjis("地区外");
  int checked = 0;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures()) {
      if (fig->ClassCode == parcel || fig->ClassCode == outside) continue;  // label points
      for (const TFPoint& p : fig->Points) {
        double best = 1e300;
        for (const TFPoint& q : places) best = std::min(best, std::hypot(p.x - q.x, p.y - q.y));
        EXPECT_LT(best, 1e-4) << p.x << " " << p.y;
        ++checked;
      }
    }
  EXPECT_GT(checked, 100);
}

INSTANTIATE_TEST_SUITE_P(Fits, PlacementByClicks,
                         ::testing::Values(PlacementCase{"Helmert", "local_helmert.xml", "helmert",
                                                         TFitKind::Helmert},
                                           PlacementCase{"Affine", "local_affine.xml", "affine",
                                                         TFitKind::Affine}),
                         test::RowName<PlacementCase>);

// What the dialog refuses: no map to place, OK without a fit, a cancel
// writes nothing; a sidecar that does not place the map is where the
// dialog starts from.
TEST_F(PlacementTest, RefusalsAndAStartFromTheSidecar) {
  Open(original);
  logic.StartPlacement();
  EXPECT_EQ(logic.Placement(), nullptr);
  ASSERT_EQ(host.notices.size(), 1u);
  EXPECT_NE(host.notices[0].find("位置合わせする地図がありません"), std::string::npos);

  // A sidecar naming a point the map does not have: the map stays
  // unplaced, and the dialog starts with the two points that it has.
  const std::string copy = Copy("local_helmert.xml");
  const std::vector<TOraclePoint> oracle = OraclePoints("helmert");
  std::string gcp = "名前,x,y,X,Y\n";
  for (std::size_t i = 0; i < 2; ++i)
    gcp += oracle[i].Name + ",,," + std::to_string(oracle[i].X) + "," + std::to_string(oracle[i].Y) + "\n";
  gcp += "NOSUCH,,,-297000,-34000\n";
  test::WriteFile(copy + ".gcp", gcp);
  Open(copy);
  ASSERT_TRUE(LeafOf(copy) && LeafOf(copy)->Zone.IsLocal());
  // Under the cursor, the unplaced copy is in arbitrary coordinates, without
  // a latitude; the original beside it is in II系, with one.
  const auto statusAt = [&](double east, double north) {
    ClickNear({east, north});  // centres the view there
    const TPoint p = logic.Project().View->WcToDc(east, north);
    logic.MouseMove(p.x, p.y);
    return host.status;
  };
  // The middle of the control points: inside each map.
  TOraclePoint middle;
  for (const TOraclePoint& p : oracle) {
    middle.x += p.x / static_cast<double>(oracle.size());
    middle.y += p.y / static_cast<double>(oracle.size());
    middle.X += p.X / static_cast<double>(oracle.size());
    middle.Y += p.Y / static_cast<double>(oracle.size());
  }
  TStatusLine status = statusAt(middle.y, middle.x);
  EXPECT_EQ(status.System, "任意座標");
  EXPECT_EQ(status.LatLon, "");
  status = statusAt(middle.Y, middle.X);
  EXPECT_EQ(status.System, "II系 JGD2000");
  // II系's origin is 33°N: 297 km south of it, about 30.3°.
  EXPECT_NE(status.LatLon.find("北緯 30.3"), std::string::npos) << status.LatLon;
  logic.StartPlacement();
  TPlacementLogic* placement = logic.Placement();
  ASSERT_NE(placement, nullptr);
  EXPECT_NE(placement->Note().find("3 点"), std::string::npos) << placement->Note();
  EXPECT_NE(placement->Note().find("1 点はこの地図にありません"), std::string::npos);
  ASSERT_EQ(placement->Rows().size(), 2u);
  EXPECT_EQ(placement->Rows()[0].Cells[0], oracle[0].Name);
  EXPECT_TRUE(placement->CanAccept()) << "two points fix a Helmert transform";

  // The affine fit needs a third point: OK is refused and the dialog stays.
  placement->SetFit(TFitKind::Affine);
  EXPECT_FALSE(placement->CanAccept());
  EXPECT_NE(placement->Summary().find("あと 1 点"), std::string::npos) << placement->Summary();
  const std::size_t errors = host.errors.size();
  EXPECT_FALSE(logic.FinishPlacement(true));
  EXPECT_EQ(host.errors.size(), errors + 1);
  EXPECT_NE(logic.Placement(), nullptr);

  // A change of the project's zone on the way: the points' plane
  // coordinates are of the zone before, so OK is refused.
  placement->SetFit(TFitKind::Helmert);
  ASSERT_TRUE(placement->CanAccept());
  logic.Project().ChooseZone(TZone::Stated(9));
  EXPECT_FALSE(logic.FinishPlacement(true));
  ASSERT_EQ(host.errors.size(), errors + 2);
  EXPECT_NE(host.errors.back().find("座標系が変わりました"), std::string::npos);
  logic.Project().ChooseZone(TZone::Stated(2));

  // A click far from any point picks nothing.
  ClickNear({oracle[0].y + 40, oracle[0].x + 40});
  EXPECT_EQ(placement->Rows().size(), 2u);

  // キャンセル: the sidecar is as it was, the map unplaced.
  EXPECT_TRUE(logic.FinishPlacement(false));
  EXPECT_EQ(logic.Placement(), nullptr);
  EXPECT_EQ(test::ReadFile(copy + ".gcp"), gcp);
  EXPECT_TRUE(LeafOf(copy)->Zone.IsLocal());
}

// A map already placed by its sidecar is placed again: the dialog opens it
// in its own coordinates with the sidecar's points; キャンセル puts it back
// where the sidecar places it; a point removed and OK place it by the rest.
TEST_F(PlacementTest, APlacedMapIsPlacedAgainFromItsSidecar) {
  const std::string copy = Copy("local_helmert.xml");
  const std::string gcp = test::ReadFile(test::DataPath("placement/local_helmert.xml.gcp"));
  test::WriteFile(copy + ".gcp", gcp);
  Open(original);
  Open(copy);
  ASSERT_TRUE(LeafOf(copy) && LeafOf(copy)->Zone.Number() == 2);
  ASSERT_TRUE(LeafOf(copy)->PlacedByControl);
  const std::vector<TOraclePoint> oracle = OraclePoints("helmert");

  for (const bool accept : {false, true}) {
    logic.StartPlacement();
    TPlacementLogic* placement = logic.Placement();
    ASSERT_NE(placement, nullptr);
    ASSERT_TRUE(host.errors.empty()) << host.errors[0];
    // In its own coordinates while the dialog is open: the view is on the
    // copy's control points (the generator's x north, y east), not on the
    // original's plane coordinates.
    const TMapLeaf* local = LeafOf(copy);
    ASSERT_NE(local, nullptr);
    EXPECT_TRUE(local->Zone.IsLocal());
    // Some of the points are the map's outermost: inside to the millimetre.
    const auto within = [](const TFRect& e, double east, double north) {
      return east > e.left - 0.001 && east < e.right + 0.001 && north > e.bottom - 0.001 &&
             north < e.top + 0.001;
    };
    for (const TOraclePoint& p : oracle) EXPECT_TRUE(within(local->Extent, p.y, p.x)) << p.Name;
    ASSERT_EQ(placement->Rows().size(), oracle.size());
    for (std::size_t i = 0; i < oracle.size(); ++i) {
      EXPECT_EQ(placement->Rows()[i].Cells[0], oracle[i].Name);
      EXPECT_NEAR(std::stod(placement->Rows()[i].Cells[1]), oracle[i].x, 0.0005);
    }
    if (!accept) {
      ASSERT_TRUE(logic.FinishPlacement(false));
      EXPECT_EQ(test::ReadFile(copy + ".gcp"), gcp);
      ASSERT_NE(LeafOf(copy), nullptr);
      EXPECT_EQ(LeafOf(copy)->Zone.Number(), 2);
      EXPECT_TRUE(LeafOf(copy)->PlacedByControl);
      for (const TOraclePoint& p : oracle)
        EXPECT_TRUE(within(LeafOf(copy)->Extent, p.Y, p.X)) << p.Name;
      continue;
    }
    placement->Remove(3);
    ASSERT_TRUE(logic.FinishPlacement(true));
    ASSERT_TRUE(host.errors.empty()) << host.errors[0];
  }
  const std::string written = test::ReadFile(copy + ".gcp");
  for (std::size_t i = 0; i < oracle.size(); ++i)
    EXPECT_EQ(written.find("\n" + oracle[i].Name + ",,,") != std::string::npos, i < 3)
        << oracle[i].Name << "\n" << written;
  ASSERT_NE(LeafOf(copy), nullptr);
  EXPECT_EQ(LeafOf(copy)->Zone.Number(), 2);
  EXPECT_NE(host.notices.back().find("ヘルマート変換 3点"), std::string::npos) << host.notices.back();
  EXPECT_TRUE(logic.Project().Unplaced.empty());
}

// In a zip of several maps the dialog places one member: the zip's
// sidecar keeps the other members' parts as they were.
TEST_F(PlacementTest, AMemberOfAZipIsPlacedAgainInItsOwnPart) {
  const std::string zip = data.File("maps.zip");
  fs::copy_file(test::DataPath("placement/two_maps.zip"), zip);
  const std::string gcp = test::ReadFile(test::DataPath("placement/two_maps.zip.gcp"));
  test::WriteFile(zip + ".gcp", gcp);
  Open(original);
  Open(zip);
  const std::string helmert = zip + "|local_helmert.xml", affine = zip + "|local_affine.xml",
                    unplaced = zip + "|unplaced.xml";
  ASSERT_TRUE(LeafOf(helmert) && LeafOf(affine) && LeafOf(unplaced));
  ASSERT_TRUE(LeafOf(helmert)->PlacedByControl);
  // Over the placed members: the first of them, with its part's three points.
  const std::vector<TOraclePoint> oracle = OraclePoints("helmert");
  logic.Project().View->CenterX = oracle[0].Y;
  logic.Project().View->CenterY = oracle[0].X;
  logic.StartPlacement();
  TPlacementLogic* placement = logic.Placement();
  ASSERT_NE(placement, nullptr);
  ASSERT_EQ(placement->LeafFileName(), helmert);
  ASSERT_TRUE(LeafOf(helmert) && LeafOf(helmert)->Zone.IsLocal());
  EXPECT_EQ(LeafOf(affine)->Zone.Number(), 2);
  ASSERT_EQ(placement->Rows().size(), 3u);
  placement->Remove(2);
  ASSERT_TRUE(logic.FinishPlacement(true));
  ASSERT_TRUE(host.errors.empty()) << host.errors[0];

  // The affine member's part as it was, the Helmert one's with two points,
  // none for the third.
  const std::string written = test::ReadFile(zip + ".gcp");
  // A part's lines up to the next part: the comments, then each point's
  // name and X, Y as numbers.
  const auto partOf = [](const std::string& text, const std::string& map) {
    std::vector<std::string> lines;
    std::stringstream in(text.substr(std::min(text.size(), text.find("# 地図: " + map))));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.starts_with("# 地図: ") && !lines.empty()) break;
      const std::size_t comma = line.find(",,,");
      if (comma == std::string::npos) {
        lines.push_back(line);
        continue;
      }
      std::stringstream xy(line.substr(comma + 3));
      double X = 0, Y = 0;
      char c = 0;
      xy >> X >> c >> Y;
      lines.push_back(line.substr(0, comma) + " " + FixedText(X, 3) + " " + FixedText(Y, 3));
    }
    return lines;
  };
  const std::vector<std::string> affinePart = partOf(written, "local_affine.xml");
  EXPECT_EQ(affinePart, partOf(gcp, "local_affine.xml"));
  EXPECT_EQ(affinePart.size(), 6u);
  const std::vector<std::string> helmertPart = partOf(written, "local_helmert.xml");
  ASSERT_EQ(helmertPart.size(), 4u) << written;
  EXPECT_EQ(helmertPart[1], "# 変換: ヘルマート変換");
  EXPECT_EQ(helmertPart[2].substr(0, 6), "62623 ");
  EXPECT_EQ(helmertPart[3].substr(0, 6), "62624 ");
  EXPECT_EQ(written.find("unplaced"), std::string::npos) << written;

  // Each member once: the two placed, the third not.
  int members = 0;
  for (const TMapLeaf* leaf : {LeafOf(helmert), LeafOf(affine), LeafOf(unplaced)})
    if (leaf) ++members;
  EXPECT_EQ(members, 3);
  EXPECT_EQ(logic.Project().Themes->Items(0)->Leaves->Count(), 4);
  EXPECT_EQ(LeafOf(helmert)->Zone.Number(), 2);
  EXPECT_NE(host.notices.back().find("ヘルマート変換 2点"), std::string::npos) << host.notices.back();
  EXPECT_EQ(LeafOf(affine)->Zone.Number(), 2);
  EXPECT_TRUE(LeafOf(unplaced)->Zone.IsLocal());
}

}  // namespace
}  // namespace chizro
