#include "coords/control_fit.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <cstdio>

namespace chizro {
namespace {

// Two points closer than this in the file [m] are one place.
constexpr double kSamePlace = 0.0005;

struct TMeans {
  double x = 0, y = 0, X = 0, Y = 0;
};

TMeans MeansOf(const std::vector<TControlPoint>& points) {
  TMeans m;
  for (const TControlPoint& p : points) {
    m.x += p.x;
    m.y += p.y;
    m.X += p.X;
    m.Y += p.Y;
  }
  const auto n = static_cast<double>(points.size());
  m.x /= n;
  m.y /= n;
  m.X /= n;
  m.Y /= n;
  return m;
}

void CheckPlaces(const std::vector<TControlPoint>& points) {
  // Sorted by x, only neighbours closer than kSamePlace in x can be at one
  // place; of the pairs found, the first in the points' order is named.
  std::vector<std::size_t> order(points.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return points[a].x < points[b].x; });
  std::optional<std::pair<std::size_t, std::size_t>> first;
  for (std::size_t k = 0; k < order.size(); ++k)
    for (std::size_t l = k + 1; l < order.size() && points[order[l]].x - points[order[k]].x < kSamePlace;
         ++l) {
      const TControlPoint& a = points[order[k]];
      const TControlPoint& b = points[order[l]];
      if (std::hypot(a.x - b.x, a.y - b.y) >= kSamePlace) continue;
      const std::pair<std::size_t, std::size_t> pair = std::minmax(order[k], order[l]);
      if (!first || pair < *first) first = pair;
    }
  if (first)
    throw EControlFitError("基準にする点 '" + points[first->first].Name + "' と '" +
                           points[first->second].Name + "' がファイルの同じ位置にあります");
}

// Centred coordinates keep the sums small: a zone's coordinates are up to
// hundreds of kilometres, the spread of a map's points a few hundred metres.
TPlaneTransform Helmert(const std::vector<TControlPoint>& points, const TMeans& m) {
  double sxx = 0, sa = 0, sb = 0;
  for (const TControlPoint& p : points) {
    const double x = p.x - m.x, y = p.y - m.y, X = p.X - m.X, Y = p.Y - m.Y;
    sxx += x * x + y * y;
    sa += x * X + y * Y;
    sb += x * Y - y * X;
  }
  const double a = sa / sxx, b = sb / sxx;
  TPlaneTransform t;
  t.A1 = a;
  t.A2 = -b;
  t.B1 = b;
  t.B2 = a;
  t.A0 = m.X - a * m.x + b * m.y;
  t.B0 = m.Y - b * m.x - a * m.y;
  return t;
}

// The leverage of each point in the least-squares fit (the diagonal of the
// hat matrix, the same for X and Y): with centred coordinates 1/n plus the
// point's share of the spread, for Helmert of the spread about the centre,
// for affine of the covariance of x and y.
std::vector<double> Leverages(const std::vector<TControlPoint>& points, const TMeans& m,
                              TFitKind kind) {
  const auto n = static_cast<double>(points.size());
  double sxx = 0, sxy = 0, syy = 0;
  for (const TControlPoint& p : points) {
    const double x = p.x - m.x, y = p.y - m.y;
    sxx += x * x;
    sxy += x * y;
    syy += y * y;
  }
  const double det = sxx * syy - sxy * sxy;
  std::vector<double> h;
  h.reserve(points.size());
  for (const TControlPoint& p : points) {
    const double x = p.x - m.x, y = p.y - m.y;
    if (kind == TFitKind::Helmert)
      h.push_back(1 / n + (x * x + y * y) / (sxx + syy));
    else
      h.push_back(1 / n + (x * x * syy - 2 * x * y * sxy + y * y * sxx) / det);
  }
  return h;
}

// Each point against the fit of the others, without fitting again. In a
// linear least-squares fit with leverage h, the deleted residual is
// e / (1 - h), the others' sum of squares is the whole one less
// |e|^2 / (1 - h), and the variance of the deleted residual per coordinate
// is sigma^2 / (1 - h). With the two coordinates' squares summed,
// |e|^2 / ((1 - h) 2 sigma^2) follows F(2, f) for a sound point, whose
// quantile has a closed form: P(F > q) = (1 + 2q/f)^(-f/2).
void CheckAgainstOthers(TControlFit& fit, const std::vector<double>& leverage, double sum,
                        std::size_t unknowns) {
  const std::size_t n = fit.Residuals.size();
  if (2 * (n - 1) <= unknowns) return;
  const auto f = static_cast<double>(2 * (n - 1) - unknowns);
  const double quantile = f / 2 * (std::pow(kBlunderRisk, -2 / f) - 1);
  for (std::size_t i = 0; i < n; ++i) {
    TResidual& r = fit.Residuals[i];
    const double free = 1 - leverage[i];
    // A point the others cannot check (far out on its own) stays unjudged.
    if (!(free > 1e-9)) continue;
    const double squares = r.Length * r.Length;
    const double variance = std::max(0.0, sum - squares / free) / f;
    r.Apart = r.Length / free;
    r.OthersSigma = std::sqrt(variance);
    if (r.Apart > kBlunderApart && squares > quantile * 2 * variance * free) r.Large = true;
  }
}

TPlaneTransform Affine(const std::vector<TControlPoint>& points, const TMeans& m) {
  double sxx = 0, sxy = 0, syy = 0, sxX = 0, syX = 0, sxY = 0, syY = 0;
  for (const TControlPoint& p : points) {
    const double x = p.x - m.x, y = p.y - m.y, X = p.X - m.X, Y = p.Y - m.Y;
    sxx += x * x;
    sxy += x * y;
    syy += y * y;
    sxX += x * X;
    syX += y * X;
    sxY += x * Y;
    syY += y * Y;
  }
  const double det = sxx * syy - sxy * sxy;
  // Points on one line leave the normal equations singular (up to rounding).
  if (!(det > 1e-12 * sxx * syy) || sxx <= 0 || syy <= 0)
    throw EControlFitError("基準にする点が一直線に並んでいるため、アフィン変換を求められません");
  TPlaneTransform t;
  t.A1 = (sxX * syy - syX * sxy) / det;
  t.A2 = (syX * sxx - sxX * sxy) / det;
  t.B1 = (sxY * syy - syY * sxy) / det;
  t.B2 = (syY * sxx - sxY * sxy) / det;
  t.A0 = m.X - t.A1 * m.x - t.A2 * m.y;
  t.B0 = m.Y - t.B1 * m.x - t.B2 * m.y;
  return t;
}

}  // namespace

TControlFit FitControlPoints(const std::vector<TControlPoint>& points, TFitKind kind) {
  const std::size_t needed = kind == TFitKind::Helmert ? 2 : 3;
  if (points.size() < needed)
    throw EControlFitError(std::string(kind == TFitKind::Helmert ? "ヘルマート変換" : "アフィン変換") +
                           "には基準にする点が " + std::to_string(needed) + " 点以上必要です (" +
                           std::to_string(points.size()) + " 点しかありません)");
  for (const TControlPoint& p : points)
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.X) || !std::isfinite(p.Y))
      throw EControlFitError("基準にする点 '" + p.Name + "' の座標が数値ではありません");
  CheckPlaces(points);
  const TMeans m = MeansOf(points);
  TControlFit fit;
  fit.Kind = kind;
  fit.Transform = kind == TFitKind::Helmert ? Helmert(points, m) : Affine(points, m);
  const TPlaneTransform& t = fit.Transform;
  // The similarity nearest to the transform: for Helmert the transform.
  const double a = (t.A1 + t.B2) / 2, b = (t.B1 - t.A2) / 2;
  fit.Scale = std::hypot(a, b);
  fit.Rotation = std::atan2(b, a);
  double sum = 0;
  for (const TControlPoint& p : points) {
    double X = 0, Y = 0;
    t.Apply(p.x, p.y, X, Y);
    TResidual r{p.X - X, p.Y - Y, 0};
    r.Length = std::hypot(r.dX, r.dY);
    r.Large = r.Length > kLargeResidual;
    sum += r.Length * r.Length;
    fit.Residuals.push_back(r);
  }
  fit.Rmse = std::sqrt(sum / static_cast<double>(points.size()));
  CheckAgainstOthers(fit, Leverages(points, m, kind), sum, 2 * needed);
  return fit;
}

std::string FitSummary(const TControlFit& fit, const std::vector<TControlPoint>& points) {
  char rmse[32];
  std::snprintf(rmse, sizeof rmse, "%.3f", fit.Rmse);
  std::string s = std::string(fit.Kind == TFitKind::Helmert ? "ヘルマート変換 " : "アフィン変換 ") +
                  std::to_string(points.size()) + "点 RMSE " + rmse + " m";
  for (std::size_t i = 0; i < fit.Residuals.size() && i < points.size(); ++i) {
    const TResidual& residual = fit.Residuals[i];
    if (!residual.Large) continue;
    char r[32];
    if (residual.Length > kLargeResidual) {
      std::snprintf(r, sizeof r, "%.3f", residual.Length);
      s += "、点 '" + points[i].Name + "' の残差 " + r + " m が大きすぎます";
    } else {
      std::snprintf(r, sizeof r, "%.3f", residual.Apart);
      s += "、点 '" + points[i].Name + "' は他の点から求めた位置と " + r + " m 食い違います";
    }
  }
  return s;
}

}  // namespace chizro
