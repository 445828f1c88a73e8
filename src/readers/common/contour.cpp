#include "readers/common/contour.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace chizro {

namespace {

// The levels k that cross an edge or square whose values span [lo, hi]: those
// with lo < k·interval ≤ hi, the rule of "high" being value ≥ k·interval.
struct TLevelRange {
  std::int64_t First = 0;
  std::int64_t Last = -1;  // empty when Last < First
};

TLevelRange LevelsBetween(double lo, double hi, double interval, double inverse) {
  TLevelRange r;
  r.First = static_cast<std::int64_t>(std::floor(lo * inverse)) + 1;
  // The division may round across a level: settle on the exact comparison.
  while (static_cast<double>(r.First - 1) * interval > lo) --r.First;
  while (static_cast<double>(r.First) * interval <= lo) ++r.First;
  r.Last = static_cast<std::int64_t>(std::floor(hi * inverse));
  while (static_cast<double>(r.Last + 1) * interval <= hi) ++r.Last;
  while (static_cast<double>(r.Last) * interval > hi) --r.Last;
  return r;
}

// The crossings of a row of edges: for edge i the levels First[i] ..
// First[i] + n - 1 have slots Slots[Offset[i]] onwards. A slot holds the
// line that has an open end at that crossing.
struct TEdgeRow {
  std::vector<std::int64_t> First;
  std::vector<std::size_t> Offset;
  std::vector<std::int32_t> Slots;

  // False when the row has more crossings than a grid may have points.
  bool Build(std::size_t edges, double interval, double inverse, const auto& ends) {
    First.assign(edges, 0);
    Offset.assign(edges + 1, 0);
    std::size_t total = 0;
    for (std::size_t i = 0; i < edges; ++i) {
      Offset[i] = total;
      const auto [u, w] = ends(i);
      if (!std::isfinite(u) || !std::isfinite(w)) continue;
      const TLevelRange r = LevelsBetween(std::min(u, w), std::max(u, w), interval, inverse);
      First[i] = r.First;
      if (r.Last >= r.First) total += static_cast<std::size_t>(r.Last - r.First + 1);
    }
    Offset[edges] = total;
    // Crossings grow with the relief over the interval, which the file's
    // numbers set: real terrain gives well under one per edge.
    const std::size_t budget = std::max(kMinContourBudget, kMaxCrossingsPerEdge * edges);
    if (total > kMaxContourPoints || total > budget) return false;
    Slots.assign(total, -1);
    return true;
  }
  std::int32_t* Slot(std::size_t edge, std::int64_t level) {
    return &Slots[Offset[edge] + static_cast<std::size_t>(level - First[edge])];
  }
};

struct TNode {
  double x = 0;
  double y = 0;
  std::int32_t next = -1;
};

struct TLine {
  std::int32_t head = -1;
  std::int32_t tail = -1;
  std::int32_t* headSlot = nullptr;  // null: the end lies at the edge of the data
  std::int32_t* tailSlot = nullptr;
  std::int64_t level = 0;
  bool closed = false;
  bool merged = false;  // joined into another line
};

class TTracer {
public:
  TTracer(const float* values, int width, int height, double interval)
      : v_(values), w_(static_cast<std::size_t>(width)), h_(static_cast<std::size_t>(height)),
        interval_(interval), inverse_(1 / interval) {}

  TContourStatus Run(TContourSet& out) {
    TContourStatus status = Sweep();
    Emit(out);
    return status;
  }

private:
  // The edges of a square, and where each crossing's slot is.
  enum TEdge { kTop, kRight, kBottom, kLeft };

  double V(std::size_t r, std::size_t c) const { return v_[r * w_ + c]; }
  bool HorizontalEdges(std::size_t r, TEdgeRow& row) const {
    return row.Build(w_ - 1, interval_, inverse_, [&](std::size_t c) {
      return std::pair<double, double>{V(r, c), V(r, c + 1)};
    });
  }

  // Where the open end of a line at a crossing is kept: a slot of an edge
  // row (an edge between two nodes, shared with the neighbouring square) or
  // a slot of its own (an edge inside a square).
  struct TSlotRef {
    TEdgeRow* row = nullptr;
    std::size_t edge = 0;
    std::int32_t* local = nullptr;
    bool shared = false;  // the square (or part) across the edge is contoured
    bool fresh = false;   // ... and comes after this one
    std::int32_t* Slot(std::int64_t k) const { return local ? local : row->Slot(edge, k); }
  };

  // A square of the marching: corner values top-left, top-right,
  // bottom-right, bottom-left, its corners' place and its edges' slots.
  struct TCell {
    double v[4] = {};
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    TSlotRef slot[4];
  };

  TContourStatus Sweep() {
    if (w_ < 2 || h_ < 2) return TContourStatus::Ok;
    TEdgeRow top, bottom, vertical;
    if (!HorizontalEdges(0, top)) return TContourStatus::TooManyPoints;
    for (std::size_t r = 0; r + 1 < h_; ++r) {
      if (!HorizontalEdges(r + 1, bottom) ||
          !vertical.Build(w_, interval_, inverse_, [&](std::size_t c) {
            return std::pair<double, double>{V(r, c), V(r + 1, c)};
          }))
        return TContourStatus::TooManyPoints;
      for (std::size_t c = 0; c + 1 < w_; ++c) {
        TCell cell;
        cell.v[0] = V(r, c);
        cell.v[1] = V(r, c + 1);
        cell.v[2] = V(r + 1, c + 1);
        cell.v[3] = V(r + 1, c);
        const int valid = std::isfinite(cell.v[0]) + std::isfinite(cell.v[1]) +
                          std::isfinite(cell.v[2]) + std::isfinite(cell.v[3]);
        if (valid < 2) continue;  // no edge with data at both ends
        cell.x0 = static_cast<double>(c);
        cell.y0 = static_cast<double>(r);
        cell.x1 = cell.x0 + 1;
        cell.y1 = cell.y0 + 1;
        // A crossing lies on an edge with data at both ends; the square on
        // the other side has that edge too, when there is one.
        cell.slot[kTop] = {&top, c, nullptr, r > 0, false};
        cell.slot[kRight] = {&vertical, c + 1, nullptr, c + 2 < w_, true};
        cell.slot[kBottom] = {&bottom, c, nullptr, r + 2 < h_, true};
        cell.slot[kLeft] = {&vertical, c, nullptr, c > 0, false};
        const bool ok = valid == 4 ? Square(cell) : SplitSquare(cell);
        if (!ok) return TContourStatus::TooManyPoints;
      }
      std::swap(top, bottom);
    }
    return TContourStatus::Ok;
  }

  TLevelRange Levels(const double* v, int n) const {
    double lo = INFINITY, hi = -INFINITY;
    for (int i = 0; i < n; ++i) {
      if (!std::isfinite(v[i])) continue;
      lo = std::min(lo, v[i]);
      hi = std::max(hi, v[i]);
    }
    return LevelsBetween(lo, hi, interval_, inverse_);
  }

  bool Square(const TCell& cell) {
    const TLevelRange range = Levels(cell.v, 4);
    for (std::int64_t k = range.First; k <= range.Last; ++k)
      if (!Cell(cell, k, static_cast<double>(k) * interval_)) return false;
    return true;
  }

  // A square with one or two corners without data is split at the middles
  // of its edges into four parts, one per corner; the parts at corners with
  // data are contoured. The middle of an edge takes the mean of its ends
  // (the one end's value when the other has no data), the centre the mean of
  // the corners with data. So lines reach half a cell towards a node
  // without data, and no further.
  bool SplitSquare(const TCell& sq) {
    const double* v = sq.v;
    const auto mid = [](double p, double q) {
      return !std::isfinite(p) ? q : !std::isfinite(q) ? p : (p + q) / 2;
    };
    double sum = 0;
    int n = 0;
    for (int i = 0; i < 4; ++i)
      if (std::isfinite(v[i])) sum += v[i], ++n;
    const double mT = mid(v[0], v[1]), mR = mid(v[1], v[2]), mB = mid(v[3], v[2]),
                 mL = mid(v[0], v[3]), mC = sum / n;
    const double xm = (sq.x0 + sq.x1) / 2, ym = (sq.y0 + sq.y1) / 2;
    const bool ok[4] = {std::isfinite(v[0]), std::isfinite(v[1]), std::isfinite(v[2]),
                        std::isfinite(v[3])};
    // The inner edges, from the middle of an outer edge to the centre:
    // 0 top (between parts 0 and 1), 1 right (1, 2), 2 bottom (2, 3),
    // 3 left (3, 0). Parts are taken in the order 0, 1, 2, 3.
    std::int32_t inner[4];
    const auto innerRef = [&](int edge, bool later, bool shared) {
      TSlotRef s;
      s.local = &inner[edge];
      s.shared = shared;
      s.fresh = later;
      return s;
    };
    // An outer half edge: the full edge's slots when both ends have data.
    const auto outer = [&](int edge, bool both) {
      TSlotRef s = sq.slot[edge];
      s.shared = s.shared && both;
      return s;
    };
    TCell part[4];
    // Top-left part.
    part[0] = {{v[0], mT, mC, mL}, sq.x0, sq.y0, xm, ym, {}};
    part[0].slot[kTop] = outer(kTop, ok[1]);
    part[0].slot[kRight] = innerRef(0, true, ok[1]);
    part[0].slot[kBottom] = innerRef(3, true, ok[3]);
    part[0].slot[kLeft] = outer(kLeft, ok[3]);
    // Top-right part.
    part[1] = {{mT, v[1], mR, mC}, xm, sq.y0, sq.x1, ym, {}};
    part[1].slot[kTop] = outer(kTop, ok[0]);
    part[1].slot[kRight] = outer(kRight, ok[2]);
    part[1].slot[kBottom] = innerRef(1, true, ok[2]);
    part[1].slot[kLeft] = innerRef(0, false, ok[0]);
    // Bottom-right part.
    part[2] = {{mC, mR, v[2], mB}, xm, ym, sq.x1, sq.y1, {}};
    part[2].slot[kTop] = innerRef(1, false, ok[1]);
    part[2].slot[kRight] = outer(kRight, ok[1]);
    part[2].slot[kBottom] = outer(kBottom, ok[3]);
    part[2].slot[kLeft] = innerRef(2, true, ok[3]);
    // Bottom-left part.
    part[3] = {{mL, mC, mB, v[3]}, sq.x0, ym, xm, sq.y1, {}};
    part[3].slot[kTop] = innerRef(3, false, ok[0]);
    part[3].slot[kRight] = innerRef(2, false, ok[2]);
    part[3].slot[kBottom] = outer(kBottom, ok[2]);
    part[3].slot[kLeft] = outer(kLeft, ok[0]);
    const double all[9] = {v[0], v[1], v[2], v[3], mT, mR, mB, mL, mC};
    const TLevelRange range = Levels(all, 9);
    for (std::int64_t k = range.First; k <= range.Last; ++k) {
      const double level = static_cast<double>(k) * interval_;
      std::fill(std::begin(inner), std::end(inner), -1);
      for (int i = 0; i < 4; ++i)
        if (ok[i] && !Cell(part[i], k, level)) return false;
    }
    return true;
  }

  // Marching squares on one square (or part) at level k.
  bool Cell(const TCell& cell, std::int64_t k, double level) {
    const double a = cell.v[0], b = cell.v[1], d = cell.v[2], e = cell.v[3];
    const bool ha = a >= level, hb = b >= level, hd = d >= level, he = e >= level;
    // An edge is entered (walking with the high ground on the right) when
    // the node on the right of the walker going into the square is high.
    const bool entry[4] = {ha, hb, hd, he};
    const bool cross[4] = {ha != hb, hb != hd, he != hd, ha != he};
    const int n = cross[0] + cross[1] + cross[2] + cross[3];
    if (n == 0) return true;
    // Crossing points, each edge taken from its west or north end.
    const double x0 = cell.x0, y0 = cell.y0, x1 = cell.x1, y1 = cell.y1;
    TNode p[4];
    if (cross[kTop]) p[kTop] = {x0 + (x1 - x0) * (level - a) / (b - a), y0};
    if (cross[kRight]) p[kRight] = {x1, y0 + (y1 - y0) * (level - b) / (d - b)};
    if (cross[kBottom]) p[kBottom] = {x0 + (x1 - x0) * (level - e) / (d - e), y1};
    if (cross[kLeft]) p[kLeft] = {x0, y0 + (y1 - y0) * (level - a) / (e - a)};
    if (n == 2) {
      int first = -1, second = -1;
      for (int i = 0; i < 4; ++i)
        if (cross[i]) (first < 0 ? first : second) = i;
      return entry[first] ? Segment(cell, k, first, second, p)
                          : Segment(cell, k, second, first, p);
    }
    // A saddle. When the mean is on the side of a and d, the lines cut off
    // b (top-right) and e (bottom-left); otherwise they cut off a and d.
    const bool centreHigh = (a + b + d + e) / 4 >= level;
    const int s0b = centreHigh == ha ? kRight : kLeft;
    const int s1a = centreHigh == ha ? kLeft : kRight;
    for (const auto& [u, w] :
         {std::pair<int, int>{kTop, s0b}, std::pair<int, int>{s1a, kBottom}}) {
      if (!(entry[u] ? Segment(cell, k, u, w, p) : Segment(cell, k, w, u, p))) return false;
    }
    return true;
  }

  std::int32_t NewNode(const TNode& p) {
    nodes_.push_back({p.x, p.y, -1});
    return static_cast<std::int32_t>(nodes_.size() - 1);
  }

  // The line with an open end at a crossing this square shares with one
  // done before it, or -1.
  std::int32_t Existing(const TCell& cell, int edge, std::int64_t k) const {
    const TSlotRef& s = cell.slot[edge];
    if (!s.shared || s.fresh) return -1;
    return *s.Slot(k);
  }
  // Leaves line `id` open at a crossing shared with a square still to come;
  // null when the crossing lies at the edge of the data.
  std::int32_t* Open(const TCell& cell, int edge, std::int64_t k, std::int32_t id) const {
    const TSlotRef& s = cell.slot[edge];
    if (!s.shared || !s.fresh) return nullptr;
    std::int32_t* slot = s.Slot(k);
    *slot = id;
    return slot;
  }

  // Joins the segment from crossing `from` to crossing `to` of the square.
  bool Segment(const TCell& sq, std::int64_t k, int from, int to, const TNode* p) {
    if (nodes_.size() + 2 > kMaxContourPoints) return false;
    const std::int32_t a = Existing(sq, from, k);  // a line ending at `from`
    const std::int32_t b = Existing(sq, to, k);    // a line starting at `to`
    if (a < 0 && b < 0) {
      const auto id = static_cast<std::int32_t>(lines_.size());
      TLine line;
      line.level = k;
      line.head = NewNode(p[from]);
      line.tail = NewNode(p[to]);
      nodes_[static_cast<std::size_t>(line.head)].next = line.tail;
      line.headSlot = Open(sq, from, k, id);
      line.tailSlot = Open(sq, to, k, id);
      lines_.push_back(line);
    } else if (b < 0) {
      TLine& line = lines_[static_cast<std::size_t>(a)];
      const std::int32_t node = NewNode(p[to]);
      nodes_[static_cast<std::size_t>(line.tail)].next = node;
      line.tail = node;
      line.tailSlot = Open(sq, to, k, a);
    } else if (a < 0) {
      TLine& line = lines_[static_cast<std::size_t>(b)];
      const std::int32_t node = NewNode(p[from]);
      nodes_[static_cast<std::size_t>(node)].next = line.head;
      line.head = node;
      line.headSlot = Open(sq, from, k, b);
    } else if (a == b) {
      TLine& line = lines_[static_cast<std::size_t>(a)];
      const TNode first = nodes_[static_cast<std::size_t>(line.head)];
      const std::int32_t node = NewNode(first);
      nodes_[static_cast<std::size_t>(line.tail)].next = node;
      line.tail = node;
      line.closed = true;
      line.headSlot = line.tailSlot = nullptr;
    } else {
      TLine& la = lines_[static_cast<std::size_t>(a)];
      TLine& lb = lines_[static_cast<std::size_t>(b)];
      nodes_[static_cast<std::size_t>(la.tail)].next = lb.head;
      la.tail = lb.tail;
      la.tailSlot = lb.tailSlot;
      if (la.tailSlot) *la.tailSlot = a;
      lb.merged = true;
    }
    return true;
  }

  void Emit(TContourSet& out) const {
    out.Points.clear();
    out.Lines.clear();
    for (const TLine& line : lines_) {
      if (line.merged) continue;
      TContourSet::Line l;
      l.First = out.Points.size();
      l.Level = line.level;
      for (std::int32_t n = line.head; n >= 0; n = nodes_[static_cast<std::size_t>(n)].next) {
        const TNode& node = nodes_[static_cast<std::size_t>(n)];
        // A value right on the level puts the crossings of two edges on
        // their common node: one point.
        if (out.Points.size() > l.First && out.Points.back().x == node.x &&
            out.Points.back().y == node.y)
          continue;
        out.Points.push_back({node.x, node.y});
      }
      l.Count = out.Points.size() - l.First;
      l.Closed = line.closed && l.Count > 2;
      if (l.Count < 2) {
        out.Points.resize(l.First);
        continue;
      }
      out.Lines.push_back(l);
    }
  }

  const float* v_;
  std::size_t w_;
  std::size_t h_;
  double interval_;
  double inverse_;
  std::vector<TNode> nodes_;
  std::vector<TLine> lines_;
};

}  // namespace

TContourStatus TraceContours(const float* values, int width, int height, double interval,
                             TContourSet& out) {
  out.Points.clear();
  out.Lines.clear();
  if (width < 2 || height < 2 || !(interval > 0) || !std::isfinite(interval))
    return TContourStatus::Ok;
  const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  double lo = INFINITY, hi = -INFINITY;
  for (std::size_t i = 0; i < cells; ++i) {
    const double value = values[i];
    if (!std::isfinite(value)) continue;
    lo = std::min(lo, value);
    hi = std::max(hi, value);
  }
  if (lo > hi) return TContourStatus::Ok;
  // Level numbers must stay exact in a double, and their count sane.
  if ((hi - lo) / interval > kMaxContourLevels ||
      std::max(std::fabs(lo), std::fabs(hi)) / interval > 1e15)
    return TContourStatus::TooManyLevels;
  TTracer tracer(values, width, height, interval);
  return tracer.Run(out);
}

}  // namespace chizro
