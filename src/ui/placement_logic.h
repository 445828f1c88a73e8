// The 位置合わせ dialog apart from any toolkit: placing a map drawn in
// arbitrary coordinates (任意座標) by control points the user picks in the
// window. The dialog stays open beside the map (modeless); while it is open
// a click on the map picks a point instead of centring the view:
//
//   1. a click near a 筆界点 or 基準点 of the map to place picks it (its
//      点番名 or 名称 is shown);
//   2. then a click near a vertex of data in 公共座標 that is open (an FGD
//      download, a 公共座標 地図XML, a SIMA file) gives its plane
//      coordinates; or the user types X (north) and Y (east).
//
// Every pair goes into the list with its residual once the points admit a
// fit, and the fit's RMSE is shown; points can be removed and the fit
// chosen (Helmert, affine). OK writes the sidecar "<map>.gcp" beside the
// map and opens the map again, placed by it (TMainLogic::FinishPlacement).
// The Qt and Win32 dialogs are shells over this class. All texts are UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coords/control_fit.h"
#include "model/geometry.h"
#include "model/survey_data.h"
#include "readers/control_sidecar.h"

namespace chizro {

// The dialog's caption, and the item of the map's context menu that opens it.
inline constexpr char kPlacementCaption[] = "位置合わせ";
inline constexpr char kPlacementMenuCaption[] = "位置合わせ...";
// A click picks a point within this many pixels of it.
inline constexpr int kSnapPixels = 8;

// The columns of the point list: 点名, the position in the map (x north,
// y east), the plane coordinates (X north, Y east) and the residual [m].
inline constexpr std::array<const char*, 6> kPlacementColumns = {"点名",  "x", "y",
                                                                 "X", "Y", "残差 (m)"};

// One line of the point list: its cells by kPlacementColumns, and whether
// the fit flags the point (TResidual::Large: shown marked).
struct TPlacementRow {
  std::array<std::string, 6> Cells;
  bool Large = false;
};

// A point to draw over the map while the dialog is open: where (the
// project's system), its label (UTF-8), and what it is.
struct TPlacementMarker {
  enum class TRole { Local, Target, Picked };
  TFPoint At{};
  std::string Label;
  TRole Role = TRole::Local;
};

class TPlacementLogic final {
public:
  // The nearest vertex of data in 公共座標 to a point (the project's system)
  // within a distance [world units], or none.
  using TTargetSnap = std::function<std::optional<TFPoint>(TFPoint at, double reach)>;

  // Places the map `leafFileName` (path text), whose named points are
  // `points` (model positions in the map's own coordinates), with the points
  // of its sidecar `existing` to start from (those that name no point of
  // the map are left out, and Note() says how many). `snap` finds the
  // public data's vertices; `targetSystem` names the zone of the plane
  // coordinates ("IX系"; empty when none is chosen).
  TPlacementLogic(std::string leafFileName, std::vector<TSurveyPoint> points,
                  const TControlPointList& existing, TTargetSnap snap,
                  std::string targetSystem);

  const std::string& LeafFileName() const noexcept { return leafFileName_; }
  // "位置合わせ - 13113-0110-1.xml": the caption with the map's file name.
  std::string Title() const;
  // What the user does next, in a sentence.
  std::string Hint() const;
  // What came of the sidecar's points, or empty.
  const std::string& Note() const noexcept { return note_; }

  // A click at `at` (the project's system), `reach` world units being
  // kSnapPixels at the view's scale. Without a picked point, the nearest
  // named point of the map within reach is picked. With one, the nearest
  // vertex of public data within reach is its target (a pair is added);
  // where there is none, a named point of the map within reach is picked
  // instead. False when the click found nothing.
  bool Click(TFPoint at, double reach);
  // The picked point's plane coordinates as typed: X (north) and Y (east)
  // [m]. An error text when there is no picked point or a text is not a
  // number; empty when the pair was added.
  std::string EnterTarget(std::string_view xText, std::string_view yText);
  // Removes line `row` of Rows() (the picked point, when it is the last).
  void Remove(std::size_t row);

  TFitKind Fit() const noexcept { return fit_; }
  void SetFit(TFitKind fit);

  // The pairs, then the picked point waiting for its target.
  std::vector<TPlacementRow> Rows() const;
  // "ヘルマート変換 3点 RMSE 0.004 m", with the flagged points named;
  // or why there is no fit yet.
  std::string Summary() const;
  // True when the pairs admit the fit chosen.
  bool CanAccept() const noexcept { return fitted_.has_value(); }
  std::vector<TPlacementMarker> Markers() const;

  // What the sidecar gets: each pair by the name of its point when that
  // name is the map's only point of it (so that the sidecar of a zip serves
  // each map in it by its own points), else by its position; and the fit.
  TControlPointList List() const;

private:
  struct TPair {
    std::size_t Point = 0;  // into points_
    TFPoint Target{};       // model position in the zone
  };
  // The nearest named point within reach of `at`.
  std::optional<std::size_t> NearestPoint(TFPoint at, double reach) const;
  std::string NameOf(std::size_t point) const;
  void Refit();

  std::string leafFileName_;
  std::vector<TSurveyPoint> points_;
  TTargetSnap snap_;
  std::string targetSystem_;
  std::vector<TPair> pairs_;
  std::optional<std::size_t> picked_;
  TFitKind fit_ = TFitKind::Helmert;
  std::optional<TControlFit> fitted_;
  std::string fitError_;
  std::string note_;
};

}  // namespace chizro
