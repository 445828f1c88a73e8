// The label point (pole of inaccessibility) on the parcel shapes of the
// 地図XML fixtures (tests/data/moj), in metres east and north of their
// south-west corner, against the points worked out by hand.
#include "model/label_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "test_support.h"

namespace chizro::test {
namespace {

struct LabelCase {
  std::string Name;
  std::vector<TFPointGrp> Rings;
  std::vector<TFRect> Allowed;  // the label lies in one of these boxes
};

class LabelPointTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelPointTest, LiesWhereTheHandComputationPutsIt) {
  const LabelCase& c = GetParam();
  const TFPoint at = LabelPoint(c.Rings);
  const bool inside = std::any_of(c.Allowed.begin(), c.Allowed.end(), [&](const TFRect& r) {
    return at.x >= r.left && at.x <= r.right && at.y >= r.bottom && at.y <= r.top;
  });
  EXPECT_TRUE(inside) << at.x << " " << at.y;
}

// Around (x, y), to the search's precision (a thousandth of the longer side).
TFRect Near(double x, double y, double e) { return {x - e, y + e, x + e, y - e}; }

// The L-shaped 100-1 (arms 8 m wide and 30 m long): the point farthest from
// its outline is on the corner square's diagonal, as far from the two outer
// sides as from the inner corner (8, 8): t = √2 (8 - t), t = 8√2/(1+√2).
// The square 100-2 in its notch: its centre. The 10 by 30 m placeholder west
// of 100-1: anywhere on its middle line 5 m from the long sides. A 20 m
// square around a 10 m courtyard: on a corner's diagonal, as far from the
// outer sides as from the courtyard's corner, t = 5√2/(1+√2) = 2.929.
const double kL = 8 * std::sqrt(2.0) / (1 + std::sqrt(2.0));
const double kC = 5 * std::sqrt(2.0) / (1 + std::sqrt(2.0));
const LabelCase kCases[] = {
    {"LShapedParcel",
     {{{0, 0}, {30, 0}, {30, 8}, {8, 8}, {8, 30}, {0, 30}}},
     {Near(kL, kL, 0.03)}},
    {"SquareInTheNotch", {{{8, 8}, {30, 8}, {30, 30}, {8, 30}}}, {Near(19, 19, 0.022)}},
    {"LongRectangle", {{{-10, 0}, {0, 0}, {0, 30}, {-10, 30}}}, {{-5.03, 25, -4.97, 5}}},
    {"SquareAroundACourtyard",
     {{{0, 0}, {20, 0}, {20, 20}, {0, 20}}, {{5, 5}, {15, 5}, {15, 15}, {5, 15}}},
     {Near(kC, kC, 0.02), Near(20 - kC, kC, 0.02), Near(kC, 20 - kC, 0.02),
      Near(20 - kC, 20 - kC, 0.02)}},
};
INSTANTIATE_TEST_SUITE_P(Parcels, LabelPointTest, ::testing::ValuesIn(kCases), RowName<LabelCase>);


// The centroid of a convex ring, by hand: a right triangle's is a third of
// the way from its right angle along each leg; a square far out in a zone
// keeps its millimetres; a ring that turns both ways has none.
TEST(ConvexCentroid, IsWhereTheHandComputationPutsIt) {
  const auto triangle = ConvexCentroid({{0, 0}, {30, 0}, {0, 30}, {0, 0}});
  ASSERT_TRUE(triangle);
  EXPECT_NEAR(triangle->x, 10, 1e-12);
  EXPECT_NEAR(triangle->y, 10, 1e-12);
  const auto far = ConvexCentroid(
      {{-297000.001, 145000.003}, {-296990.001, 145000.003}, {-296990.001, 145010.003},
       {-297000.001, 145010.003}});
  ASSERT_TRUE(far);
  EXPECT_NEAR(far->x, -296995.001, 1e-6);
  EXPECT_NEAR(far->y, 145005.003, 1e-6);
  EXPECT_FALSE(ConvexCentroid({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}));
  // A boundary point 3 mm inside the line of a 20 m side turns it by 0.3
  // milliradian: still convex. 3 cm (3 milliradians) is a corner.
  EXPECT_TRUE(ConvexCentroid({{0, 0}, {10, 0.003}, {20, 0}, {20, 10}, {0, 10}}));
  EXPECT_FALSE(ConvexCentroid({{0, 0}, {10, 0.03}, {20, 0}, {20, 10}, {0, 10}}));
  EXPECT_FALSE(ConvexCentroid({{0, 0}, {10, 0}, {20, 0}}));
}

}  // namespace
}  // namespace chizro::test
