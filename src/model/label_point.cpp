#include "model/label_point.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

namespace chizro {

namespace {

// The square of the distance from `p` to the segment a-b.
double SegmentDistanceSq(TFPoint p, TFPoint a, TFPoint b) {
  double x = a.x, y = a.y;
  double dx = b.x - x, dy = b.y - y;
  if (dx != 0 || dy != 0) {
    const double t = ((p.x - x) * dx + (p.y - y) * dy) / (dx * dx + dy * dy);
    if (t > 1) {
      x = b.x;
      y = b.y;
    } else if (t > 0) {
      x += dx * t;
      y += dy * t;
    }
  }
  dx = p.x - x;
  dy = p.y - y;
  return dx * dx + dy * dy;
}

// Distance from `p` to the outline, negative outside (even-odd rule).
double SignedDistance(TFPoint p, const std::vector<TFPointGrp>& rings) {
  bool inside = false;
  double best = std::numeric_limits<double>::infinity();
  for (const TFPointGrp& ring : rings) {
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
      const TFPoint a = ring[i], b = ring[j];
      if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
        inside = !inside;
      best = std::min(best, SegmentDistanceSq(p, a, b));
    }
  }
  return (inside ? 1 : -1) * std::sqrt(best);
}

}  // namespace

TFPoint LabelPoint(const std::vector<TFPointGrp>& rings) {
  if (rings.empty() || rings.front().empty()) return {};
  const TFPointGrp& outer = rings.front();
  double minX = outer[0].x, maxX = minX, minY = outer[0].y, maxY = minY;
  for (const TFPoint& p : outer) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const double width = maxX - minX, height = maxY - minY;
  const double longest = std::max(width, height);
  if (!(longest > 0)) return outer[0];
  // Cells start no smaller than 1/64 of the longer side: a thin parcel is
  // covered by a bounded number of them.
  const double cellSize = std::max(std::min(width, height), longest / 64);
  const double precision = std::max(0.001, longest / 1000);

  struct TCell {
    TFPoint c;
    double h, d, max;
    bool operator<(const TCell& o) const { return max < o.max; }
  };
  const auto cell = [&](double x, double y, double h) {
    const double d = SignedDistance({x, y}, rings);
    return TCell{{x, y}, h, d, d + h * std::sqrt(2.0)};
  };
  std::priority_queue<TCell> queue;
  const double h0 = cellSize / 2;
  const int nx = std::clamp(static_cast<int>(std::ceil(width / cellSize)), 1, 64);
  const int ny = std::clamp(static_cast<int>(std::ceil(height / cellSize)), 1, 64);
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j)
      queue.push(cell(minX + i * cellSize + h0, minY + j * cellSize + h0, h0));

  // The area centroid and the middle of the box as first guesses.
  double area = 0, cx = 0, cy = 0;
  for (std::size_t i = 0, j = outer.size() - 1; i < outer.size(); j = i++) {
    const double f = outer[i].x * outer[j].y - outer[j].x * outer[i].y;
    cx += (outer[i].x + outer[j].x) * f;
    cy += (outer[i].y + outer[j].y) * f;
    area += f * 3;
  }
  TCell best = area != 0 ? cell(cx / area, cy / area, 0) : cell(outer[0].x, outer[0].y, 0);
  const TCell middle = cell(minX + width / 2, minY + height / 2, 0);
  if (middle.d > best.d) best = middle;

  for (int steps = 0; !queue.empty() && steps < 4000; ++steps) {
    const TCell c = queue.top();
    queue.pop();
    if (c.d > best.d) best = c;
    if (c.max - best.d <= precision) continue;
    const double h = c.h / 2;
    queue.push(cell(c.c.x - h, c.c.y - h, h));
    queue.push(cell(c.c.x + h, c.c.y - h, h));
    queue.push(cell(c.c.x - h, c.c.y + h, h));
    queue.push(cell(c.c.x + h, c.c.y + h, h));
  }
  return best.c;
}

// The sine of the largest turn ConvexCentroid takes for a straight line.
constexpr double kStraightTurn = 1e-3;

std::optional<TFPoint> ConvexCentroid(const TFPointGrp& ring) {
  const std::size_t n =
      ring.size() > 1 && ring.front() == ring.back() ? ring.size() - 1 : ring.size();
  if (n < 3) return std::nullopt;
  const TFPoint o = ring[0];
  int turn = 0;
  double area = 0, cx = 0, cy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const TFPoint a{ring[i].x - o.x, ring[i].y - o.y};
    const TFPoint b{ring[(i + 1) % n].x - o.x, ring[(i + 1) % n].y - o.y};
    const TFPoint c{ring[(i + 2) % n].x - o.x, ring[(i + 2) % n].y - o.y};
    const double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
    // A turn of less than a milliradian is straight: surveyed points along
    // one boundary line stand a few millimetres off it, and a ring that is
    // convex but for such turns still holds its centroid well inside.
    const double lengths = std::hypot(b.x - a.x, b.y - a.y) * std::hypot(c.x - b.x, c.y - b.y);
    if (std::fabs(cross) > kStraightTurn * lengths) {
      const int sign = cross > 0 ? 1 : -1;
      if (turn != 0 && sign != turn) return std::nullopt;
      turn = sign;
    }
    const double f = a.x * b.y - b.x * a.y;
    cx += (a.x + b.x) * f;
    cy += (a.y + b.y) * f;
    area += f;
  }
  if (turn == 0 || area == 0) return std::nullopt;
  return TFPoint{o.x + cx / (3 * area), o.y + cy / (3 * area)};
}

}  // namespace chizro
