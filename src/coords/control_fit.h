// Placing a map drawn in arbitrary coordinates (任意座標) by control points:
// points whose position in the file (x north, y east [m], as 地図XML and
// surveyors write them) and whose plane rectangular coordinates (X north,
// Y east [m], in the project's zone) are both known. Two fits, as the land
// surveyors' tools for this offer:
//
//   Helmert (similarity, 4 parameters): scale, rotation and shift; exact
//     through two points, least squares through more;
//   affine (6 parameters): a scale and a shear per axis as well; least
//     squares through three points or more, not all on one line.
//
// Every point's residual (observed minus fitted) and the root mean square of
// their lengths come with the fit, so that a surveyor sees a blunder.
#pragma once

#include <string>
#include <vector>

#include "platform/errors.h"

namespace chizro {

// Control points that admit no fit of the kind asked for.
class EControlFitError final : public EChizroError {
public:
  using EChizroError::EChizroError;
};

enum class TFitKind { Helmert, Affine };

// X = A0 + A1 x + A2 y, Y = B0 + B1 x + B2 y: the file's (x, y) to the
// zone's (X, Y), in double precision.
struct TPlaneTransform {
  double A0 = 0, A1 = 1, A2 = 0;
  double B0 = 0, B1 = 0, B2 = 1;

  void Apply(double x, double y, double& X, double& Y) const noexcept {
    X = A0 + A1 * x + A2 * y;
    Y = B0 + B1 * x + B2 * y;
  }
};

struct TControlPoint {
  std::string Name;  // UTF-8, for messages and the list of residuals
  double x = 0, y = 0;  // in the file
  double X = 0, Y = 0;  // in the zone
};

struct TResidual {
  double dX = 0, dY = 0, Length = 0;  // observed minus fitted [m]
  // How far the point lies from where the fit of the other points puts it
  // [m], and the standard deviation of one coordinate that those others'
  // residuals show; both negative when the other points alone leave no
  // check (no more than the fit needs).
  double Apart = -1, OthersSigma = -1;
  // Longer than kLargeResidual, or a blunder (see kBlunderApart).
  bool Large = false;
};

struct TControlFit {
  TFitKind Kind = TFitKind::Helmert;
  TPlaneTransform Transform;
  // Helmert: the scale and the rotation [rad] (from the file's x axis
  // towards its y axis); for an affine fit those of its mean.
  double Scale = 1;
  double Rotation = 0;
  double Rmse = 0;                   // sqrt of the mean squared residual length [m]
  std::vector<TResidual> Residuals;  // in the order of the points
};

// A residual longer than this [m] is flagged to the user.
inline constexpr double kLargeResidual = 0.1;

// A least-squares fit spreads one point's error over all of them: a point
// 2 cm off among four exact ones has a residual of about 1 cm, the others
// some 5 mm. So each point is also checked against the fit of the others (a
// leave-one-out check): it is a blunder when it lies more than
// kBlunderApart from where they put it, and further than their own scatter
// explains: the squared distance, scaled by the variance the others' fit
// predicts there, exceeds the F(2, f) quantile that a sound point exceeds
// with the chance kBlunderRisk (f: the others' redundancy). 1 cm is finer
// than the registry's best accuracy class (甲一, a standard deviation of
// 2 cm) and coarser than a drawing's rounding.
inline constexpr double kBlunderApart = 0.01;
inline constexpr double kBlunderRisk = 0.01;

// Fits `points` by `kind`. EControlFitError (a message in Japanese naming
// the points) for fewer points than the fit needs (two for Helmert, three
// for affine), for two points at one place in the file, and for points all
// on one line for the affine fit.
TControlFit FitControlPoints(const std::vector<TControlPoint>& points, TFitKind kind);

// The fit in a line for the user: "ヘルマート変換 4点 RMSE 0.004 m", with the
// flagged points (TResidual::Large) named after it.
std::string FitSummary(const TControlFit& fit, const std::vector<TControlPoint>& points);

}  // namespace chizro
