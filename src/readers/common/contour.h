// Contour lines of a regular grid by marching squares.
//
// The grid holds one value per node, row 0 first, x fastest; NaN marks a
// node without data. A square of four neighbouring nodes with data is
// contoured whole. A square with one or two nodes without data is split at
// the middles of its edges into four parts, one per corner, and only the
// parts at corners with data are contoured (the middle of an edge takes the
// mean of its ends, or the one end's value, the centre the mean of the
// corners with data): lines reach half a cell towards a node without data
// and end there, never crossing it.
//
// Levels are the multiples k·interval. A node is "high" for level k when its
// value is ≥ k·interval; a level crosses an edge between a high and a low
// node, at the point found by linear interpolation. A square whose diagonal
// corners are high and low in turn (a saddle) is decided by the mean of its
// four corners: when the mean is high, the two high corners are joined
// through the middle of the square and the lines cut off the low corners;
// otherwise the lines cut off the high corners.
//
// The segments of all squares are joined into lines as the rows are swept:
// every crossing of an edge is shared by the two squares on either side of
// it, and the segments meeting there belong to one line. Each line runs with
// the higher ground on its right. A line that comes back to where it began
// is closed: its last point repeats its first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chizro {

// The lines of one grid, in grid coordinates: x is the column of a node and
// y its row (fractions between nodes). Points of line i are Points[First[i]]
// .. Points[First[i] + Count[i] - 1].
struct TContourSet {
  struct Point {
    double x = 0;
    double y = 0;
  };
  struct Line {
    std::size_t First = 0;
    std::size_t Count = 0;
    std::int64_t Level = 0;  // the line's elevation is Level · interval
    bool Closed = false;
  };
  std::vector<Point> Points;
  std::vector<Line> Lines;
};

// Upper bound of the points a grid may produce; beyond it TraceContours
// fails (an interval far too fine for the grid's relief).
inline constexpr std::size_t kMaxContourPoints = std::size_t{1} << 25;
// ... and the most crossings of the levels with the grid's edges: eight per
// edge on average (real terrain at 1 m gives fewer than one), but at least
// kMinContourBudget, so that small grids of steep relief still trace.
inline constexpr std::size_t kMaxCrossingsPerEdge = 8;
inline constexpr std::size_t kMinContourBudget = std::size_t{1} << 16;
// Upper bound of the levels between the lowest and highest value.
inline constexpr double kMaxContourLevels = 200000;

enum class TContourStatus { Ok, TooManyLevels, TooManyPoints };

// Contours `values` (width · height nodes) at every multiple of `interval`
// (> 0). Fills `out` (emptied first) and reports whether the bounds above
// were kept; on failure `out` holds the complete lines traced so far.
TContourStatus TraceContours(const float* values, int width, int height, double interval,
                             TContourSet& out);

}  // namespace chizro
