// The control-point fits against numpy's least squares on the same points
// (tests/data/placement/fit_oracle.tsv, recorded by
// tools/fixtures/placement/make_local.py), and their edge cases worked out
// by hand.
#include "coords/control_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

struct TOracleFit {
  std::vector<TControlPoint> Points;
  std::vector<double> Params;  // A0 A1 A2 B0 B1 B2
  double Rmse = 0;
};

std::map<std::string, TOracleFit> ReadOracle() {
  std::map<std::string, TOracleFit> fits;
  for (const TableRow& r : ReadTable(DataPath("placement/fit_oracle.tsv"))) {
    TOracleFit& fit = fits[r.at(1)];
    if (r.at(0) == "point") {
      fit.Points.push_back(
          {r.at(2), std::stod(r.at(3)), std::stod(r.at(4)), std::stod(r.at(5)), std::stod(r.at(6))});
    } else {
      std::stringstream ss(r.at(2));
      for (double v; ss >> v;) fit.Params.push_back(v);
      fit.Rmse = std::stod(r.at(3));
    }
  }
  return fits;
}

TEST(ControlFit, HelmertAndAffineAgreeWithNumpysLeastSquares) {
  for (const auto& [name, oracle] : ReadOracle()) {
    const TControlFit fit =
        FitControlPoints(oracle.Points, name == "affine" ? TFitKind::Affine : TFitKind::Helmert);
    const TPlaneTransform& t = fit.Transform;
    const double got[] = {t.A0, t.A1, t.A2, t.B0, t.B1, t.B2};
    ASSERT_EQ(oracle.Params.size(), 6u) << name;
    // numpy solves the uncentred equations: the factors agree to 1e-9 (0.4 µm
    // over the points' 400 m), the shifts to a micrometre.
    for (int i = 0; i < 6; ++i)
      EXPECT_NEAR(got[i], oracle.Params[static_cast<std::size_t>(i)], i % 3 == 0 ? 1e-6 : 1e-9)
          << name << " parameter " << i;
    EXPECT_NEAR(fit.Rmse, oracle.Rmse, 1e-6) << name;
    for (const TResidual& r : fit.Residuals) EXPECT_LT(r.Length, 1e-6) << name;
  }
}

// Two points fix a similarity exactly: (0,0) -> (100,200) and (10,0) ->
// (100,210) turn the file's north onto the zone's east: a quarter turn,
// scale 1, X = 100 - y, Y = 200 + x.
TEST(ControlFit, TwoPointsGiveTheSimilarityThroughThem) {
  const TControlFit fit =
      FitControlPoints({{"A", 0, 0, 100, 200}, {"B", 10, 0, 100, 210}}, TFitKind::Helmert);
  EXPECT_NEAR(fit.Scale, 1, 1e-12);
  EXPECT_NEAR(fit.Rotation, std::numbers::pi / 2, 1e-12);
  double X = 0, Y = 0;
  fit.Transform.Apply(3, 4, X, Y);
  EXPECT_NEAR(X, 96, 1e-9);
  EXPECT_NEAR(Y, 203, 1e-9);
  EXPECT_NEAR(fit.Rmse, 0, 1e-9);
}

// Sets of points with a few millimetres of noise and at most one blunder
// (tests/data/placement/blunder_oracle.tsv, by
// tools/fixtures/placement/blunder_oracle.py): each point against numpy's fit
// of the others, and only the displaced point flagged. A 2 cm blunder among
// four exact points has the largest residual, about 1 cm: only the check
// against the others flags it.
TEST(ControlFit, EachPointIsCheckedAgainstTheFitOfTheOthers) {
  struct TSet {
    std::vector<TControlPoint> Points;
    std::vector<double> Apart, Sigma;
    int Blunder = -1;
  };
  std::map<std::string, TSet> sets;
  for (const TableRow& r : ReadTable(DataPath("placement/blunder_oracle.tsv"))) {
    TSet& set = sets[r.at(0) + " " + r.at(1)];
    set.Points.push_back(
        {r.at(2), std::stod(r.at(3)), std::stod(r.at(4)), std::stod(r.at(5)), std::stod(r.at(6))});
    if (r.at(7) == "1") set.Blunder = static_cast<int>(set.Points.size()) - 1;
    set.Apart.push_back(std::stod(r.at(8)));
    set.Sigma.push_back(std::stod(r.at(9)));
  }
  ASSERT_EQ(sets.size(), 6u);
  for (const auto& [name, set] : sets) {
    const TControlFit fit = FitControlPoints(
        set.Points, name.ends_with("affine") ? TFitKind::Affine : TFitKind::Helmert);
    std::string flagged;
    for (std::size_t i = 0; i < set.Points.size(); ++i) {
      const TResidual& r = fit.Residuals[i];
      // The oracle's coordinates are to 0.1 mm, its fits to rounding.
      EXPECT_NEAR(r.Apart, set.Apart[i], 1e-7) << name << " " << set.Points[i].Name;
      EXPECT_NEAR(r.OthersSigma, set.Sigma[i], 1e-7) << name << " " << set.Points[i].Name;
      if (r.Large) flagged += set.Points[i].Name;
    }
    const bool checked = set.Apart[0] >= 0;
    EXPECT_EQ(flagged, checked && set.Blunder >= 0 ? set.Points[static_cast<std::size_t>(set.Blunder)].Name
                                                   : "")
        << name;
    const std::string summary = FitSummary(fit, set.Points);
    EXPECT_EQ(summary.find("食い違います") != std::string::npos, !flagged.empty()) << summary;
  }
  // The 2 cm blunder among exact points: the largest residual, under 0.1 m.
  const TSet& square = sets.at("square helmert");
  const TControlFit fit = FitControlPoints(square.Points, TFitKind::Helmert);
  for (std::size_t i = 0; i < square.Points.size(); ++i) {
    if (static_cast<int>(i) == square.Blunder) continue;
    EXPECT_GT(fit.Residuals[2].Length, fit.Residuals[i].Length) << i;
  }
  EXPECT_NE(FitSummary(fit, square.Points).find("点 'P3' は他の点から求めた位置と 0.020 m"),
            std::string::npos)
      << FitSummary(fit, square.Points);
}

// A residual over 0.1 m is named by its length.
TEST(ControlFit, AResidualOverATenthOfAMetreIsNamed) {
  std::vector<TControlPoint> points = ReadOracle().at("helmert").Points;
  points[2].X += 0.32;
  const TControlFit far = FitControlPoints(points, TFitKind::Helmert);
  EXPECT_NE(FitSummary(far, points).find("点 '62675' の残差"), std::string::npos)
      << FitSummary(far, points);
}

struct TRefusal {
  const char* Name;
  std::vector<TControlPoint> Points;
  TFitKind Kind;
  const char* Says;
};
void PrintTo(const TRefusal& r, std::ostream* os) { *os << r.Name; }
class ControlFitRefusal : public ::testing::TestWithParam<TRefusal> {};

TEST_P(ControlFitRefusal, SaysWhy) {
  try {
    FitControlPoints(GetParam().Points, GetParam().Kind);
    ADD_FAILURE() << "fitted";
  } catch (const EControlFitError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().Says), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControlFitRefusal,
    ::testing::Values(
        TRefusal{"OnePoint", {{"A", 0, 0, 1, 1}}, TFitKind::Helmert, "2 点以上必要です"},
        TRefusal{"TwoForAffine",
                 {{"A", 0, 0, 1, 1}, {"B", 5, 0, 6, 1}},
                 TFitKind::Affine,
                 "3 点以上必要です"},
        TRefusal{"OnePlace",
                 {{"A", 7, 7, 1, 1}, {"B", 7, 7, 2, 2}},
                 TFitKind::Helmert,
                 "'A' と 'B' がファイルの同じ位置にあります"},
        TRefusal{"OnALine",
                 {{"A", 0, 0, 1, 1}, {"B", 5, 5, 6, 6}, {"C", 10, 10, 11, 11}},
                 TFitKind::Affine,
                 "一直線"}),
    RowName<TRefusal>);

// Points on a line still fix a similarity.
TEST(ControlFit, PointsOnALineFixAHelmertFit) {
  const TControlFit fit = FitControlPoints(
      {{"A", 0, 0, 1, 1}, {"B", 5, 5, 6, 6}, {"C", 10, 10, 11, 11}}, TFitKind::Helmert);
  EXPECT_NEAR(fit.Scale, 1, 1e-12);
  EXPECT_NEAR(fit.Rmse, 0, 1e-9);
}

}  // namespace
}  // namespace chizro::test
