#include "ui/placement_logic.h"

#include <cmath>
#include <unordered_map>

#include "platform/convert.h"
#include "platform/file_path.h"
#include "platform/sjis.h"

namespace chizro {
namespace {

double Distance(TFPoint a, TFPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

// A coordinate as typed: blanks around it, and the full-width digits,
// point, signs and space of an IME, are taken.
std::optional<double> ParseCoordinate(std::string_view text) {
  std::string ascii;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // U+FF01..U+FF5E (EF BC 81 .. EF BD 9E) are the full-width forms of
    // U+0021..U+007E; U+2212 (E2 88 92) is the minus sign.
    if (c == 0xEF && i + 2 < text.size()) {
      const unsigned char b = static_cast<unsigned char>(text[i + 1]);
      const unsigned char d = static_cast<unsigned char>(text[i + 2]);
      const int code = ((b & 0x3F) << 6) | (d & 0x3F);  // low 12 bits of U+Fxxx
      if ((b == 0xBC || b == 0xBD) && code >= 0xF01 && code <= 0xF5E) {
        ascii += static_cast<char>(code - 0xF01 + 0x21);
        i += 2;
        continue;
      }
    }
    if (c == 0xE3 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        static_cast<unsigned char>(text[i + 2]) == 0x80) {
      ascii += ' ';  // U+3000, the full-width space
      i += 2;
      continue;
    }
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x88 &&
        static_cast<unsigned char>(text[i + 2]) == 0x92) {
      ascii += '-';
      i += 2;
      continue;
    }
    ascii += static_cast<char>(c);
  }
  return TryStrToFloat(ascii);
}

}  // namespace

TPlacementLogic::TPlacementLogic(std::string leafFileName, std::vector<TSurveyPoint> points,
                                 const TControlPointList& existing, TTargetSnap snap,
                                 std::string targetSystem)
    : leafFileName_(std::move(leafFileName)),
      points_(std::move(points)),
      snap_(std::move(snap)),
      targetSystem_(std::move(targetSystem)) {
  if (existing.Fit) fit_ = *existing.Fit;
  std::unordered_map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < points_.size(); ++i)
    if (!points_[i].Name.empty()) byName.emplace(points_[i].Name, i);
  std::size_t lost = 0;
  for (const TControlPointEntry& e : existing.Points) {
    std::optional<std::size_t> point;
    if (e.Local) {
      // A point written by position is the map's point there, if it has one.
      point = NearestPoint(*e.Local, 0.0005);
      if (!point) {
        points_.push_back({e.Name, e.Local->x, e.Local->y, std::nullopt});
        point = points_.size() - 1;
      }
    } else if (const auto it = byName.find(e.Name); it != byName.end()) {
      point = it->second;
    }
    if (!point) {
      ++lost;
      continue;
    }
    pairs_.push_back({*point, e.Zone});
  }
  if (!existing.Points.empty()) {
    note_ = "保存されている " + std::to_string(existing.Points.size()) + " 点を読みました";
    if (lost > 0) note_ += " (うち " + std::to_string(lost) + " 点はこの地図にありません)";
  }
  Refit();
}

std::string TPlacementLogic::Title() const {
  std::string name = PathForMessage(leafFileName_);
  const std::size_t cut = name.find_last_of("/\\|");
  if (cut != std::string::npos) name.erase(0, cut + 1);
  return std::string(kPlacementCaption) + " - " + name;
}

std::string TPlacementLogic::Hint() const {
  if (picked_)
    return "「" + NameOf(*picked_) + "」の公共座標" +
           (targetSystem_.empty() ? std::string() : " (" + targetSystem_ + ")") +
           "を X, Y に入力するか、公共座標のデータ上の同じ点をクリックしてください。";
  return "位置を合わせる地図の筆界点か基準点をクリックしてください。";
}

std::string TPlacementLogic::NameOf(std::size_t point) const {
  const std::string& name = points_[point].Name;
  return name.empty() ? "(名前なし)" : SjisToUtf8(name);
}

std::optional<std::size_t> TPlacementLogic::NearestPoint(TFPoint at, double reach) const {
  std::optional<std::size_t> best;
  double bestDistance = reach;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const double d = Distance(at, {points_[i].X, points_[i].Y});
    if (d <= bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

bool TPlacementLogic::Click(TFPoint at, double reach) {
  if (picked_ && snap_) {
    if (const std::optional<TFPoint> target = snap_(at, reach)) {
      pairs_.push_back({*picked_, *target});
      picked_.reset();
      Refit();
      return true;
    }
  }
  if (const std::optional<std::size_t> point = NearestPoint(at, reach)) {
    picked_ = point;
    return true;
  }
  return false;
}

std::string TPlacementLogic::EnterTarget(std::string_view xText, std::string_view yText) {
  if (!picked_) return "先に地図の筆界点か基準点をクリックしてください";
  const std::optional<double> X = ParseCoordinate(xText);
  if (!X) return "X '" + std::string(xText) + "' は数値ではありません";
  const std::optional<double> Y = ParseCoordinate(yText);
  if (!Y) return "Y '" + std::string(yText) + "' は数値ではありません";
  pairs_.push_back({*picked_, {*Y, *X}});
  picked_.reset();
  Refit();
  return {};
}

void TPlacementLogic::Remove(std::size_t row) {
  if (row < pairs_.size()) {
    pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>(row));
    Refit();
  } else if (row == pairs_.size() && picked_) {
    picked_.reset();
  }
}

void TPlacementLogic::SetFit(TFitKind fit) {
  fit_ = fit;
  Refit();
}

void TPlacementLogic::Refit() {
  fitted_.reset();
  fitError_.clear();
  const std::size_t needed = fit_ == TFitKind::Helmert ? 2 : 3;
  if (pairs_.size() < needed) {
    fitError_ = "あと " + std::to_string(needed - pairs_.size()) + " 点で" +
                (fit_ == TFitKind::Helmert ? "ヘルマート変換" : "アフィン変換") + "が求まります";
    return;
  }
  std::vector<TControlPoint> points;
  for (const TPair& p : pairs_) {
    const TSurveyPoint& s = points_[p.Point];
    // The fit's x is north: the model's y.
    points.push_back({NameOf(p.Point), s.Y, s.X, p.Target.y, p.Target.x});
  }
  try {
    fitted_ = FitControlPoints(points, fit_);
    fitError_ = FitSummary(*fitted_, points);
  } catch (const EControlFitError& e) {
    fitError_ = e.what();
  }
}

std::string TPlacementLogic::Summary() const { return fitError_; }

std::vector<TPlacementRow> TPlacementLogic::Rows() const {
  std::vector<TPlacementRow> rows;
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    const TSurveyPoint& s = points_[pairs_[i].Point];
    TPlacementRow row;
    row.Cells = {NameOf(pairs_[i].Point), FixedText(s.Y, 3), FixedText(s.X, 3),
                 FixedText(pairs_[i].Target.y, 3), FixedText(pairs_[i].Target.x, 3), ""};
    if (fitted_ && i < fitted_->Residuals.size()) {
      const double length = fitted_->Residuals[i].Length;
      row.Cells[5] = FixedText(length, 3);
      row.Large = fitted_->Residuals[i].Large;
    }
    rows.push_back(std::move(row));
  }
  if (picked_) {
    const TSurveyPoint& s = points_[*picked_];
    rows.push_back({{NameOf(*picked_), FixedText(s.Y, 3), FixedText(s.X, 3), "?", "?", ""}, false});
  }
  return rows;
}

std::vector<TPlacementMarker> TPlacementLogic::Markers() const {
  std::vector<TPlacementMarker> markers;
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    const TSurveyPoint& s = points_[pairs_[i].Point];
    const std::string label = std::to_string(i + 1) + " " + NameOf(pairs_[i].Point);
    markers.push_back({{s.X, s.Y}, label, TPlacementMarker::TRole::Local});
    markers.push_back({pairs_[i].Target, label, TPlacementMarker::TRole::Target});
  }
  if (picked_) {
    const TSurveyPoint& s = points_[*picked_];
    markers.push_back({{s.X, s.Y}, NameOf(*picked_), TPlacementMarker::TRole::Picked});
  }
  return markers;
}

TControlPointList TPlacementLogic::List() const {
  std::unordered_map<std::string, int> names;
  for (const TSurveyPoint& p : points_)
    if (!p.Name.empty()) ++names[p.Name];
  TControlPointList list;
  list.Fit = fit_;
  for (const TPair& pair : pairs_) {
    const TSurveyPoint& s = points_[pair.Point];
    TControlPointEntry e;
    e.Name = s.Name.empty() ? std::string("P") + std::to_string(list.Points.size() + 1) : s.Name;
    const bool byName = !s.Name.empty() && names[s.Name] == 1 && s.Name.find(',') == std::string::npos;
    if (!byName) e.Local = TFPoint{s.X, s.Y};
    e.Zone = pair.Target;
    list.Points.push_back(std::move(e));
  }
  return list;
}

}  // namespace chizro
