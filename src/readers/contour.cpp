#include "readers/contour.h"

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

  void Build(std::size_t edges, double interval, double inverse, const auto& ends) {
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
    Slots.assign(total, -1);
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
  bool SquareValid(std::size_t r, std::size_t c) const {
    return std::isfinite(V(r, c)) && std::isfinite(V(r, c + 1)) && std::isfinite(V(r + 1, c)) &&
           std::isfinite(V(r + 1, c + 1));
  }
  void SquareRow(std::size_t r, std::vector<char>& valid) const {
    valid.assign(w_ - 1, 0);
    if (r + 1 >= h_) return;
    for (std::size_t c = 0; c + 1 < w_; ++c) valid[c] = SquareValid(r, c) ? 1 : 0;
  }
  void HorizontalEdges(std::size_t r, TEdgeRow& row) const {
    row.Build(w_ - 1, interval_, inverse_, [&](std::size_t c) {
      return std::pair<double, double>{V(r, c), V(r, c + 1)};
    });
  }

  TContourStatus Sweep() {
    if (w_ < 2 || h_ < 2) return TContourStatus::Ok;
    TEdgeRow top, bottom, vertical;
    std::vector<char> above(w_ - 1, 0), here, below;
    SquareRow(0, here);
    HorizontalEdges(0, top);
    for (std::size_t r = 0; r + 1 < h_; ++r) {
      SquareRow(r + 1, below);
      HorizontalEdges(r + 1, bottom);
      vertical.Build(w_, interval_, inverse_, [&](std::size_t c) {
        return std::pair<double, double>{V(r, c), V(r + 1, c)};
      });
      for (std::size_t c = 0; c + 1 < w_; ++c) {
        if (!here[c]) continue;
        TSquare sq;
        sq.r = r;
        sq.c = c;
        sq.slot[kTop] = {&top, c, r > 0 && above[c] != 0, false};
        sq.slot[kRight] = {&vertical, c + 1, c + 2 < w_ && here[c + 1] != 0, true};
        sq.slot[kBottom] = {&bottom, c, below[c] != 0, true};
        sq.slot[kLeft] = {&vertical, c, c > 0 && here[c - 1] != 0, false};
        if (!Square(sq)) return TContourStatus::TooManyPoints;
      }
      std::swap(top, bottom);
      std::swap(above, here);
      std::swap(here, below);
    }
    return TContourStatus::Ok;
  }

  struct TSlotRef {
    TEdgeRow* row = nullptr;
    std::size_t edge = 0;
    bool neighbour = false;  // the square across the edge is contoured
    bool fresh = false;      // ... and comes after this one
  };
  struct TSquare {
    std::size_t r = 0;
    std::size_t c = 0;
    TSlotRef slot[4];
  };

  bool Square(const TSquare& sq) {
    const std::size_t r = sq.r, c = sq.c;
    const double a = V(r, c), b = V(r, c + 1), e = V(r + 1, c), d = V(r + 1, c + 1);
    const TLevelRange range =
        LevelsBetween(std::min({a, b, d, e}), std::max({a, b, d, e}), interval_, inverse_);
    const double x = static_cast<double>(c), y = static_cast<double>(r);
    for (std::int64_t k = range.First; k <= range.Last; ++k) {
      const double level = static_cast<double>(k) * interval_;
      const bool ha = a >= level, hb = b >= level, hd = d >= level, he = e >= level;
      // An edge is entered (walking with the high ground on the right) when
      // the node on the right of the walker going into the square is high.
      const bool entry[4] = {ha, hb, hd, he};
      const bool cross[4] = {ha != hb, hb != hd, he != hd, ha != he};
      // Crossing points, each edge taken from its west or north node.
      TNode p[4];
      if (cross[kTop]) p[kTop] = {x + (level - a) / (b - a), y};
      if (cross[kRight]) p[kRight] = {x + 1, y + (level - b) / (d - b)};
      if (cross[kBottom]) p[kBottom] = {x + (level - e) / (d - e), y + 1};
      if (cross[kLeft]) p[kLeft] = {x, y + (level - a) / (e - a)};
      const int n = cross[0] + cross[1] + cross[2] + cross[3];
      if (n == 2) {
        int first = -1, second = -1;
        for (int i = 0; i < 4; ++i)
          if (cross[i]) (first < 0 ? first : second) = i;
        if (entry[first]) {
          if (!Segment(sq, k, first, second, p)) return false;
        } else if (!Segment(sq, k, second, first, p)) {
          return false;
        }
      } else if (n == 4) {
        const bool centreHigh = (a + b + d + e) / 4 >= level;
        // Mean high with a and d high: the lines cut off b (top-right)
        // and e (bottom-left); otherwise they cut off a and d.
        const int s0a = kTop, s0b = centreHigh == ha ? kRight : kLeft;
        const int s1a = centreHigh == ha ? kLeft : kRight, s1b = kBottom;
        for (const auto& [u, w] : {std::pair<int, int>{s0a, s0b}, std::pair<int, int>{s1a, s1b}}) {
          if (!(entry[u] ? Segment(sq, k, u, w, p) : Segment(sq, k, w, u, p))) return false;
        }
      }
    }
    return true;
  }

  std::int32_t NewNode(const TNode& p) {
    nodes_.push_back({p.x, p.y, -1});
    return static_cast<std::int32_t>(nodes_.size() - 1);
  }

  // The line with an open end at a crossing this square shares with one
  // done before it, or -1.
  std::int32_t Existing(const TSquare& sq, int edge, std::int64_t k) const {
    const TSlotRef& s = sq.slot[edge];
    if (!s.neighbour || s.fresh) return -1;
    return *s.row->Slot(s.edge, k);
  }
  // Leaves line `id` open at a crossing shared with a square still to come;
  // null when the crossing lies at the edge of the data.
  std::int32_t* Open(const TSquare& sq, int edge, std::int64_t k, std::int32_t id) const {
    const TSlotRef& s = sq.slot[edge];
    if (!s.neighbour || !s.fresh) return nullptr;
    std::int32_t* slot = s.row->Slot(s.edge, k);
    *slot = id;
    return slot;
  }

  // Joins the segment from crossing `from` to crossing `to` of the square.
  bool Segment(const TSquare& sq, std::int64_t k, int from, int to, const TNode* p) {
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
